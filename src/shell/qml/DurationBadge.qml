// The length of a video in the bottom trailing corner of its thumbnail, or
// "DIRECTO" for a live one; nothing at all for a video without a length.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

// The pill itself, with no margin of its own: the holder places it.
Rectangle {
    id: root

    required property video video

    readonly property bool live: video.live
    readonly property bool shown: live || video.duration >= 1
    readonly property string text: live ? "DIRECTO" : (shown ? Fmt.clock(video.duration) : "")

    visible: shown
    implicitWidth: shown ? label.implicitWidth + 12 : 0
    implicitHeight: shown ? label.implicitHeight + 6 : 0
    width: implicitWidth
    height: implicitHeight
    radius: 6
    color: root.live ? Theme.accent : Qt.rgba(0, 0, 0, 0.72)

    DigitText {
        id: label
        objectName: "durationText"
        anchors.centerIn: parent
        text: root.text
        color: "white"
        font: TextStyle.font(11, root.live ? Font.Black : Font.DemiBold)
    }
}
