// Full-window cover that slides up while `presented` is true and slides away when it turns false.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Nimbelora.Platform
import Nimbelora.Foundation

Popup {
    id: cover

    property bool presented: false
    property color color: Colors.background

    readonly property real windowHeight: parent ? parent.height : 0
    // 0 off screen, 1 in place; driven by the enter and exit transitions.
    property real presentation: 0

    // Popup defers a visible cover until it has a window.
    visible: presented
    // No z of its own: covers, sheets and menus share z 0, so the last one
    // opened is on top and whatever opens inside a cover shows over it.

    parent: T.Overlay.overlay
    x: 0
    y: windowHeight * (1 - presentation)
    width: parent ? parent.width : 0
    height: windowHeight
    margins: -1
    padding: 0
    modal: true
    dim: false
    focus: true
    closePolicy: Popup.NoAutoClose

    // A cover sliding away takes no press: what it still covers answers
    // nothing (the overlay keeps that press), what it has uncovered takes its own.
    onAboutToHide: {
        modal = false
        enabled = false
    }
    onAboutToShow: {
        modal = true
        enabled = true
    }

    enter: Transition {
        Spring { property: "presentation"; from: 0; to: 1; response: 0.45; dampingFraction: 1 }
    }
    exit: Transition {
        NumberAnimation { property: "presentation"; to: 0; duration: Motion.standard + 50; easing.type: Easing.InOutCubic }
    }

    background: Rectangle {
        color: cover.color
    }
}
