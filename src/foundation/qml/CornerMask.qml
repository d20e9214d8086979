// Rounds the corners of what lies under it by covering them in the colour
// around it (the software scene graph has no clipping masks).
import QtQuick
import QtQuick.Shapes
import Nimbelora.Platform

Shape {
    id: mask

    property real radius: 9
    property color color: Colors.background

    enabled: false
    antialiasing: true

    ShapePath {
        fillColor: mask.color
        strokeWidth: -1
        strokeColor: "transparent"
        fillRule: ShapePath.OddEvenFill
        // One path element rather than a dozen: masks are made with every card.
        PathSvg {
            path: {
                const w = mask.width, h = mask.height, r = mask.radius
                const arc = " A " + r + " " + r + " 0 0 1 "
                return "M 0 0 H " + w + " V " + h + " H 0 Z"
                        + " M " + r + " 0 H " + (w - r) + arc + w + " " + r
                        + " V " + (h - r) + arc + (w - r) + " " + h
                        + " H " + r + arc + "0 " + (h - r)
                        + " V " + r + arc + r + " 0 Z"
            }
        }
    }
}
