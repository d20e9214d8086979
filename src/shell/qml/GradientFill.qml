// A rounded rectangle filled with a two-colour gradient from its top-leading
// to its bottom-trailing corner (QtQuick's own gradients run only along an axis).
import QtQuick
import QtQuick.Shapes

Shape {
    id: fill

    property color from
    property color to
    property real radius: height / 2

    readonly property real r: Math.min(radius, width / 2, height / 2)

    antialiasing: true

    ShapePath {
        strokeWidth: -1
        strokeColor: "transparent"
        fillGradient: LinearGradient {
            x1: 0; y1: 0
            x2: fill.width; y2: fill.height
            GradientStop { position: 0; color: fill.from }
            GradientStop { position: 1; color: fill.to }
        }
        startX: fill.r; startY: 0
        PathLine { x: fill.width - fill.r; y: 0 }
        PathArc { x: fill.width; y: fill.r; radiusX: fill.r; radiusY: fill.r }
        PathLine { x: fill.width; y: fill.height - fill.r }
        PathArc { x: fill.width - fill.r; y: fill.height; radiusX: fill.r; radiusY: fill.r }
        PathLine { x: fill.r; y: fill.height }
        PathArc { x: 0; y: fill.height - fill.r; radiusX: fill.r; radiusY: fill.r }
        PathLine { x: 0; y: fill.r }
        PathArc { x: fill.r; y: 0; radiusX: fill.r; radiusY: fill.r }
    }
}
