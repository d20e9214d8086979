// The see-through dark backing of everything laid over the video (pills,
// badges, round buttons, cards). There is no blur under the software scene
// graph, so a translucent fill stands in for it.
import QtQuick

Rectangle {
    color: Qt.rgba(0.16, 0.16, 0.17, 0.62)
    border.width: 0.5
    border.color: Qt.rgba(1, 1, 1, 0.1)
}
