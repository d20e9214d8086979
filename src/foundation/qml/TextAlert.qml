// Modal alert with a title, an optional message, one text field and cancel / confirm buttons; closing it any other way counts as cancel.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Nimbelora.Platform
import Nimbelora.Foundation

Popup {
    id: alert

    property string title
    property string message
    property string placeholder
    property alias text: field.text
    property string confirmText
    property string cancelText: "Cancelar"
    signal confirmed(string text)
    signal canceled()

    property bool _answered: false

    function confirm() {
        _answered = true
        const value = field.text
        close()
        confirmed(value)
    }

    function cancel() {
        _answered = true
        close()
        canceled()
    }

    onAboutToShow: _answered = false
    onOpened: field.forceActiveFocus()
    onClosed: {
        if (!_answered) {
            _answered = true
            canceled()
        }
    }

    parent: T.Overlay.overlay
    x: Math.round((parent ? parent.width - width : 0) / 2)
    y: Math.round((parent ? parent.height - height : 0) / 2.4)
    width: 270
    padding: 0
    modal: true
    dim: true
    focus: true
    closePolicy: Popup.CloseOnEscape

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: Motion.quick }
        Spring { property: "scale"; from: 1.12; to: 1; response: 0.3; dampingFraction: 0.9 }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; to: 0; duration: Motion.quick }
    }

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.2)
    }

    background: Rectangle {
        radius: 14
        color: Colors.alertBackground
    }

    contentItem: Column {
        Column {
            width: parent.width
            topPadding: 19
            bottomPadding: 14
            leftPadding: 16
            rightPadding: 16
            spacing: 4

            Text {
                width: parent.width - 32
                text: alert.title
                textFormat: Text.PlainText
                color: Colors.label
                font: TextStyle.headline
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }

            Text {
                visible: alert.message.length > 0
                width: parent.width - 32
                text: alert.message
                textFormat: Text.PlainText
                color: Colors.label
                font: TextStyle.footnote
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }

            Item { width: 1; height: 8 }

            TextField {
                id: field
                objectName: "alertField"
                width: parent.width - 32
                height: 30
                leftPadding: 6
                rightPadding: 6
                placeholderText: alert.placeholder
                placeholderTextColor: Colors.tertiaryLabel
                color: Colors.label
                selectionColor: Theme.accent
                font: TextStyle.subheadline
                background: Rectangle {
                    radius: 7
                    color: Colors.secondaryGroupedBackground
                    border.width: 0.5
                    border.color: Colors.separator
                }
                onAccepted: alert.confirm()
            }
        }

        Rectangle { width: parent.width; height: 0.5; color: Colors.separator }

        Row {
            width: parent.width
            height: 44

            AlertButton {
                objectName: "alertCancel"
                width: (parent.width - 0.5) / 2
                height: parent.height
                text: alert.cancelText
                bold: true
                onClicked: alert.cancel()
            }

            Rectangle { width: 0.5; height: parent.height; color: Colors.separator }

            AlertButton {
                objectName: "alertConfirm"
                width: (parent.width - 0.5) / 2
                height: parent.height
                text: alert.confirmText
                onClicked: alert.confirm()
            }
        }
    }

    component AlertButton: AbstractButton {
        id: button
        property bool bold: false
        property color tint: Theme.accent
        contentItem: Text {
            text: button.text
            color: button.tint
            font: TextStyle.font(17, button.bold ? Font.DemiBold : Font.Normal)
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        background: Rectangle {
            color: button.down ? Colors.fill : "transparent"
        }
    }
}
