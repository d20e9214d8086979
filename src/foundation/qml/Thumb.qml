// The 16:9 thumbnail of a video: the tertiary fill until the first picture of
// the thumbnail host that loads (large, then medium) fades in over it. With a
// radius, fill and picture come with rounded corners (the picture rounded
// once as it is decoded, so nothing masks it at every frame). With a
// `shadowDrop`, a drop shadow peeks out that far below. Given the opaque
// `backdrop` behind it, shadow, fill and picture come blended over it
// already (the picture as it is decoded): opaque, they are drawn without
// blending.
import QtQuick
import QtQuick.Window
import Nimbelora.Platform
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
                                                                  radius * Screen.devicePixelRatio, backdrop, _shadow,
                                                                  shadowDrop * Screen.devicePixelRatio)
    readonly property bool loaded: picture.status === Image.Ready
    // The picture has faded in and hides the whole frame.
    readonly property bool covered: picture.status === Image.Ready && picture.opacity === 1
    // What shows until the picture covers the frame.
    property color fill: Colors.tertiaryFill
    property color backdrop: "transparent"
    property real shadowDrop: 0

    readonly property bool _opaque: radius > 0 && backdrop.a === 1
    readonly property color _shadow: _opaque ? Qt.tint(backdrop, Qt.rgba(0, 0, 0, 0.06)) : Qt.rgba(0, 0, 0, 0.06)

    implicitWidth: 320
    implicitHeight: width * 9 / 16
    color: covered ? "transparent" : _opaque ? Qt.tint(shadowDrop > 0 ? _shadow : backdrop, fill) : fill
    // A rounded picture is cut to the frame already.
    clip: radius <= 0

    // The drop shadow, below the frame. Under an opaque fill or picture only
    // the strip that peeks out is drawn; under a translucent fill the shadow
    // shows through it.
    Item {
        readonly property bool strip: root._opaque || root.covered
        z: -1
        visible: root.shadowDrop > 0
        y: strip ? root.height : root.shadowDrop
        width: root.width
        height: strip ? root.shadowDrop : root.height
        clip: strip
        Rectangle {
            y: root.shadowDrop - parent.y
            width: parent.width
            height: root.height
            radius: root.radius
            color: root._shadow
        }
    }

    Image {
        id: picture
        objectName: "thumbImage"
        anchors.fill: parent
        sourceSize: root.shownSize
        source: root.videoId.length > 0 && root.sized
                ? ImageLoader.thumbSource(root.videoId, root.radius * Screen.devicePixelRatio, root.backdrop,
                                         root._shadow, root.shadowDrop * Screen.devicePixelRatio)
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
