// A GroupedRow with a switch at its trailing end: bind `isOn` and act on
// switched(on), e.g. isOn: Preferences.autoplay; onSwitched: (on) =>
// Preferences.autoplay = on. A click anywhere on the row flips it.
import QtQuick
import QtQuick.Templates as T
import Nimbelora.Platform
import Nimbelora.Foundation

GroupedRow {
    id: row

    property bool isOn: false
    signal switched(bool on)

    function flip() {
        row.switched(!row.isOn)
    }

    onClicked: flip()
    Accessible.role: Accessible.CheckBox
    Accessible.checked: isOn

    T.Switch {
        id: toggle
        objectName: "toggleSwitch"
        checked: row.isOn
        focusPolicy: Qt.NoFocus
        implicitWidth: 51
        implicitHeight: 31
        // The row owns the value: a click here goes through the row.
        onClicked: { toggle.checked = Qt.binding(() => row.isOn); row.flip() }

        indicator: Rectangle {
            width: 51
            height: 31
            radius: height / 2
            color: toggle.checked ? Colors.green : Colors.secondaryFill
            Behavior on color { ColorAnimation { duration: 150 } }

            Rectangle {
                x: toggle.checked ? parent.width - width - 2 : 2
                y: 2
                width: 27
                height: 27
                radius: height / 2
                color: "white"
                border.width: 0.5
                border.color: Qt.rgba(0, 0, 0, 0.06)
                Behavior on x { NumberAnimation { duration: 150; easing.type: Easing.OutCubic } }
            }
        }
    }
}
