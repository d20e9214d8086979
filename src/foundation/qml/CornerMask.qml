// Rounds the corners of what lies under it by covering them in the colour
// around it (the software scene graph has no clipping masks).
import QtQuick
import QtQuick.Shapes
import Nimbelora.Platform as Platform

Shape {
    id: mask

    property real radius: 9
    property color color: Platform.Colors.background

    enabled: false
    antialiasing: true

    ShapePath {
        fillColor: mask.color
        strokeWidth: -1
        strokeColor: "transparent"
        fillRule: ShapePath.OddEvenFill
        startX: 0; startY: 0
        PathLine { x: mask.width; y: 0 }
        PathLine { x: mask.width; y: mask.height }
        PathLine { x: 0; y: mask.height }
        PathLine { x: 0; y: 0 }
        PathMove { x: mask.radius; y: 0 }
        PathLine { x: mask.width - mask.radius; y: 0 }
        PathArc { x: mask.width; y: mask.radius; radiusX: mask.radius; radiusY: mask.radius }
        PathLine { x: mask.width; y: mask.height - mask.radius }
        PathArc { x: mask.width - mask.radius; y: mask.height; radiusX: mask.radius; radiusY: mask.radius }
        PathLine { x: mask.radius; y: mask.height }
        PathArc { x: 0; y: mask.height - mask.radius; radiusX: mask.radius; radiusY: mask.radius }
        PathLine { x: 0; y: mask.radius }
        PathArc { x: mask.radius; y: 0; radiusX: mask.radius; radiusY: mask.radius }
    }
}
