// The seek bar: track, sponsor marks, loop band, played part, chapter ticks
// and thumb. A touch anywhere on its 30-point height starts a drag that
// reports every position (scrubbed) and the release (committed); it knows
// no store.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Player

Item {
    id: scrubber

    property real duration: 0
    property real current: 0
    property var chapters: []
    property var segments: []
    property var loopA
    property var loopB

    signal scrubbed(real t)
    signal committed(real t)
    signal cancelled()

    readonly property alias geometry: geo

    implicitHeight: 30

    ScrubberModel {
        id: geo
        width: scrubber.width
        duration: scrubber.duration
        current: scrubber.current
        chapters: scrubber.chapters
        segments: scrubber.segments
        loopA: scrubber.loopA
        loopB: scrubber.loopB
        onScrubbed: (t) => scrubber.scrubbed(t)
        onCommitted: (t) => scrubber.committed(t)
        onCancelled: scrubber.cancelled()
    }

    // Sizes spring between the idle and the dragging bar.
    property real trackHeight: geo.trackHeight
    property real thumbSize: geo.thumbSize
    Behavior on trackHeight { Spring { response: 0.25; dampingFraction: 0.8 } }
    Behavior on thumbSize { Spring { response: 0.25; dampingFraction: 0.8 } }

    // Position updates from the store glide, with the pictures of `engine`
    // while they flow; hidden, the bar jumps. The finger is followed at once.
    property MediaEngine engine: null
    FrameGlide {
        id: playedGlide
        engine: scrubber.engine
        target: geo.playedWidth
        animated: scrubber.visible && !geo.dragging
    }
    FrameGlide {
        id: thumbGlide
        engine: scrubber.engine
        target: geo.thumbX
        animated: scrubber.visible && !geo.dragging
    }
    readonly property real playedWidth: geo.dragging ? geo.playedWidth : playedGlide.value
    readonly property real thumbX: geo.dragging ? geo.thumbX : thumbGlide.value

    Item {
        id: bar
        anchors.fill: parent
        enabled: false

        Rectangle {
            objectName: "scrubberTrack"
            width: parent.width
            height: scrubber.trackHeight
            anchors.verticalCenter: parent.verticalCenter
            radius: height / 2
            color: Qt.rgba(1, 1, 1, 0.28)
        }

        Repeater {
            objectName: "sponsorMarks"
            model: geo.segmentMarks
            Rectangle {
                required property var modelData
                x: modelData.x
                width: modelData.width
                height: scrubber.trackHeight
                anchors.verticalCenter: parent.verticalCenter
                color: Qt.rgba(0.2, 0.78, 0.35, 0.8)
            }
        }

        Rectangle {
            objectName: "loopBand"
            visible: geo.loopBand.visible
            x: geo.loopBand.x
            width: geo.loopBand.width
            height: scrubber.trackHeight + 4
            anchors.verticalCenter: parent.verticalCenter
            color: Colors.alpha(Theme.accent, 0.9)
        }

        Rectangle {
            objectName: "scrubberPlayed"
            width: scrubber.playedWidth
            height: scrubber.trackHeight
            anchors.verticalCenter: parent.verticalCenter
            radius: height / 2
            color: "white"
        }

        Repeater {
            objectName: "chapterTicks"
            model: geo.chapterTicks
            Rectangle {
                required property var modelData
                x: modelData
                width: 2
                height: scrubber.trackHeight
                anchors.verticalCenter: parent.verticalCenter
                color: Qt.rgba(0, 0, 0, 0.55)
            }
        }

        // A darker ring stands in for the thumb's shadow.
        Rectangle {
            x: scrubber.thumbX - 1
            width: scrubber.thumbSize + 2
            height: width
            radius: width / 2
            anchors.verticalCenter: parent.verticalCenter
            color: Qt.rgba(0, 0, 0, 0.3)
        }
        Rectangle {
            objectName: "scrubberThumb"
            x: scrubber.thumbX
            width: scrubber.thumbSize
            height: width
            radius: width / 2
            anchors.verticalCenter: parent.verticalCenter
            color: "white"
        }
    }

    MouseArea {
        objectName: "scrubberTouch"
        anchors.fill: parent
        preventStealing: true
        onPressed: (mouse) => geo.move(mouse.x)
        onPositionChanged: (mouse) => { if (pressed) geo.move(mouse.x) }
        onReleased: (mouse) => geo.release(mouse.x)
        onCanceled: geo.cancel()
    }
}
