// One remote picture filling its frame over the tertiary fill. An empty url
// keeps whatever was shown last; a url that fails leaves the fill.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Rectangle {
    id: root

    property string url
    // Cut the picture to the circle inscribed in the frame (avatars).
    property bool circle: false
    readonly property bool loaded: picture.status === Image.Ready

    property url shown

    function follow() {
        if (url.length > 0)
            shown = ImageLoader.source(url, circle)
    }
    onUrlChanged: follow()
    onCircleChanged: follow()
    Component.onCompleted: follow()

    implicitWidth: 64
    implicitHeight: 64
    color: Colors.tertiaryFill
    radius: circle ? Math.min(width, height) / 2 : 0
    clip: true

    Image {
        id: picture
        objectName: "remoteImage"
        anchors.fill: parent
        // Decoded at the size shown; nothing is asked for before there is one.
        sourceSize: Qt.size(Math.ceil(root.width), Math.ceil(root.height))
        source: root.width >= 1 && root.height >= 1 ? root.shown : ""
        fillMode: Image.PreserveAspectCrop
        asynchronous: true
        smooth: true
        opacity: status === Image.Ready ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 200; easing.type: Easing.OutQuad } }
    }
}
