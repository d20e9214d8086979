// A GroupedRow that picks one of `options`: the label of the one whose value
// is `value` at the trailing end and a menu of the options with a check mark
// on it. A choice is handed to picked(value), which stores it, e.g.
//   value: Preferences.quality; options: Preferences.qualityChoices
//   onPicked: (value) => Preferences.quality = value
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

GroupedRow {
    id: row

    required property var value
    // [{ label, value }], in menu order.
    property var options: []
    readonly property int selectedIndex: options.findIndex(o => o.value === value)
    signal picked(var value)

    onClicked: menu.popup(width - 16, height - 8)

    Row {
        spacing: 6
        Text {
            objectName: "pickerValue"
            // Up to half the row; a longer choice is cut, never the title.
            width: Math.min(implicitWidth, (row.width - row.textStart) / 2 - 40)
            elide: Text.ElideRight
            anchors.verticalCenter: parent.verticalCenter
            text: row.selectedIndex >= 0 ? row.options[row.selectedIndex].label : ""
            textFormat: Text.PlainText
            font: TextStyle.body
            color: Colors.secondaryLabel
        }
        Symbol {
            objectName: "pickerChevron"
            anchors.verticalCenter: parent.verticalCenter
            name: "chevron.up.chevron.down"
            size: 12
            color: Colors.tertiaryLabel
        }
    }

    // Over the row, not among its accessories: there its long press would
    // take the click on the value and the chevron from the row.
    ContextMenu {
        id: menu
        objectName: "pickerMenu"
        parent: row
        onAboutToOpen: model = Menus.choices(row.options, row.selectedIndex)
        onTriggered: (index) => row.picked(row.options[index].value)
    }
}
