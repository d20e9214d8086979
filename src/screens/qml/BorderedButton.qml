// A bordered button: the accent tint on a light accent fill, or, prominent,
// white on the accent; an optional symbol before the title.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation

Basic.Button {
    id: button

    property string symbol
    property bool prominent: false
    readonly property color ink: prominent ? "white" : Theme.accent

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
                font: TextStyle.font(15, Font.DemiBold)
                color: button.ink
            }
        }
    }

    background: Rectangle {
        implicitHeight: 34
        radius: 8
        color: button.prominent ? (button.down ? Qt.darker(Theme.accent, 1.15) : Theme.accent)
                                : Colors.alpha(Theme.accent, button.down ? 0.25 : 0.15)
    }
}
