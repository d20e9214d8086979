// A GroupedRow that picks one value of an Int (or, `real`, Double) setting:
// the chosen option's label at the trailing end and a menu of the options
// with a check mark on the stored value. A choice is stored at once.
import QtQuick
import Nimbelora.Platform
// QtQuick's own Palette type shadows ours when unqualified.
import Nimbelora.Platform as Platform
import Nimbelora.Foundation

GroupedRow {
    id: row

    required property string key
    // [{ label, value }], in menu order.
    property var options: []
    property bool real: false
    readonly property var stored: (Settings.revision, real ? Settings.doubleValue(key) : Settings.intValue(key))
    readonly property int selectedIndex: options.findIndex(o => o.value === stored)

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
            color: Platform.Colors.secondaryLabel
        }
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "chevron.up.chevron.down"
            size: 12
            color: Platform.Colors.tertiaryLabel
        }
    }

    ContextMenu {
        id: menu
        objectName: "pickerMenu"
        model: row.options.map((o, i) => ({ title: o.label, symbol: i === row.selectedIndex ? "checkmark" : "" }))
        onTriggered: (index) => Settings.setValue(row.key, row.options[index].value)
    }
}
