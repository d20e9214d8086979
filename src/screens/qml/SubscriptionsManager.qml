// "Suscripciones (N)": every followed channel, in the library's order or by
// name (the button shows the order in force; each opening starts in the
// library's; rows slide to a new order). A tap closes the sheet and opens the
// channel on the selected tab; a full swipe unfollows it. No haptics here.
import QtQuick
import QtQuick.Controls.Basic as Basic
import QtQuick.Layouts
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Shell
import Nimbelora.Screens

BottomSheet {
    id: sheet

    required property LibraryStore library
    required property Router router

    color: Colors.sheetBackground
    title: "Suscripciones (" + list.count + ")"
    detents: ["medium", "large"]
    onAboutToShow: list.alphabetical = false

    leading: FadingButton {
        objectName: "sortButton"
        symbol: list.alphabetical ? "textformat.abc" : "clock"
        symbolSize: 20
        onClicked: list.alphabetical = !list.alphabetical
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
        anchors.fill: parent
        opacity: list.count === 0 ? 1 : 0
        visible: opacity > 0
        Behavior on opacity { NumberAnimation { duration: Motion.standard } }
        symbol: "person.2"
        title: "Sin suscripciones"
        description: "Suscríbete a canales desde un vídeo."
    }

    ListView {
        objectName: "managerList"
        anchors.fill: parent
        opacity: list.count > 0 ? 1 : 0
        visible: opacity > 0
        Behavior on opacity { NumberAnimation { duration: Motion.standard } }
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: list

        move: Transition { Spring { property: "y"; response: 0.35; dampingFraction: 0.86 } }
        moveDisplaced: Transition { Spring { property: "y"; response: 0.35; dampingFraction: 0.86 } }
        displaced: Transition { Spring { property: "y"; response: 0.35; dampingFraction: 0.86 } }
        remove: Transition { NumberAnimation { property: "opacity"; to: 0; duration: Motion.standard } }

        delegate: SwipeRow {
            id: row
            required property string channelId
            required property string name
            required property string avatar

            objectName: "managerRow"
            width: ListView.view.width
            height: 60
            actions: [{ label: "Dejar de seguir", symbol: "person.badge.minus", destructive: true }]
            onTriggered: list.unfollow(row.channelId)

            Basic.ItemDelegate {
                objectName: "managerRowButton"
                anchors.fill: parent
                padding: 0
                onClicked: {
                    sheet.close()
                    sheet.router.openChannel(row.channelId, row.name)
                }
                background: Rectangle {
                    color: parent.down ? Colors.quaternaryFill : sheet.color
                }
                contentItem: Item {
                    RowLayout {
                        anchors.fill: parent
                        anchors.leftMargin: 16
                        anchors.rightMargin: 16
                        spacing: 12

                        AvatarView {
                            name: row.name
                            url: row.avatar
                            size: 40
                        }
                        Text {
                            Layout.fillWidth: true
                            text: row.name
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font: TextStyle.body
                            color: Colors.label
                        }
                    }

                    Rectangle {
                        anchors.bottom: parent.bottom
                        anchors.right: parent.right
                        width: parent.width - 68
                        height: 0.5
                        color: Colors.separator
                    }
                }
            }
        }
    }
}
