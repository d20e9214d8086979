// A GridView with as many columns as fit at `minimumColumn` wide, stretched to fill the width; delegates wrap their content in AdaptiveGrid.Cell.
import QtQuick
import Nimbelora.Foundation

GridView {
    id: grid

    property real minimumColumn: 340
    property real spacing: 20
    property real rowSpacing: spacing
    // Height of one cell's content; the row spacing comes on top.
    property real rowHeight: columnWidth

    readonly property real availableWidth: Math.max(0, width - leftMargin - rightMargin)
    readonly property int columns: Math.max(1, Math.floor((availableWidth + spacing) / (minimumColumn + spacing)))
    readonly property real columnWidth: Math.max(0, (availableWidth - (columns - 1) * spacing) / columns)

    // GridView counts floor(width / cellWidth) columns: keep that from rounding down to one fewer.
    cellWidth: Math.max(1, availableWidth / columns - 1e-6)
    cellHeight: Math.max(1, rowHeight + rowSpacing)

    // GridView has no column spacing: each cell shifts its content so that columns sit
    // `spacing` apart with the outer ones flush to the edges.
    component Cell: Item {
        id: cell

        default property alias content: inner.data
        readonly property var grid: GridView.view
        readonly property int column: grid ? Math.round(x / grid.cellWidth) : 0

        width: grid ? grid.cellWidth : 0
        height: grid ? grid.cellHeight : 0

        Item {
            id: inner
            x: cell.grid ? cell.column * (cell.grid.columnWidth + cell.grid.spacing) - cell.x : 0
            width: cell.grid ? cell.grid.columnWidth : 0
            height: cell.grid ? cell.grid.rowHeight : 0
        }
    }
}
