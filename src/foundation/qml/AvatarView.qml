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

    // Only the look shown is made: lists make an avatar with every row.
    Loader {
        anchors.fill: parent
        sourceComponent: root.hasPicture ? picture : initial
    }

    Component {
        id: picture
        RemoteImage {
            objectName: "avatarImage"
            circle: true
            url: root.url
        }
    }

    Component {
        id: initial
        Item {
            AvatarDisc {
                objectName: "avatarFallback"
                anchors.fill: parent
                tint: root.tint
            }
            Text {
                objectName: "avatarInitial"
                anchors.centerIn: parent
                text: AvatarLook.initial(root.name)
                textFormat: Text.PlainText
                color: "white"
                font: TextStyle.font(Math.max(1, Math.round(root.size * 0.42)), Font.DemiBold)
            }
        }
    }
}
