// The timeline row of the player: the seek bar with its floating time while
// dragging, then the elapsed time, the current chapter, the remaining time
// and the full-screen toggle.
import QtQuick
import QtQuick.Layouts
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Playback
import Nimbelora.Player

Column {
    id: timeline

    required property PlayerStore player
    property bool landscape: false

    // A scrub was committed.
    signal interact()

    readonly property alias model: model

    spacing: 2

    TimelineModel {
        id: model
        player: timeline.player
        landscape: timeline.landscape
        shown: timeline.visible
        onInteracted: timeline.interact()
    }

    Item {
        width: timeline.width
        height: scrubber.implicitHeight

        Scrubber {
            id: scrubber
            objectName: "scrubber"
            anchors.fill: parent
            duration: timeline.player.duration
            current: timeline.player.currentTime
            engine: timeline.player.player
            chapters: timeline.player.detail !== undefined && timeline.player.detail !== null
                      ? timeline.player.detail.chapters : []
            segments: timeline.player.segments
            loopA: timeline.player.loopA
            loopB: timeline.player.loopB
            onScrubbed: (t) => model.scrub(t)
            onCommitted: (t) => model.commit(t)
            onCancelled: model.cancel()
        }

        OverlayMaterial {
            id: bubble
            objectName: "scrubBubble"
            readonly property bool wanted: model.scrubValue !== undefined
            property real shown: wanted ? 1 : 0
            Behavior on shown { NumberAnimation { duration: 180; easing.type: Easing.OutCubic } }
            visible: shown > 0.001
            scale: Math.max(0.00001, shown)
            opacity: shown
            anchors.horizontalCenter: parent.horizontalCenter
            y: -34
            width: bubbleText.implicitWidth + 20
            height: bubbleText.implicitHeight + 10
            radius: height / 2

            DigitText {
                id: bubbleText
                anchors.centerIn: parent
                // Keeps the last time while the bubble goes.
                property string last
                text: bubble.wanted ? model.scrubText : last
                onTextChanged: if (bubble.wanted) last = text
                font: TextStyle.font(13, Font.Bold)
                color: "white"
            }
        }
    }

    RowLayout {
        width: timeline.width
        height: 30
        spacing: 8

        DigitText {
            objectName: "elapsedTime"
            text: model.elapsed
            font: TextStyle.caption
            color: Qt.rgba(1, 1, 1, 0.9)
        }
        Text {
            objectName: "chapterTitle"
            visible: model.chapter !== undefined
            text: visible ? "· " + model.chapter : ""
            textFormat: Text.PlainText
            Layout.fillWidth: true
            // Whole points: a layout rounds a fractional width down, which
            // would elide a title that fits.
            Layout.preferredWidth: Math.ceil(implicitWidth)
            Layout.maximumWidth: Math.ceil(implicitWidth)
            font: TextStyle.caption
            color: Qt.rgba(1, 1, 1, 0.7)
            elide: Text.ElideRight
            maximumLineCount: 1
        }
        Item { Layout.fillWidth: true }
        DigitText {
            objectName: "remainingTime"
            text: model.remaining
            font: TextStyle.caption
            color: Qt.rgba(1, 1, 1, 0.9)
        }
        PressableStyle {
            objectName: "fullScreenButton"
            Layout.preferredWidth: 36
            Layout.preferredHeight: 30
            focusPolicy: Qt.NoFocus
            Accessible.name: model.fullScreenLabel
            onClicked: model.toggleFullScreen()
            contentItem: Item {
                Symbol {
                    objectName: "fullScreenIcon"
                    anchors.centerIn: parent
                    name: model.fullScreenSymbol
                    size: 15
                    color: Qt.rgba(1, 1, 1, 0.9)
                }
            }
        }
    }
}
