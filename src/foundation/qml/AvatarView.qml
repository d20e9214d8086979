// A round channel or account avatar: the picture when there is an address,
// else the name's initial on the name's own colour.
import QtQuick
import Nimbelora.Platform
import QtQuick.Shapes
import Nimbelora.Foundation

Item {
    id: root

    property string name
    property string url
    property real size: 40

    readonly property bool hasPicture: ImageLoader.isValidURL(url)
    readonly property color tint: AvatarLook.tint(name)

    width: size
    height: size
    implicitWidth: size
    implicitHeight: size

    RemoteImage {
        objectName: "avatarImage"
        visible: root.hasPicture
        anchors.fill: parent
        circle: true
        url: root.hasPicture ? root.url : ""
    }

    Shape {
        objectName: "avatarFallback"
        visible: !root.hasPicture
        anchors.fill: parent
        antialiasing: true
        // Without multisampling the GPU path renderer draws jagged edges.
        layer.enabled: visible && GraphicsInfo.api !== GraphicsInfo.Software
        layer.samples: 4

        ShapePath {
            strokeWidth: -1
            strokeColor: "transparent"
            fillGradient: LinearGradient {
                x1: 0; y1: 0
                x2: root.size; y2: root.size
                GradientStop { position: 0; color: root.tint }
                GradientStop { position: 1; color: Qt.rgba(root.tint.r, root.tint.g, root.tint.b, 0.65) }
            }
            startX: root.size / 2; startY: 0
            PathArc { x: root.size / 2; y: root.size; radiusX: root.size / 2; radiusY: root.size / 2 }
            PathArc { x: root.size / 2; y: 0; radiusX: root.size / 2; radiusY: root.size / 2 }
        }
    }

    Text {
        objectName: "avatarInitial"
        visible: !root.hasPicture
        anchors.centerIn: parent
        text: AvatarLook.initial(root.name)
        color: "white"
        font: TextStyle.font(Math.max(1, Math.round(root.size * 0.42)), Font.DemiBold)
    }
}
