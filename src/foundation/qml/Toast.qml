// Transient capsule message at the bottom (or top) edge: bind `text` (shown while not empty) or call show(text) for `duration` ms; a newer text replaces the older at once.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    property string text
    property int duration: 2200
    property int edge: Qt.BottomEdge
    property real edgeMargin: 24
    readonly property bool shown: text.length > 0

    // Restarts the timer, so a newer message always gets its full time.
    function show(message) {
        text = message
        if (message.length > 0)
            timer.restart()
        else
            timer.stop()
    }

    // Keeps the last text on the pill while it fades out.
    property string _last
    onTextChanged: if (text.length > 0) _last = text

    enabled: false

    Timer {
        id: timer
        interval: root.duration
        onTriggered: root.text = ""
    }

    Rectangle {
        id: pill
        objectName: "toastPill"
        anchors.horizontalCenter: parent.horizontalCenter
        y: root.edge === Qt.TopEdge
           ? root.edgeMargin - (1 - pill.progress) * 20
           : root.height - height - root.edgeMargin + (1 - pill.progress) * 20
        width: Math.min(label.implicitWidth + 28, root.width - 48)
        height: label.implicitHeight + 16
        radius: height / 2
        color: Colors.toastBackground
        border.width: 0.5
        border.color: Colors.separator
        visible: progress > 0
        opacity: progress

        property real progress: root.shown ? 1 : 0
        Behavior on progress { NumberAnimation { duration: Motion.standard; easing.type: Motion.standardEasing } }

        Text {
            id: label
            objectName: "toastText"
            anchors.centerIn: parent
            width: Math.min(implicitWidth, root.width - 76)
            text: root._last
            textFormat: Text.PlainText
            color: Colors.label
            font: TextStyle.font(13, Font.DemiBold)
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }
    }
}
