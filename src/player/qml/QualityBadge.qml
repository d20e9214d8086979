// The quality pill of the player's top bar and its menu: "Automática", then
// the video's heights; the one in use carries the mark.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Platform as Platform
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
        onClicked: menu.popup(pill, 0, pill.height)

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

    Basic.Menu {
        id: menu
        objectName: "qualityMenu"
        // The menus' one look, dark inside dark surfaces.
        palette.window: Platform.Colors.dark ? "#2C2C2E" : "#F9F9F9"
        palette.windowText: Platform.Colors.label
        palette.text: Platform.Colors.label
        palette.buttonText: Platform.Colors.label
        palette.midlight: Platform.Colors.fill
        palette.mid: Platform.Colors.fill
        palette.light: Platform.Colors.fill
        palette.dark: Platform.Colors.label
        palette.base: Platform.Colors.dark ? "#2C2C2E" : "#F9F9F9"

        Basic.MenuItem {
            text: "Calidad"
            enabled: false
        }

        Instantiator {
            model: badge.overlay.qualityOptions
            delegate: Basic.MenuItem {
                required property var modelData
                objectName: "quality_" + modelData.value
                text: modelData.title
                checkable: true
                checked: modelData.checked
                onTriggered: {
                    // The mark follows the quality in use, not the click.
                    checked = Qt.binding(() => modelData.checked)
                    badge.player.setQuality(modelData.value)
                }
            }
            onObjectAdded: (index, object) => menu.insertItem(index + 1, object)
            onObjectRemoved: (index, object) => menu.removeItem(object)
        }
    }
}
