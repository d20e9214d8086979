// A grid with as many columns as fit at `minimumColumn` wide, stretched to
// fill the width. It is a list of rows that reuses the rows scrolled away,
// cells and all, rather than making and dropping every cell as it passes:
// `cell` is an AdaptiveGrid.Cell, given the index of its item and, with a
// `role`, that role's value of the item.
import QtQuick
import Nimbelora.Foundation

ListView {
    id: grid

    // A model, or a number of items.
    property var source: null
    property string role
    property Component cell: null

    property real minimumColumn: 340
    property real spacing: 20
    property real rowSpacing: spacing
    // Height of one cell's content; the row spacing comes on top.
    property real rowHeight: columnWidth

    readonly property real availableWidth: Math.max(0, width - leftMargin - rightMargin)
    readonly property int columns: Math.max(1, Math.floor((availableWidth + spacing) / (minimumColumn + spacing)))
    readonly property real columnWidth: Math.max(0, (availableWidth - (columns - 1) * spacing) / columns)

    // The cell showing item `i`, if it is made.
    function cellAt(i) {
        const row = itemAtIndex(rows.rowOf(i))
        if (!row)
            return null
        for (let c = 0; c < row.children.length; ++c)
            if (row.children[c].index === i)
                return row.children[c]
        return null
    }

    reuseItems: true
    model: GridRowsModel {
        id: rows
        source: grid.source
        columns: grid.columns
        role: grid.role
    }

    delegate: Item {
        id: row

        required property int first
        required property int count
        required property var items
        readonly property ListView grid: ListView.view
        // Waiting in the view's pool to show another row.
        property bool pooled: false

        width: grid ? grid.availableWidth : 0
        height: grid ? grid.rowHeight + grid.rowSpacing : 0

        ListView.onPooled: pooled = true
        ListView.onReused: pooled = false

        // A cell for every column, so that a row keeps its cells whatever it holds.
        Repeater {
            model: row.grid ? row.grid.columns : 0
            delegate: row.grid ? row.grid.cell : null
        }
    }

    component Cell: Item {
        id: cell

        // The column, as the row's repeater numbers its cells.
        required property int modelData
        readonly property Item row: parent
        readonly property int index: row ? row.first + modelData : -1
        readonly property var item: row && modelData < row.items.length ? row.items[modelData] : undefined
        // Showing an item in a row in view (or in the view's cache).
        readonly property bool shown: row !== null && !row.pooled && modelData < row.count

        visible: modelData < (row ? row.count : 0)
        x: row && row.grid ? modelData * (row.grid.columnWidth + row.grid.spacing) : 0
        width: row && row.grid ? row.grid.columnWidth : 0
        height: row && row.grid ? row.grid.rowHeight : 0
    }
}
