// The heads-up display of a pan: its symbol and a bar of its value. It
// grows in with the pan and shrinks away once the model clears it.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

OverlayMaterial {
    id: hud

    property bool shown
    property string symbol
    property real value

    property real progress: shown ? 1 : 0
    Behavior on progress { Spring { response: 0.3; dampingFraction: 0.85 } }

    enabled: false
    visible: progress > 0.001
    opacity: Math.min(progress, 1)
    scale: Math.max(progress, 0.00001)
    width: row.implicitWidth + 32
    height: row.implicitHeight + 24
    radius: height / 2

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 10

        Symbol {
            objectName: "hudSymbol"
            anchors.verticalCenter: parent.verticalCenter
            name: hud.symbol
            size: 18
            color: "white"
        }
        Item {
            anchors.verticalCenter: parent.verticalCenter
            width: 110
            height: 5
            Rectangle {
                anchors.fill: parent
                radius: height / 2
                color: Qt.rgba(1, 1, 1, 0.3)
            }
            Rectangle {
                objectName: "hudBar"
                width: hud.value * parent.width
                height: parent.height
                radius: height / 2
                color: "white"
            }
        }
    }
}
