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
    color: Platform.Palette.background

    RootView {
        anchors.fill: parent
        player: window.app.player
        library: window.app.library
        router: window.app.router
        auth: window.app.auth
        avatars: window.app.avatars
    }
}
