// An icon with a soft shadow around it that takes no room: the item is the
// icon's size and the shadow, drawn into the same picture, reaches beyond it.
import QtQuick

Item {
    id: root

    property string name
    property color color: "white"
    property real size: 17
    property real shadowRadius: 3
    property color shadowColor: Qt.rgba(0, 0, 0, 0.33)
    // The picture leaves twice the radius around the icon for the shadow.
    readonly property real side: size + 4 * shadowRadius

    implicitWidth: size
    implicitHeight: size

    Image {
        anchors.centerIn: parent
        width: root.side
        height: root.side
        sourceSize: Qt.size(Math.ceil(root.side), Math.ceil(root.side))
        smooth: true
        source: root.name.length > 0
                ? "image://symbol/" + root.name + "?color=" + encodeURIComponent(root.color.toString())
                  + "&shadow=" + (root.shadowRadius / root.side)
                  + "&shadowColor=" + encodeURIComponent(root.shadowColor.toString())
                : ""
    }
}
