// The frame of a centred alert: a title, an optional message, what a site
// adds under them (`body`, e.g. a text field) and a row of buttons under a
// line, side by side in equal shares with a line between each two.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Nimbelora.Platform
import Nimbelora.Foundation

Popup {
    id: frame

    property string title
    property string message
    default property alias body: texts.data
    property alias buttons: buttonRow.data
    property real bodyBottomPadding: 18

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
            id: texts
            width: parent.width
            topPadding: 19
            bottomPadding: frame.bodyBottomPadding
            leftPadding: 16
            rightPadding: 16
            spacing: 4

            Text {
                width: parent.width - 32
                text: frame.title
                textFormat: Text.PlainText
                color: Colors.label
                font: TextStyle.headline
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }

            Text {
                visible: frame.message.length > 0
                width: parent.width - 32
                text: frame.message
                textFormat: Text.PlainText
                color: Colors.label
                font: TextStyle.footnote
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }
        }

        Rectangle { width: parent.width; height: 0.5; color: Colors.separator }

        Row {
            id: buttonRow
            width: parent.width
            height: 44
            spacing: 0.5
        }
    }

    component Action: AbstractButton {
        id: button
        property bool bold: false
        property color tint: Theme.accent
        readonly property int count: parent ? parent.children.length : 1
        width: parent ? (parent.width - parent.spacing * (count - 1)) / count : 0
        height: parent ? parent.height : 0
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
            // The line between this button and the one before it.
            Rectangle {
                visible: button.x > 0
                x: -0.5
                width: 0.5
                height: parent.height
                color: Colors.separator
            }
        }
    }
}
