// A button of a sheet's or a page's top bar, in the app's tint: its text
// ("Cancelar", "Hecho", "Borrar") or, when set, its symbol ("plus", "pencil").
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

FadingButton {
    property bool emphasized: false

    font: emphasized ? TextStyle.headline : TextStyle.body
}
