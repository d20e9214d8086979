// The audio output picker of the player's top bar: the icon opens the menu of
// the outputs the engine lists, the one in use marked; the icon takes
// `activeColor` while an output other than the default one is in use.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Player

OverlayButton {
    id: button

    required property PlayerOverlayModel overlay
    property color activeColor: Theme.accent

    symbol: "airplayvideo"
    glyph: 19
    haptic: false
    tint: RoutePicker.active ? activeColor : "white"
    onTriggered: menu.popup(0, button.height)

    ContextMenu {
        id: menu
        objectName: "airPlayMenu"
        namePrefix: "route_"
        onAboutToOpen: model = button.overlay.routeMenu()
        // The mark moves once the engine reports the new output.
        onTriggered: (index, id) => RoutePicker.choose(id)
    }
}
