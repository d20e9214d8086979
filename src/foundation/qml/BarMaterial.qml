// The material of the bars (page bars, home's header): nearly opaque, so
// what scrolls beneath reads as no more than a shade, never as sharp text
// (the software renderer has no blur). It takes the clicks that land on it,
// so nothing under a bar answers them.
import QtQuick
import Nimbelora.Platform

Rectangle {
    id: material

    // The hairline along the bottom edge.
    property bool separator: true

    color: Colors.alpha(Colors.bar, 0.97)

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        hoverEnabled: true
        // The wheel still scrolls what lies beneath.
        onWheel: (wheel) => wheel.accepted = false
    }

    Rectangle {
        visible: material.separator
        anchors.bottom: parent.bottom
        width: parent.width
        height: 0.5
        color: Colors.separator
    }
}
