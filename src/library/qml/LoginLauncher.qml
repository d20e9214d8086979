// A fresh sign-in sheet (and page) each time `shown` turns true, made from
// its file only then, as it brings the web engine with it. `closed` says the
// sheet went away; the owner then sets `shown` back to false.
import QtQuick
import Nimbelora.Library

Item {
    id: launcher

    required property AuthStore auth
    property bool shown: false
    signal closed()

    onShownChanged: {
        if (shown)
            login.setSource("qrc:/Nimbelora/Library/qml/LoginSheet.qml", { auth: launcher.auth })
        else
            login.source = ""
    }
    Loader {
        id: login
        onLoaded: item.open()
    }
    Connections {
        target: login.item
        function onClosed() { launcher.closed() }
    }
}
