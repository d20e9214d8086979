// Rounded search field with a magnifier, a placeholder and a clear button; Return emits accepted(text).
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    property alias text: field.text
    property string placeholder
    readonly property bool active: field.activeFocus
    signal accepted(string text)

    // Ends the search interaction: the field lets go of the keyboard.
    function dismiss() { field.focus = false }
    function activate() { field.forceActiveFocus() }

    implicitWidth: 320
    implicitHeight: 36

    Rectangle {
        anchors.fill: parent
        radius: 10
        color: Colors.tertiaryFill
    }

    Symbol {
        id: magnifier
        anchors.left: parent.left
        anchors.leftMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        name: "magnifyingglass"
        size: 16
        color: Colors.secondaryLabel
    }

    TextField {
        id: field
        objectName: "searchInput"
        anchors.left: magnifier.right
        anchors.leftMargin: 4
        anchors.right: clear.visible ? clear.left : parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        padding: 0
        background: null
        placeholderText: root.placeholder
        placeholderTextColor: Colors.secondaryLabel
        color: Colors.label
        selectionColor: Theme.accent
        font: TextStyle.body
        inputMethodHints: Qt.ImhNoPredictiveText
        onAccepted: root.accepted(text)
        Keys.onEscapePressed: root.dismiss()
    }

    Item {
        id: clear
        objectName: "searchClear"
        visible: field.text.length > 0
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: 30

        Symbol {
            anchors.centerIn: parent
            name: "xmark.circle.fill"
            size: 16
            color: Colors.tertiaryLabel
        }

        TapHandler {
            onTapped: {
                field.clear()
                field.forceActiveFocus()
            }
        }
    }
}
