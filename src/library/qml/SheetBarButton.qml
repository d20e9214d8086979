// A text button of a sheet's top bar ("Cancelar", "Hecho"), in the app's tint.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Foundation

Basic.Button {
    id: button

    property bool emphasized: false

    padding: 6
    background: Item {}
    contentItem: Text {
        text: button.text
        font: button.emphasized ? TextStyle.headline : TextStyle.body
        color: Theme.accent
        opacity: button.down ? 0.5 : 1
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
}
