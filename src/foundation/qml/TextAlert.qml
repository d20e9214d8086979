// Modal alert with a title, an optional message, one text field and cancel / confirm buttons; closing it any other way counts as cancel.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation

AlertFrame {
    id: alert

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

    bodyBottomPadding: 14

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

    buttons: [
        AlertFrame.Action {
            objectName: "alertCancel"
            text: alert.cancelText
            bold: true
            onClicked: alert.cancel()
        },
        AlertFrame.Action {
            objectName: "alertConfirm"
            text: alert.confirmText
            onClicked: alert.confirm()
        }
    ]
}
