// A bordered button: the tint on a light fill of it, or, prominent, white on
// the tint (the accent unless told); an optional symbol before the title.
// Its size, font and corners are a site's own.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation

Basic.Button {
    id: button

    property string symbol
    property bool prominent: false
    property color tint: Theme.accent
    property real radius: 8
    property real minimumHeight: 34
    readonly property color ink: prominent ? "white" : tint

    font: TextStyle.font(15, Font.DemiBold)
    leftPadding: 14
    rightPadding: 14
    topPadding: 7
    bottomPadding: 7

    contentItem: Item {
        implicitWidth: content.implicitWidth
        implicitHeight: content.implicitHeight

        Row {
            id: content
            anchors.centerIn: parent
            spacing: 6

            Symbol {
                visible: button.symbol.length > 0
                anchors.verticalCenter: parent.verticalCenter
                name: button.symbol
                size: 15
                color: button.ink
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: button.text
                textFormat: Text.PlainText
                font: button.font
                color: button.ink
            }
        }
    }

    background: Rectangle {
        implicitHeight: button.minimumHeight
        radius: button.radius
        color: button.prominent ? (button.down ? Qt.darker(button.tint, 1.15) : button.tint)
                                : Colors.alpha(button.tint, button.down ? 0.25 : 0.15)
    }
}
