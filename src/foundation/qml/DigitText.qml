// One line of text whose digits all take the width of the widest one, as
// monospaced digits do, so a changing time keeps its width (the fonts here
// offer no tabular figures to Qt Quick).
import QtQuick

Row {
    id: root

    property string text
    property font font
    property color color

    readonly property real digitWidth: {
        let widest = 0
        for (let d = 0; d <= 9; ++d)
            widest = Math.max(widest, metrics.advanceWidth(String(d)))
        return Math.ceil(widest)
    }

    FontMetrics {
        id: metrics
        font: root.font
    }

    Repeater {
        model: root.text.length

        Text {
            required property int index
            readonly property string character: root.text.charAt(index)
            readonly property bool digit: character >= "0" && character <= "9"
            width: digit ? root.digitWidth : implicitWidth
            horizontalAlignment: Text.AlignHCenter
            text: character
            textFormat: Text.PlainText
            font: root.font
            color: root.color
        }
    }
}
