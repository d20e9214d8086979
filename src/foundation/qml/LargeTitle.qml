// The large title of a screen, under its page bar. Given the Flickable it
// scrolls in, `collapsed` turns true once it has scrolled out of sight, and
// the page bar then shows the title inline.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    property string text
    property Flickable flickable: null
    readonly property bool collapsed: flickable !== null
        && (flickable.contentY, flickable.contentHeight,
            flickable.contentItem.mapFromItem(root, 0, root.height - 10).y <= flickable.contentY)

    implicitWidth: label.implicitWidth + 32
    implicitHeight: 52
    width: parent ? parent.width : implicitWidth

    Text {
        id: label
        objectName: "largeTitle"
        x: 16
        width: parent.width - 32
        height: parent.height
        verticalAlignment: Text.AlignVCenter
        text: root.text
        textFormat: Text.PlainText
        elide: Text.ElideRight
        font: TextStyle.font(34, Font.Bold)
        color: Colors.label
    }
}
