// The touch layer of the video: a tap zone per half (with its skip badge),
// and over both the hold, the pan and the pinch. It only reports touches;
// what they do is PlayerGestureModel's.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Playback
import Nimbelora.Player

Item {
    id: area

    required property PlayerStore player
    required property PlayerOverlayModel overlay
    readonly property alias model: gestures
    // Off, a vertical drag is left to whatever lies under the video.
    property bool panEnabled: true

    PlayerGestureModel {
        id: gestures
        player: area.player
        overlay: area.overlay
        areaWidth: area.width
    }

    Repeater {
        model: [-1, 1]

        Item {
            id: zone
            required property int modelData
            readonly property int side: modelData
            readonly property bool flashing: gestures.flash === side

            objectName: side < 0 ? "tapZoneLeft" : "tapZoneRight"
            // Its taps count: a double click skips.
            PointerGate.doubleClicks: true
            x: side < 0 ? 0 : area.width / 2
            width: area.width / 2
            height: area.height

            // A press held long enough to boost is no tap.
            TapHandler {
                longPressThreshold: gestures.holdDelay / 1000
                onTapped: gestures.tap(zone.side, tapCount)
            }

            Rectangle {
                id: badge
                objectName: "skipBadge"
                anchors.centerIn: parent
                width: 34 + 44
                height: width
                radius: width / 2
                color: Qt.rgba(0, 0, 0, 0.35)
                enabled: false
                visible: shown > 0.001
                opacity: Math.min(shown, 1)
                scale: Math.max(shown, 0.00001)

                property real shown: zone.flashing ? 1 : 0
                Behavior on shown {
                    Spring {
                        response: 0.3
                        dampingFraction: zone.flashing ? 0.7 : 1
                    }
                }

                Symbol {
                    anchors.centerIn: parent
                    name: zone.side < 0 ? "gobackward" : "goforward"
                    size: 34
                    color: "white"
                }
                Text {
                    objectName: "skipBadgeStep"
                    anchors.centerIn: parent
                    anchors.verticalCenterOffset: 1
                    text: area.overlay.skipStep
                    font: TextStyle.font(11, Font.Black)
                    color: "white"
                }
            }
        }
    }

    // The finger, for the press-and-hold; it never takes the touch.
    PointHandler {
        onActiveChanged: {
            if (active)
                gestures.press(point.position.x, point.position.y)
            else
                gestures.release()
        }
        onPointChanged: if (active) gestures.move(point.position.x, point.position.y)
    }

    // Wins over the cover's drag-to-close: both start at the system's drag
    // distance, this one gets the touch first and lets no other drag take it
    // away, only the pinch (the model waits for 14 points itself).
    DragHandler {
        objectName: "panHandler"
        target: null
        enabled: area.panEnabled
        grabPermissions: PointerHandler.CanTakeOverFromHandlersOfSameType | PointerHandler.CanTakeOverFromItems
                         | PointerHandler.ApprovesTakeOverByItems | PointerHandler.ApprovesTakeOverByHandlersOfDifferentType
        onTranslationChanged: if (active) gestures.pan(centroid.pressPosition.x, translation.x, translation.y)
        onGrabChanged: (transition, point) => {
            if (transition === PointerDevice.UngrabExclusive)
                gestures.endPan()
            else if (transition === PointerDevice.CancelGrabExclusive)
                gestures.cancelPan()
        }
    }

    PinchHandler {
        target: null
        onActiveScaleChanged: if (active) gestures.pinch(activeScale)
        onActiveChanged: if (!active) gestures.endPinch()
    }
}
