// A round button of the player's overlay: a white symbol in a square box
// that takes the whole square's touches; it gives the light haptic before
// its action unless told not to.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

PressableStyle {
    id: button

    property string symbol
    property real glyph: 17
    property real box: 40
    property string label
    // Drawn on the overlay material (the big play / pause button).
    property bool backed: false
    // Below 1 the button looks unavailable, yet stays usable.
    property real dimming: 1
    property bool haptic: true
    property color tint: "white"

    signal triggered()

    implicitWidth: box
    implicitHeight: box
    focusPolicy: Qt.NoFocus
    Accessible.name: label
    onClicked: {
        if (haptic)
            Haptics.light()
        triggered()
    }

    background: OverlayMaterial {
        visible: button.backed
        radius: width / 2
    }
    contentItem: Item {
        opacity: button.dimming
        Symbol {
            anchors.centerIn: parent
            name: button.symbol
            size: button.glyph
            color: button.tint
        }
    }
}
