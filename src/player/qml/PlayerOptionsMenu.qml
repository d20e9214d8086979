// "Más opciones" of the player's top bar and its menu. Entries, titles and
// marks come from PlayerOptionsModel, built anew at every opening; submenus
// open over the menu, so everything fits a phone-wide window.
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Playback
import Nimbelora.Player

Item {
    id: root

    required property PlayerStore player
    required property PlayerOverlayModel overlay
    readonly property alias menu: menu

    implicitWidth: 40
    implicitHeight: 40

    PlayerOptionsModel {
        id: options
        player: root.player
        overlay: root.overlay
    }

    OverlayButton {
        id: button
        objectName: "moreButton"
        anchors.fill: parent
        symbol: "ellipsis.circle"
        glyph: 19
        label: "Más opciones"
        haptic: false
        onTriggered: root.open()

        ContextMenu {
            id: menu
            namePrefix: "option."
            minimumWidth: 280
            rightAligned: true
            onAboutToOpen: model = options.menuModel()
            onTriggered: (index, id) => options.trigger(id)
        }
    }

    function open() {
        menu.popup(button.width, button.height)
    }
}
