// The channels hidden from the app's lists, in the order they were hidden;
// "Mostrar" lets one's videos appear again.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Screens

Rectangle {
    id: root

    required property LibraryStore library
    readonly property string title: "Canales ocultos"

    // Grouped only behind the list; the empty state stands on the plain background.
    color: root.library.hiddenChannels.length > 0 ? Colors.groupedBackground : Colors.background

    HiddenChannelsModel {
        id: hidden
        library: root.library
    }

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

            ListView {
                width: parent.width
                height: contentHeight
                // The card closes with the rows; from nothing it takes its height at once.
                Behavior on height {
                    enabled: height > 0
                    Spring { response: 0.35; dampingFraction: 0.86 }
                }
                interactive: false
                model: hidden
                displaced: Transition { Spring { property: "y"; response: 0.35; dampingFraction: 0.86 } }
                remove: Transition { NumberAnimation { property: "opacity"; to: 0; duration: Motion.standard } }

                delegate: GroupedRow {
                    id: row
                    required property string name
                    required property int index
                    objectName: "hiddenRow"
                    width: ListView.view.width
                    isFirst: index === 0
                    isLast: index === ListView.view.count - 1
                    interactive: false
                    text: name
                    leading: Component {
                        AvatarView {
                            name: row.name
                            size: 34
                        }
                    }

                    BorderedButton {
                        objectName: "showChannel"
                        text: "Mostrar"
                        onClicked: hidden.show(row.name)
                    }
                }
            }
        }
    }
}
