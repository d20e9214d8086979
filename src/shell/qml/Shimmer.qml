// The pulse of a placeholder: its content fades between 0.55 and 1 and back,
// one second each way, for as long as it is shown.
import QtQuick

Item {
    id: root

    default property alias content: holder.data
    property real phase: -1

    implicitWidth: holder.childrenRect.width
    implicitHeight: holder.childrenRect.height

    Item {
        id: holder
        anchors.fill: parent
        opacity: 1 - 0.45 * Math.abs(root.phase)
    }

    SequentialAnimation on phase {
        running: root.visible
        loops: Animation.Infinite
        NumberAnimation { from: -1; to: 1; duration: 1000; easing.type: Easing.InOutQuad }
        NumberAnimation { from: 1; to: -1; duration: 1000; easing.type: Easing.InOutQuad }
    }
}
