// A NumberAnimation shaped like a spring of the given response (seconds) and damping fraction.
import QtQuick
import Nimbelora.Foundation

NumberAnimation {
    property real response: 0.3
    property real dampingFraction: 0.8

    duration: Motion.springDuration(response, dampingFraction)
    easing.type: Motion.springEasing
    easing.overshoot: Motion.springOvershoot(dampingFraction)
}
