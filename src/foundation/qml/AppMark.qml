// The app's logo: fifteen tiles forming a play triangle on a rounded square,
// drawn from shapes at any size.
import QtQuick
import QtQuick.Shapes

Item {
    id: root

    property real size: 64

    // (column, row) of each tile: columns of 5, 4, 3, 2 and 1 tiles, centred.
    readonly property var tiles: [
        [0, -2], [0, -1], [0, 0], [0, 1], [0, 2],
        [1, -1.5], [1, -0.5], [1, 0.5], [1, 1.5],
        [2, -1], [2, 0], [2, 1],
        [3, -0.5], [3, 0.5],
        [4, 0]
    ]
    readonly property real rowStep: 0.134 * size
    readonly property real columnStep: 0.866 * rowStep
    readonly property real tileSide: 0.104 * size
    readonly property real cornerRadius: 0.225 * size

    width: size
    height: size
    implicitWidth: size
    implicitHeight: size

    Shape {
        id: background
        objectName: "markBackground"
        anchors.fill: parent
        antialiasing: true
        // Without multisampling the GPU path renderer draws jagged edges.
        layer.enabled: GraphicsInfo.api !== GraphicsInfo.Software
        layer.samples: 4

        ShapePath {
            strokeWidth: -1
            strokeColor: "transparent"
            fillGradient: LinearGradient {
                x1: 0; y1: 0
                x2: root.size; y2: root.size
                GradientStop { position: 0; color: Qt.rgba(1.0, 0.49, 0.59, 1) }
                GradientStop { position: 0.5; color: Qt.rgba(1.0, 0.19, 0.345, 1) }
                GradientStop { position: 1; color: Qt.rgba(0.5, 0.0, 0.21, 1) }
            }
            startX: root.cornerRadius; startY: 0
            PathLine { x: root.size - root.cornerRadius; y: 0 }
            PathArc { x: root.size; y: root.cornerRadius; radiusX: root.cornerRadius; radiusY: root.cornerRadius }
            PathLine { x: root.size; y: root.size - root.cornerRadius }
            PathArc { x: root.size - root.cornerRadius; y: root.size; radiusX: root.cornerRadius; radiusY: root.cornerRadius }
            PathLine { x: root.cornerRadius; y: root.size }
            PathArc { x: 0; y: root.size - root.cornerRadius; radiusX: root.cornerRadius; radiusY: root.cornerRadius }
            PathLine { x: 0; y: root.cornerRadius }
            PathArc { x: root.cornerRadius; y: 0; radiusX: root.cornerRadius; radiusY: root.cornerRadius }
        }
    }

    Repeater {
        model: root.tiles

        Item {
            id: tile
            objectName: "tile" + index
            required property var modelData
            required property int index
            readonly property real side: root.tileSide
            readonly property real shadowBlur: 0.012 * root.size

            width: side
            height: side
            x: root.size / 2 + 0.006 * root.size + (modelData[0] - 2) * root.columnStep - side / 2
            y: root.size / 2 + modelData[1] * root.rowStep - side / 2

            // Soft shadow below the tile: two layers stand in for the blur.
            Rectangle {
                x: -tile.shadowBlur / 2
                y: 0.01 * root.size - tile.shadowBlur / 2
                width: tile.side + tile.shadowBlur
                height: tile.side + tile.shadowBlur
                radius: face.radius + tile.shadowBlur / 2
                color: "black"
                opacity: 0.07
                antialiasing: true
            }
            Rectangle {
                y: 0.01 * root.size
                width: tile.side
                height: tile.side
                radius: face.radius
                color: "black"
                opacity: 0.11
                antialiasing: true
            }
            Rectangle {
                id: face
                objectName: "tileFace"
                anchors.fill: parent
                radius: 0.32 * tile.side
                antialiasing: true
                gradient: Gradient {
                    GradientStop { position: 0; color: "white" }
                    GradientStop { position: 1; color: Qt.rgba(1.0, 0.84, 0.88, 1) }
                }
            }
        }
    }
}
