// List row whose content slides left to reveal trailing actions ({label, symbol, destructive, id}); a full swipe runs the first.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    default property alias content: slider.data
    property var actions: []
    property bool fullSwipe: true
    // The narrowest a button gets; a longer label widens its own button.
    property real actionWidth: 74
    // Share of the row's width past which letting go runs the first action.
    property real fullSwipeFraction: 0.6
    signal triggered(int index, var id)

    readonly property var actionWidths: {
        const widths = []
        for (let i = 0; i < actions.length; ++i)
            widths.push(Math.max(actionWidth, Math.ceil(labelMetrics.advanceWidth(actions[i].label || "")) + 24))
        return widths
    }
    readonly property real revealWidth: actionWidths.reduce((sum, w) => sum + w, 0)
    readonly property bool isOpen: offset < 0
    property real offset: 0

    function close() { offset = 0 }
    // At rest at once, without the spring: a row view that goes on to show another row.
    function reset() {
        _instant = true
        offset = 0
        _instant = false
    }
    property bool _instant: false

    // Last in every handler: the action may take this row out of its list,
    // and with it the context any later line would run in.
    function run(index) {
        const entry = actions[index]
        triggered(index, entry && entry.id !== undefined ? entry.id : index)
    }

    function _settle() {
        if (actions.length === 0) {
            offset = 0
        } else if (fullSwipe && -offset > width * fullSwipeFraction) {
            offset = -width
            close()
            run(0)
        } else if (-offset > revealWidth / 2) {
            offset = -revealWidth
        } else {
            offset = 0
        }
    }

    function _color(entry) {
        if (entry.destructive)
            return Colors.destructive
        return Colors.neutralAction
    }

    implicitWidth: slider.childrenRect.width
    implicitHeight: slider.childrenRect.height
    clip: true

    Behavior on offset {
        enabled: !drag.active && !root._instant
        Spring { response: 0.3; dampingFraction: 0.85 }
    }

    FontMetrics {
        id: labelMetrics
        font: TextStyle.font(13, Font.DemiBold)
    }

    Row {
        id: actionRow
        anchors.right: parent.right
        height: parent.height
        visible: root.offset < 0

        Repeater {
            model: root.actions

            delegate: Rectangle {
                id: action
                required property int index
                required property var modelData

                objectName: "swipeAction" + index
                height: actionRow.height
                // During a full swipe the first action takes the whole revealed width.
                width: root.fullSwipe && -root.offset > root.width * root.fullSwipeFraction
                       ? (index === 0 ? -root.offset : 0)
                       : -root.offset * (root.actionWidths[index] || 0) / Math.max(1, root.revealWidth)
                color: root._color(modelData)
                clip: true

                Column {
                    anchors.centerIn: parent
                    spacing: 3

                    Symbol {
                        visible: (action.modelData.symbol || "").length > 0
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: action.modelData.symbol || ""
                        size: 18
                        color: "white"
                    }

                    Text {
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: action.modelData.label || ""
                        color: "white"
                        font: labelMetrics.font
                    }
                }

                TapHandler {
                    onTapped: {
                        root.close()
                        root.run(action.index)
                    }
                }
            }
        }
    }

    Item {
        id: slider
        x: root.offset
        width: root.width
        height: root.height
    }

    // While open, a tap on the row only closes it.
    MouseArea {
        x: slider.x
        width: root.width
        height: root.height
        enabled: root.isOpen && !drag.active
        onClicked: root.close()
    }

    DragHandler {
        id: drag
        target: null
        yAxis.enabled: false
        enabled: root.actions.length > 0

        property real startOffset: 0
        onActiveChanged: {
            if (active)
                startOffset = root.offset
            else
                root._settle()
        }
        onTranslationChanged: {
            if (active)
                root.offset = Math.max(-root.width, Math.min(0, startOffset + translation.x))
        }
    }
}
