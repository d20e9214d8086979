// "Suscripciones (N)": every followed channel, in the library's order or by
// name (the button shows the order in force; each opening starts in the
// library's). A tap closes the sheet and opens the channel on the selected
// tab; a full swipe unfollows it. No haptics here.
import QtQuick
import QtQuick.Controls.Basic as Basic
import QtQuick.Layouts
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Shell
import Nimbelora.Screens

BottomSheet {
    id: sheet

    required property LibraryStore library
    required property Router router

    title: "Suscripciones (" + list.count + ")"
    detents: ["medium", "large"]
    onAboutToShow: list.alphabetical = false

    leading: Basic.Button {
        objectName: "sortButton"
        padding: 6
        onClicked: list.alphabetical = !list.alphabetical
        background: Item {}
        contentItem: Symbol {
            objectName: "sortSymbol"
            name: list.alphabetical ? "textformat.abc" : "clock"
            color: Theme.accent
            size: 20
            opacity: parent.down ? 0.5 : 1
        }
    }
    trailing: SheetBarButton {
        objectName: "managerDone"
        text: "Hecho"
        onClicked: sheet.close()
    }

    SubscriptionList {
        id: list
        library: sheet.library
    }

    EmptyState {
        objectName: "managerEmpty"
        visible: list.count === 0
        anchors.fill: parent
        symbol: "person.2"
        title: "Sin suscripciones"
        description: "Suscríbete a canales desde un vídeo."
    }

    ListView {
        objectName: "managerList"
        visible: list.count > 0
        anchors.fill: parent
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: list.items

        delegate: SwipeRow {
            id: row
            required property var modelData
            required property int index

            objectName: "managerRow"
            width: ListView.view.width
            height: 60
            actions: [{ label: "Dejar de seguir", symbol: "person.badge.minus", destructive: true }]
            // Later: the row goes away with the channel.
            onTriggered: Qt.callLater(list.unfollow, row.modelData.id)

            Basic.ItemDelegate {
                objectName: "managerRowButton"
                anchors.fill: parent
                padding: 0
                onClicked: {
                    sheet.close()
                    sheet.router.openChannel(row.modelData.id, row.modelData.name)
                }
                background: Rectangle {
                    color: parent.down ? Platform.Palette.quaternaryFill : sheet.color
                }
                contentItem: Item {
                    RowLayout {
                        anchors.fill: parent
                        anchors.leftMargin: 16
                        anchors.rightMargin: 16
                        spacing: 12

                        AvatarView {
                            name: row.modelData.name
                            url: row.modelData.avatar || ""
                            size: 40
                        }
                        Text {
                            Layout.fillWidth: true
                            text: row.modelData.name
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font: TextStyle.body
                            color: Platform.Palette.label
                        }
                    }

                    Rectangle {
                        anchors.bottom: parent.bottom
                        anchors.right: parent.right
                        width: parent.width - 68
                        height: 0.5
                        color: Platform.Palette.separator
                    }
                }
            }
        }
    }
}
