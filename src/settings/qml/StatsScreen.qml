// "Estadísticas": the week's count and estimated time, videos per day over
// the last seven days, the channels watched most and the sizes of the local
// lists, all from the local library and recomputed when it changes.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Settings

Rectangle {
    id: root

    required property LibraryStore library
    property bool active: true
    readonly property string title: LibraryRoutes.stats().title
    readonly property StatsModel model: stats

    color: Colors.groupedBackground

    StatsModel {
        id: stats
        library: root.library
    }

    // A new day may have begun since the last look.
    Appearance {
        active: root.active
        onAppeared: stats.refresh()
    }

    component Tile: Rectangle {
        id: tile
        property string value
        property string caption
        property string symbol
        property color tint
        height: tileColumn.height + 28
        radius: 18
        color: Colors.secondaryGroupedBackground
        Column {
            id: tileColumn
            x: 14
            y: 14
            width: parent.width - 28
            spacing: 8
            Rectangle {
                width: 40
                height: 40
                radius: 11
                gradient: Gradient {
                    GradientStop { position: 0; color: Qt.lighter(tile.tint, 1.15) }
                    GradientStop { position: 1; color: tile.tint }
                }
                Symbol { anchors.centerIn: parent; name: tile.symbol; size: 20; color: "white" }
            }
            Text {
                text: tile.value
                textFormat: Text.PlainText
                font.family: TextStyle.title2.family
                font.pixelSize: TextStyle.title2.pixelSize
                font.bold: true
                color: Colors.label
            }
            Text {
                text: tile.caption
                font: TextStyle.caption
                color: Colors.secondaryLabel
            }
        }
    }

    component CountRow: GroupedRow {
        property int count
        interactive: false
        detail: String(count)
    }

    Flickable {
        objectName: "statsList"
        anchors.fill: parent
        contentHeight: content.height + 48
        boundsBehavior: Flickable.StopAtBounds
        Basic.ScrollIndicator.vertical: Basic.ScrollIndicator {}

        Column {
            id: content
            y: 20
            width: parent.width
            spacing: 28

            Row {
                x: 16
                spacing: 12
                Tile {
                    objectName: "weekTile"
                    width: (content.width - 32 - 12) / 2
                    value: String(stats.weekCount)
                    caption: "vídeos esta semana"
                    symbol: "play.rectangle.fill"
                    tint: Colors.pink
                }
                Tile {
                    objectName: "timeTile"
                    width: (content.width - 32 - 12) / 2
                    value: stats.timeText
                    caption: "tiempo estimado"
                    symbol: "clock.fill"
                    tint: Colors.orange
                }
            }

            GroupedSection {
                header: "Vídeos por día"

                Item {
                    id: chart
                    objectName: "chart"
                    width: parent.width
                    height: 160 + 12 + 20
                    readonly property int maxValue: stats.chartMax
                    // Integer grid lines: at most five, evenly spaced.
                    readonly property int step: Math.max(1, Math.ceil(maxValue / 4))
                    readonly property real plotTop: 6 + 8
                    readonly property real plotHeight: 160 - 8 - 20
                    readonly property real plotWidth: width - 32 - 28

                    Repeater {
                        model: Math.floor(chart.maxValue / chart.step) + 1
                        Item {
                            required property int index
                            readonly property int value: index * chart.step
                            y: chart.plotTop + chart.plotHeight * (1 - value / chart.maxValue)
                            width: chart.width
                            Rectangle {
                                x: 16
                                width: chart.plotWidth
                                height: 0.5
                                color: Colors.separator
                            }
                            Text {
                                x: 16 + chart.plotWidth + 6
                                anchors.verticalCenter: parent.top
                                text: String(parent.value)
                                font: TextStyle.caption2
                                color: Colors.secondaryLabel
                            }
                        }
                    }

                    Row {
                        x: 16
                        y: chart.plotTop
                        Repeater {
                            model: stats.days
                            Item {
                                required property var modelData
                                width: chart.plotWidth / 7
                                height: chart.plotHeight
                                CornerGradient {
                                    objectName: "bar"
                                    anchors.bottom: parent.bottom
                                    anchors.horizontalCenter: parent.horizontalCenter
                                    width: parent.width * 0.6
                                    height: chart.plotHeight * modelData.count / chart.maxValue
                                    radius: 6
                                    from: Theme.brandLight
                                    to: Theme.deep
                                }
                                Text {
                                    anchors.top: parent.bottom
                                    anchors.topMargin: 4
                                    anchors.horizontalCenter: parent.horizontalCenter
                                    text: modelData.label
                                    textFormat: Text.PlainText
                                    font: TextStyle.caption2
                                    color: Colors.secondaryLabel
                                }
                            }
                        }
                    }
                }
            }

            GroupedSection {
                header: "Canales que más ves"

                GroupedRow {
                    objectName: "noChannels"
                    visible: stats.topChannels.length === 0
                    interactive: false
                    text: "Todavía no hay datos."
                    titleColor: Colors.secondaryLabel
                }
                Repeater {
                    model: stats.topChannels
                    GroupedRow {
                        id: channelRow
                        required property var modelData
                        interactive: false
                        text: modelData.name
                        detail: String(modelData.count)
                        leading: Component { AvatarView { name: channelRow.modelData.name; size: 32 } }
                    }
                }
            }

            GroupedSection {
                CountRow { text: "Vídeos en el historial"; count: stats.historyCount }
                CountRow { text: "Me gusta"; count: stats.likedCount }
                CountRow { text: "Suscripciones"; count: stats.subscriptionCount }
                CountRow { text: "Listas propias"; count: stats.playlistCount }
            }
        }
    }
}
