// A button of a sheet's or a page's top bar, in the app's tint: its text
// ("Cancelar", "Hecho", "Borrar") or, when set, its symbol ("plus", "pencil").
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Foundation

Basic.Button {
    id: button

    property bool emphasized: false
    property string symbol

    padding: 6
    background: Item {}
    Accessible.name: text
    contentItem: Item {
        implicitWidth: button.symbol.length > 0 ? icon.width : label.implicitWidth
        implicitHeight: button.symbol.length > 0 ? icon.height : label.implicitHeight
        opacity: button.down ? 0.5 : 1

        Text {
            id: label
            anchors.fill: parent
            visible: button.symbol.length === 0
            text: button.text
            font: button.emphasized ? TextStyle.headline : TextStyle.body
            color: Theme.accent
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        Symbol {
            id: icon
            anchors.centerIn: parent
            visible: button.symbol.length > 0
            name: button.symbol
            size: 22
            width: size
            height: size
            color: Theme.accent
        }
    }
}
