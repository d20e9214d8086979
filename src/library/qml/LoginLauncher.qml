// A fresh sign-in sheet (and page) each time `shown` turns true, made from
// its file only then, as it brings the web engine with it. `closed` says the
// sheet went away; the owner then sets `shown` back to false.
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Library

SheetLoader {
    id: launcher

    required property AuthStore auth
    signal closed()

    fresh: true
    file: "qrc:/Nimbelora/Library/qml/LoginSheet.qml"
    properties: ({ auth: launcher.auth })
    onDismissed: closed()
}
