// Confirmation dialog rising from the bottom: a title, an optional message, one (destructive) action and "Cancelar"; closing it any other way counts as cancel.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Nimbelora.Platform
import Nimbelora.Foundation

Popup {
    id: dialog

    property string title
    property string message
    property string actionText
    property bool destructive: true
    property string cancelText: "Cancelar"
    signal confirmed()
    signal canceled()

    readonly property real windowHeight: parent ? parent.height : 0
    property real presentation: 0
    property bool _answered: false

    function confirm() {
        _answered = true
        close()
        confirmed()
    }

    function cancel() {
        _answered = true
        close()
        canceled()
    }

    onAboutToShow: _answered = false
    onClosed: {
        if (!_answered) {
            _answered = true
            canceled()
        }
    }

    parent: T.Overlay.overlay
    width: Math.min(parent ? parent.width - 16 : 0, 420)
    x: Math.round((parent ? parent.width - width : 0) / 2)
    y: windowHeight - (implicitHeight + 8) * presentation
    margins: -1
    padding: 0
    modal: true
    dim: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnReleaseOutside

    enter: Transition {
        Spring { property: "presentation"; from: 0; to: 1; response: 0.35; dampingFraction: 1 }
    }
    exit: Transition {
        NumberAnimation { property: "presentation"; to: 0; duration: Motion.standard; easing.type: Easing.InCubic }
    }

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.35 * dialog.presentation)
    }

    background: null

    contentItem: Column {
        spacing: 8

        Rectangle {
            width: parent.width
            height: group.implicitHeight
            radius: 13
            color: Colors.actionSheetBackground
            clip: true

            Column {
                id: group
                width: parent.width

                Column {
                    visible: dialog.title.length > 0 || dialog.message.length > 0
                    width: parent.width
                    topPadding: 14
                    bottomPadding: 14
                    leftPadding: 16
                    spacing: 4

                    Text {
                        objectName: "confirmTitle"
                        visible: text.length > 0
                        width: parent.width - 32
                        text: dialog.title
                        textFormat: Text.PlainText
                        color: Colors.secondaryLabel
                        font: TextStyle.font(13, Font.DemiBold)
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.Wrap
                    }

                    Text {
                        visible: text.length > 0
                        width: parent.width - 32
                        text: dialog.message
                        textFormat: Text.PlainText
                        color: Colors.secondaryLabel
                        font: TextStyle.footnote
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.Wrap
                    }
                }

                Rectangle {
                    visible: dialog.title.length > 0 || dialog.message.length > 0
                    width: parent.width
                    height: 0.5
                    color: Colors.separator
                }

                SheetButton {
                    objectName: "confirmAction"
                    width: parent.width
                    text: dialog.actionText
                    tint: dialog.destructive ? Colors.destructive : Theme.accent
                    onClicked: dialog.confirm()
                }
            }
        }

        Rectangle {
            width: parent.width
            height: 57
            radius: 13
            color: Colors.tertiaryBackground
            clip: true

            SheetButton {
                objectName: "confirmCancel"
                anchors.fill: parent
                text: dialog.cancelText
                bold: true
                onClicked: dialog.cancel()
            }
        }
    }

    component SheetButton: AbstractButton {
        id: button
        property bool bold: false
        property color tint: Theme.accent
        implicitHeight: 57
        contentItem: Text {
            text: button.text
            color: button.tint
            font: TextStyle.font(20, button.bold ? Font.DemiBold : Font.Normal)
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        background: Rectangle {
            color: button.down ? Colors.fill : "transparent"
        }
    }
}
