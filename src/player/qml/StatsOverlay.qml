// The statistics box over the video. The lines are no observed state, so a
// one-second timer reads them again, only while the box is shown.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Playback

Rectangle {
    id: box

    required property PlayerStore player
    property var lines: []

    objectName: "statsOverlay"
    width: column.implicitWidth + 20
    height: column.implicitHeight + 20
    radius: 12
    color: Qt.rgba(0, 0, 0, 0.7)

    Timer {
        interval: 1000
        repeat: true
        triggeredOnStart: true
        running: box.visible
        onTriggered: box.lines = box.player.statsLines()
    }

    Column {
        id: column
        x: 10
        y: 10
        spacing: 2

        Text {
            text: "Estadísticas"
            font: TextStyle.font(12, Font.Bold)
            color: "white"
        }
        Repeater {
            model: box.lines
            DigitText {
                required property string modelData
                objectName: "statsLine"
                text: modelData
                font: TextStyle.caption2
                color: "white"
            }
        }
    }
}
