// One row of a GroupedSection: an optional IconTile (or any `leading` item,
// such as an avatar), the title, then at the trailing end an accessory
// (children: a switch, a button, a menu) or the detail text (a count, a
// value) and, for rows that open a screen, a chevron. Clicks come as with any button; `interactive` false makes it a
// plain row. A subtitle goes under the title. Its separator runs from the
// title to the trailing edge; a row wrapped in another item (a swipe) is
// told whether it is the first or last of its section.
import QtQuick
import QtQuick.Templates as T
import Nimbelora.Platform
import Nimbelora.Foundation

T.AbstractButton {
    id: row

    property string symbol
    // Drawn in place of the tile when given.
    property Component leading: null
    property color tint: Colors.gray
    property string subtitle
    property font titleFont: TextStyle.body
    property string detail
    property bool chevron: false
    property bool interactive: true
    property color titleColor: Colors.label
    default property alias accessory: accessoryHolder.data

    property bool isFirst: Positioner.isFirstItem
    property bool isLast: Positioner.isLastItem
    readonly property real textStart: leadingHolder.width > 0 ? 16 + leadingHolder.width + 12 : 16

    width: parent ? parent.width : 0
    implicitHeight: Math.max(leadingHolder.height + 18, 44, texts.implicitHeight + 22, accessoryHolder.childrenRect.height + 12)
    hoverEnabled: interactive
    focusPolicy: interactive ? Qt.StrongFocus : Qt.NoFocus

    background: Item {
        clip: true
        // Rounded only where the card is: at the first and last rows.
        Rectangle {
            y: row.isFirst ? 0 : -radius
            width: parent.width
            height: parent.height + (row.isFirst ? 0 : radius) + (row.isLast ? 0 : radius)
            radius: 10
            color: row.interactive && row.down ? Colors.quaternaryFill : "transparent"
        }
    }

    contentItem: Item {
        Loader {
            id: leadingHolder
            x: 16
            anchors.verticalCenter: parent.verticalCenter
            sourceComponent: row.leading ? row.leading : row.symbol.length > 0 ? tile : null
        }

        Component {
            id: tile
            IconTile {
                symbol: row.symbol
                color: row.tint
            }
        }

        Column {
            id: texts
            x: row.textStart
            width: trailing.x - x - 8
            anchors.verticalCenter: parent.verticalCenter
            spacing: 2

            // A long title wraps: the trailing value never hides it.
            Text {
                objectName: "groupedRowTitle"
                width: parent.width
                text: row.text
                textFormat: Text.PlainText
                font: row.titleFont
                color: row.titleColor
                wrapMode: Text.Wrap
            }
            Text {
                objectName: "groupedRowSubtitle"
                visible: row.subtitle.length > 0
                width: parent.width
                text: row.subtitle
                textFormat: Text.PlainText
                font: TextStyle.caption
                color: Colors.secondaryLabel
                elide: Text.ElideRight
            }
        }

        Row {
            id: trailing
            // At most half the row: the rest is the title's.
            readonly property real room: (parent.width - row.textStart) / 2
            anchors.right: parent.right
            anchors.rightMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8

            Item {
                id: accessoryHolder
                visible: children.length > 0
                anchors.verticalCenter: parent.verticalCenter
                width: childrenRect.width
                height: childrenRect.height
            }

            Text {
                objectName: "groupedRowDetail"
                visible: row.detail.length > 0
                width: Math.min(implicitWidth, trailing.room)
                elide: Text.ElideRight
                anchors.verticalCenter: parent.verticalCenter
                text: row.detail
                textFormat: Text.PlainText
                font: TextStyle.body
                color: Colors.secondaryLabel
            }

            Symbol {
                visible: row.chevron
                anchors.verticalCenter: parent.verticalCenter
                name: "chevron.right"
                size: 13
                color: Colors.tertiaryLabel
            }
        }

        Rectangle {
            visible: !row.isLast
            x: row.textStart
            anchors.bottom: parent.bottom
            width: parent.width - x
            height: 0.5
            color: Colors.separator
        }
    }
}
