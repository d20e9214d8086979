// Segmented control: one segment per label of `model`; a tap selects it and emits activated(index).
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    property var model: []
    property int currentIndex: 0
    signal activated(int index)

    readonly property int count: segments.count
    readonly property real segmentWidth: count > 0 ? (width - 4) / count : 0

    implicitWidth: 320
    implicitHeight: 32
    activeFocusOnTab: true

    function select(index) {
        if (index < 0 || index >= count || index === currentIndex)
            return
        currentIndex = index
        activated(index)
    }

    Keys.onLeftPressed: select(currentIndex - 1)
    Keys.onRightPressed: select(currentIndex + 1)

    Rectangle {
        anchors.fill: parent
        radius: 9
        color: Colors.tertiaryFill
    }

    Rectangle {
        id: thumb
        visible: root.currentIndex >= 0 && root.currentIndex < root.count
        x: 2 + root.currentIndex * root.segmentWidth
        y: 2
        width: root.segmentWidth
        height: root.height - 4
        radius: 7
        color: Colors.segmentThumb
        border.width: Colors.dark ? 0 : 0.5
        border.color: Qt.rgba(0, 0, 0, 0.04)

        Behavior on x { Spring { response: 0.3; dampingFraction: 0.85 } }
    }

    Repeater {
        id: segments
        model: root.model

        delegate: Item {
            id: segment
            required property int index
            required property var modelData

            objectName: "segment" + index
            x: 2 + index * root.segmentWidth
            y: 2
            width: root.segmentWidth
            height: root.height - 4

            // Hairline between two unselected neighbours, as the platform draws it.
            Rectangle {
                visible: segment.index > 0 && segment.index !== root.currentIndex
                         && segment.index - 1 !== root.currentIndex
                anchors.verticalCenter: parent.verticalCenter
                width: 1
                height: parent.height * 0.5
                color: Colors.separator
            }

            Text {
                anchors.fill: parent
                anchors.leftMargin: 6
                anchors.rightMargin: 6
                text: segment.modelData
                color: Colors.label
                font: TextStyle.font(13, segment.index === root.currentIndex ? Font.DemiBold : Font.Medium)
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
            }

            TapHandler {
                onTapped: root.select(segment.index)
            }
        }
    }
}
