// One section of a grouped list: an optional header (upper-cased unless
// told), the rows on one rounded card (or, not inset, edge to edge without a
// card) and an optional footer. Rows are its children, stacked in order;
// GroupedRow draws the separators between them.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Column {
    id: section

    property string header
    property bool upperCase: true
    property string footer
    // False: the rows run from edge to edge on no card.
    property bool inset: true
    property color surface: Colors.secondaryGroupedBackground
    default property alias rows: body.data
    readonly property real cardWidth: card.width

    width: parent ? parent.width : 0

    Text {
        objectName: "groupedHeader"
        visible: section.header.length > 0
        width: parent.width
        leftPadding: 32
        rightPadding: 32
        bottomPadding: 7
        text: section.header
        textFormat: Text.PlainText
        font.family: TextStyle.footnote.family
        font.pixelSize: TextStyle.footnote.pixelSize
        font.capitalization: section.upperCase ? Font.AllUppercase : Font.MixedCase
        color: Colors.secondaryLabel
        elide: Text.ElideRight
    }

    Rectangle {
        id: card
        x: section.inset ? 16 : 0
        width: parent.width - 2 * x
        height: body.height
        radius: section.inset ? 10 : 0
        color: section.inset ? section.surface : "transparent"

        Column {
            id: body
            width: parent.width
        }
    }

    Text {
        objectName: "groupedFooter"
        visible: section.footer.length > 0
        width: parent.width
        leftPadding: 32
        rightPadding: 32
        topPadding: 7
        text: section.footer
        textFormat: Text.PlainText
        font: TextStyle.footnote
        color: Colors.secondaryLabel
        wrapMode: Text.Wrap
    }
}
