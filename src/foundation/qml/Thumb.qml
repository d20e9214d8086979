// The 16:9 thumbnail of a video: the tertiary fill until the first picture of
// the thumbnail host that loads (large, then medium) fades in over it. With a
// radius, fill and picture come with rounded corners (the picture rounded
// once as it is decoded, so nothing masks it at every frame). Given the
// opaque `backdrop` behind it, and a `shadow` cast `shadowDrop` lower, the
// picture is finished over them and drawn opaque, without blending.
import QtQuick
import QtQuick.Window
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import Nimbelora.Foundation

Rectangle {
    id: root

    property string videoId
    // Decoded at the size shown, in device pixels; nothing is asked for until
    // the frame has a size, so no picture is ever decoded whole.
    readonly property size shownSize: Qt.size(Math.ceil(width), Math.ceil(height))
    readonly property bool sized: width >= 1 && height >= 1
    // A picture already in memory shows at once, without the fade.
    readonly property bool instant: sized && ImageLoader.hasThumb(videoId, Qt.size(Math.ceil(width * Screen.devicePixelRatio),
                                                                                   Math.ceil(height * Screen.devicePixelRatio)),
                                                                  radius * Screen.devicePixelRatio, backdrop, shadow,
                                                                  shadowDrop * Screen.devicePixelRatio)
    readonly property bool loaded: picture.status === Image.Ready
    // The picture has faded in and hides the whole frame.
    readonly property bool covered: picture.status === Image.Ready && picture.opacity === 1
    // What shows until the picture covers the frame.
    property color fill: Platform.Colors.tertiaryFill
    property color backdrop: "transparent"
    property color shadow: "transparent"
    property real shadowDrop: 0

    implicitWidth: 320
    implicitHeight: width * 9 / 16
    color: covered ? "transparent" : fill
    // A rounded picture is cut to the frame already.
    clip: radius <= 0

    Image {
        id: picture
        objectName: "thumbImage"
        anchors.fill: parent
        sourceSize: root.shownSize
        source: root.videoId.length > 0 && root.sized
                ? ImageLoader.thumbSource(root.videoId, root.radius * Screen.devicePixelRatio, root.backdrop, root.shadow,
                                         root.shadowDrop * Screen.devicePixelRatio)
                : ""
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
