// The one window: phone-shaped by default, resizable, showing the root view
// with the app's five stores.
import Nimbelora.Platform
import QtQuick
import QtQuick.Window
import Nimbelora.Platform as Platform
import Nimbelora.App

Window {
    id: window

    required property NimbeloraApp app

    width: 430
    height: 932
    minimumWidth: 320
    minimumHeight: 480
    visible: true
    title: "Nimbelora"
    color: Colors.background

    RootView {
        anchors.fill: parent
        player: window.app.player
        library: window.app.library
        router: window.app.router
        auth: window.app.auth
        avatars: window.app.avatars
        firstFrameShown: window.app.appeared
    }

    // The player's brightness gesture: a desktop has no screen brightness
    // to set, so the window dims instead, over everything (popups too, whose
    // layer sits at z 1000001), never quite black, and only while the player
    // is open.
    Rectangle {
        objectName: "dimming"
        anchors.fill: parent
        z: 2000000
        enabled: false
        color: "black"
        opacity: window.app.player.expanded ? (1 - Platform.Screen.brightness) * 0.8 : 0
        visible: opacity > 0
    }
}
