// The 16:9 thumbnail of a video: the tertiary fill until the first picture of
// the thumbnail host that loads (large, then medium) fades in over it.
import QtQuick
import Nimbelora.Platform
// Qualified: QtQuick has a `Palette` type of its own that can shadow ours.
import Nimbelora.Platform as Platform
import Nimbelora.Foundation

Rectangle {
    id: root

    property string videoId
    // A picture already in memory shows at once, without the fade.
    readonly property bool instant: ImageLoader.hasThumb(videoId)
    readonly property bool loaded: picture.status === Image.Ready

    implicitWidth: 320
    implicitHeight: width * 9 / 16
    color: Platform.Colors.tertiaryFill
    clip: true

    Image {
        id: picture
        objectName: "thumbImage"
        anchors.fill: parent
        source: root.videoId.length > 0 ? ImageLoader.thumbSource(root.videoId) : ""
        fillMode: Image.PreserveAspectCrop
        asynchronous: true
        smooth: true
        opacity: status === Image.Ready ? 1 : 0
        Behavior on opacity {
            enabled: !root.instant
            NumberAnimation { duration: 200; easing.type: Easing.OutQuad }
        }
    }
}
