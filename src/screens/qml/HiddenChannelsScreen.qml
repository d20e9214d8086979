// The channels hidden from the app's lists, in the order they were hidden;
// "Mostrar" lets one's videos appear again.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Screens

Rectangle {
    id: root

    required property LibraryStore library
    readonly property string title: "Canales ocultos"

    // Grouped only behind the list; the empty state stands on the plain background.
    color: root.library.hiddenChannels.length > 0 ? Platform.Colors.groupedBackground : Platform.Colors.background

    EmptyState {
        objectName: "hiddenEmpty"
        visible: root.library.hiddenChannels.length === 0
        anchors.fill: parent
        symbol: "eye"
        title: "Ningún canal oculto"
        description: "Los canales que marques con «No me interesa» dejarán de aparecer en tus listas."
    }

    Flickable {
        visible: root.library.hiddenChannels.length > 0
        anchors.fill: parent
        contentHeight: section.height + 40
        boundsBehavior: Flickable.StopAtBounds

        GroupedSection {
            id: section
            y: 20

            Repeater {
                model: root.library.hiddenChannels

                GroupedRow {
                    id: row
                    required property string modelData
                    objectName: "hiddenRow"
                    interactive: false
                    text: modelData
                    leading: Component {
                        AvatarView {
                            name: row.modelData
                            size: 34
                        }
                    }

                    BorderedButton {
                        objectName: "showChannel"
                        text: "Mostrar"
                        onClicked: root.library.unhideChannel(row.modelData)
                    }
                }
            }
        }
    }
}
