// Content-unavailable view: a symbol, a title and one sentence, with any action buttons given as children below.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    property string symbol
    property string title
    property string description
    default property alias actions: actionRow.data

    implicitWidth: 320
    implicitHeight: column.implicitHeight + 48

    Column {
        id: column
        anchors.centerIn: parent
        width: Math.min(root.width - 48, 420)
        spacing: 8

        Symbol {
            visible: root.symbol.length > 0
            anchors.horizontalCenter: parent.horizontalCenter
            name: root.symbol
            size: 44
            color: Colors.secondaryLabel
        }

        Item { width: 1; height: 4; visible: root.symbol.length > 0 }

        Text {
            objectName: "emptyTitle"
            width: parent.width
            text: root.title
            textFormat: Text.PlainText
            color: Colors.label
            font: TextStyle.font(22, Font.Bold)
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }

        Text {
            objectName: "emptyDescription"
            visible: text.length > 0
            width: parent.width
            text: root.description
            textFormat: Text.PlainText
            color: Colors.secondaryLabel
            font: TextStyle.subheadline
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }

        Item { width: 1; height: 6; visible: actionRow.children.length > 0 }

        Row {
            id: actionRow
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 12
        }
    }
}
