// How much of a video was watched: a 3-point bar along the bottom of the
// space it is given, when the setting allows it and the library has a
// fraction for the video.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library

Item {
    id: root

    required property video video
    required property LibraryStore library

    readonly property bool show: Preferences.showProgress
    // Saved positions are not observed: the bar is computed when the view is made.
    readonly property var fraction: show ? library.progressValue(video) : undefined

    visible: fraction !== undefined

    Rectangle {
        objectName: "progressTrack"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 3
        color: Qt.rgba(0, 0, 0, 0.45)

        Rectangle {
            objectName: "progressFill"
            anchors.left: parent.left
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            width: root.fraction !== undefined ? parent.width * root.fraction : 0
            color: Theme.accent
        }
    }
}
