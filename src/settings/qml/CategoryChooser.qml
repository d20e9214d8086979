// A form of switches over one list setting (`value`, ids joined by ","): a
// switch per row id, on while the id is listed (or, `inverted`, while it is
// not); a flip hands the changed list to edited(value), which stores it.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Settings

Rectangle {
    id: root

    property string title
    property string value
    signal edited(string value)
    property bool inverted: false
    property string footer
    // [{ id, title, subtitle }]
    property var rows: []

    color: Colors.groupedBackground

    Flickable {
        anchors.fill: parent
        contentHeight: section.height + 48
        boundsBehavior: Flickable.StopAtBounds
        Basic.ScrollIndicator.vertical: Basic.ScrollIndicator {}

        GroupedSection {
            id: section
            y: 20
            footer: root.footer

            Repeater {
                model: root.rows
                ToggleRow {
                    required property var modelData
                    objectName: "category-" + modelData.id
                    text: modelData.title
                    subtitle: modelData.subtitle || ""
                    isOn: ListSetting.lists(root.value, modelData.id) !== root.inverted
                    onSwitched: (on) => root.edited(ListSetting.with(root.value, modelData.id, on !== root.inverted))
                }
            }
        }
    }
}
