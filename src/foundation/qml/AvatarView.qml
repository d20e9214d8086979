// A round channel or account avatar: the picture when there is an address,
// else the name's initial on the name's own colour.
import QtQuick
import Nimbelora.Platform
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

    AvatarDisc {
        objectName: "avatarFallback"
        visible: !root.hasPicture
        anchors.fill: parent
        tint: root.tint
    }

    Text {
        objectName: "avatarInitial"
        visible: !root.hasPicture
        anchors.centerIn: parent
        text: AvatarLook.initial(root.name)
        textFormat: Text.PlainText
        color: "white"
        font: TextStyle.font(Math.max(1, Math.round(root.size * 0.42)), Font.DemiBold)
    }
}
