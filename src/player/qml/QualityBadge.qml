// The quality pill of the player's top bar and its menu: "Automática", then
// the video's heights; the one in use carries the mark.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Playback
import Nimbelora.Player

Item {
    id: badge

    required property PlayerStore player
    required property PlayerOverlayModel overlay

    implicitWidth: pill.width
    implicitHeight: 40

    PressableStyle {
        id: pill
        objectName: "qualityBadge"
        anchors.verticalCenter: parent.verticalCenter
        width: label.implicitWidth + 20
        height: Math.max(40, label.implicitHeight + 10)
        focusPolicy: Qt.NoFocus
        onClicked: menu.popup(0, pill.height)

        ContextMenu {
            id: menu
            objectName: "qualityMenu"
            namePrefix: "quality_"
            onAboutToOpen: model = badge.overlay.qualityMenu()
            onTriggered: (index, id) => badge.player.setQuality(Number(id))
        }

        contentItem: Item {
            Rectangle {
                anchors.centerIn: parent
                width: parent.width
                height: label.implicitHeight + 10
                radius: height / 2
                color: Qt.rgba(1, 1, 1, 0.22)
            }
            Text {
                id: label
                objectName: "qualityBadgeText"
                anchors.centerIn: parent
                text: badge.overlay.qualityBadge
                font: TextStyle.font(12, Font.Bold)
                color: "white"
            }
        }
    }
}
