// The search's start page, while no query has been run: "Explorar todo" and
// ten topic tiles in two columns; a tile searches its topic.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Shell

Flickable {
    id: page

    required property SearchModel search

    readonly property var topics: [
        { id: "Música", symbol: "music.note", query: "música nueva", colors: ["pink", "red"] },
        { id: "Videojuegos", symbol: "gamecontroller.fill", query: "gameplay", colors: ["purple", "indigo"] },
        { id: "Noticias", symbol: "newspaper.fill", query: "noticias hoy", colors: ["orange", "red"] },
        { id: "Deportes", symbol: "sportscourt.fill", query: "resumen deportes", colors: ["green", "teal"] },
        { id: "Tecnología", symbol: "cpu.fill", query: "tecnología review", colors: ["blue", "cyan"] },
        { id: "Cine", symbol: "film.fill", query: "tráiler oficial", colors: ["indigo", "purple"] },
        { id: "Cocina", symbol: "fork.knife", query: "recetas fáciles", colors: ["orange", "yellow"] },
        { id: "Ciencia", symbol: "atom", query: "ciencia documental", colors: ["teal", "blue"] },
        { id: "Humor", symbol: "face.smiling.fill", query: "humor", colors: ["yellow", "orange"] },
        { id: "Viajes", symbol: "airplane", query: "viajes vlog", colors: ["cyan", "blue"] }
    ]

    function color(name) { return Colors[name] }

    contentHeight: column.height + 32
    boundsBehavior: Flickable.StopAtBounds
    clip: true
    ScrollIndicator.vertical: ScrollIndicator {}

    Column {
        id: column
        x: 16
        y: 16
        width: page.width - 32
        spacing: 20

        Text {
            text: "Explorar todo"
            font: TextStyle.font(20, Font.Bold)
            color: Colors.label
        }

        Grid {
            id: tiles
            columns: 2
            columnSpacing: 12
            rowSpacing: 12
            readonly property real tileWidth: (column.width - columnSpacing) / 2

            Repeater {
                model: page.topics

                PressableStyle {
                    id: tile
                    required property var modelData
                    readonly property color first: page.color(modelData.colors[0])

                    objectName: "topicTile"
                    width: tiles.tileWidth
                    height: 96
                    focusPolicy: Qt.NoFocus
                    Accessible.name: modelData.id
                    onClicked: page.search.pickTopic(tile.modelData.query)

                    contentItem: Item {
                        // The first colour at 30 %, radius 8, 4 down.
                        SoftShadow {
                            anchors.fill: parent
                            radius: 18
                            spread: 6
                            offsetY: 4
                            color: tile.first
                            strength: 0.3
                        }

                        Item {
                            anchors.fill: parent
                            clip: true

                            CornerGradient {
                                anchors.fill: parent
                                radius: 18
                                from: tile.first
                                to: page.color(tile.modelData.colors[1])
                            }

                            // Large and faint, cut off by the tile's right edge.
                            Symbol {
                                x: parent.width - 34
                                y: -4
                                name: tile.modelData.symbol
                                size: 56
                                rotation: -14
                                color: Qt.rgba(1, 1, 1, 0.22)
                            }
                        }

                        // Only the symbol's corner needs rounding (the gradient is
                        // rounded itself): a mask over the others would cut
                        // notches out of the shadow.
                        Item {
                            anchors.top: parent.top
                            anchors.right: parent.right
                            width: 18
                            height: 18
                            clip: true
                            CornerMask {
                                x: 18 - width
                                width: tile.contentItem.width
                                height: tile.contentItem.height
                                radius: 18
                                color: Colors.background
                            }
                        }

                        Text {
                            x: 12
                            anchors.bottom: parent.bottom
                            anchors.bottomMargin: 12
                            width: parent.width - 24
                            text: tile.modelData.id
                            elide: Text.ElideRight
                            font: TextStyle.headline
                            color: "white"
                        }
                    }
                }
            }
        }
    }
}
