// A blurred shadow under a rounded shape, drawn as stacked translucent layers
// growing past it (the software scene graph has no blur). Fill the shape's
// own box with it and put it under the shape.
import QtQuick

Item {
    id: shadow

    // The shape's corner radius.
    property real radius: 0
    // How far the outermost layer reaches past the shape.
    property real spread: 10
    property int layers: 4
    property real offsetY: 0
    property color color: "black"
    // The opacity where all layers overlap.
    property real strength: 0.3

    enabled: false

    Repeater {
        model: shadow.layers
        Rectangle {
            required property int index
            readonly property real grow: shadow.spread * (index + 1) / shadow.layers
            x: -grow
            y: shadow.offsetY - grow
            width: shadow.width + 2 * grow
            height: shadow.height + 2 * grow
            radius: shadow.radius + grow
            antialiasing: true
            color: shadow.color
            opacity: shadow.strength / shadow.layers
        }
    }
}
