// One capsule of the details' action bar: a symbol and a title, tinted when
// the state it shows is on.
import Nimbelora.Platform
import QtQuick
import Nimbelora.Foundation

PressableStyle {
    id: pill

    property string symbol
    property color tint: Colors.label

    focusPolicy: Qt.NoFocus
    leftPadding: 14
    rightPadding: 14
    topPadding: 9
    bottomPadding: 9
    opacity: enabled ? (down ? 0.92 : 1) : 0.4

    contentItem: Row {
        spacing: 6
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: pill.symbol
            size: 15
            color: pill.tint
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: pill.text
            font: TextStyle.font(15, Font.Medium)
            color: pill.tint
        }
    }
    background: Rectangle {
        radius: height / 2
        color: Colors.tertiaryFill
    }
}
