// A bare button: its text or, when set, its symbol, in the app's tint unless
// told otherwise, fading while it is held.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation

Basic.Button {
    id: button

    property string symbol
    property real symbolSize: 22
    property bool mirrorSymbol: false
    property color color: Theme.accent
    // The opacity at rest; holding halves it.
    property real restingOpacity: 1

    padding: 6
    font: TextStyle.body
    background: Item {}
    Accessible.name: text
    contentItem: Item {
        implicitWidth: button.symbol.length > 0 ? icon.width : label.implicitWidth
        implicitHeight: button.symbol.length > 0 ? icon.height : label.implicitHeight
        opacity: button.restingOpacity * (button.down ? 0.5 : 1)
        // Text buttons sit on a line's baseline.
        baselineOffset: label.y + label.baselineOffset

        Text {
            id: label
            anchors.fill: parent
            visible: button.symbol.length === 0
            text: button.text
            font: button.font
            color: button.color
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        Symbol {
            id: icon
            anchors.centerIn: parent
            visible: button.symbol.length > 0
            name: button.symbol
            size: button.symbolSize
            width: size
            height: size
            mirror: button.mirrorSymbol
            color: button.color
        }
    }
}
