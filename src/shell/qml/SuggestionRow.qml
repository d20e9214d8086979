// One row of the search's suggestion list: a symbol and a text and, for a
// suggestion or a recent search, the arrow that only fills the field
// (`filled`). Rows take no focus: the search field keeps the keyboard.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation

AbstractButton {
    id: row

    property string symbol
    property color symbolColor: tint
    property color tint: Colors.label
    property bool arrow: false
    signal filled()

    focusPolicy: Qt.NoFocus
    implicitWidth: 320
    implicitHeight: 44
    Accessible.name: Fmt.oneLine(text)

    background: Rectangle {
        color: row.down ? Colors.quaternaryFill : "transparent"

        Rectangle {
            x: 52
            y: parent.height - 1
            width: parent.width - x
            height: 1
            color: Colors.separator
        }
    }

    contentItem: Item {
        Symbol {
            x: 18
            anchors.verticalCenter: parent.verticalCenter
            name: row.symbol
            size: 17
            color: row.symbolColor
        }

        Text {
            objectName: "rowLabel"
            x: 52
            width: parent.width - x - (row.arrow ? 48 : 16)
            anchors.verticalCenter: parent.verticalCenter
            text: Fmt.oneLine(row.text)
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: TextStyle.body
            color: row.tint
        }

        MouseArea {
            objectName: "fillArrow"
            visible: row.arrow
            anchors.right: parent.right
            width: 48
            height: parent.height
            onClicked: row.filled()

            Symbol {
                anchors.centerIn: parent
                name: "arrow.up.left"
                size: 13
                color: Colors.tertiaryLabel
            }
        }
    }
}
