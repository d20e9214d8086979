// A file or folder in Qt's own file dialog, in place of Qt's row
// (FilePicker.fit): the name on its line, under it the size at the left and
// the date, in Spanish, at the right. Qt's row set the two by the filter
// box's width, which a narrow window leaves too small for them: they were
// drawn over each other, and the date in the English of the C locale.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.impl
import QtQuick.Dialogs.quickimpl as DialogsImpl

DialogsImpl.FileDialogDelegate {
    id: row

    // The folder model's roles; `index` is read by Qt's dialog.
    required property int index
    required property string fileName
    required property url fileUrl
    // Bytes, past 2 GiB too.
    required property real fileSize
    required property date fileModified
    required property bool fileIsDir

    readonly property color ink: highlighted ? palette.highlightedText : palette.text
    readonly property var spanish: Qt.locale("es_ES")

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)
    width: ListView.view ? ListView.view.width : implicitWidth
    highlighted: ListView.isCurrentItem
    file: fileUrl
    padding: 12
    topPadding: 6
    bottomPadding: 6
    spacing: 8
    icon.width: 16
    icon.height: 16
    icon.color: ink
    icon.source: "qrc:/qt-project.org/imports/QtQuick/Dialogs/quickimpl/images/"
                 + (fileIsDir ? "folder" : "file") + "-icon-round.png"

    contentItem: Column {
        spacing: 2

        Item {
            width: parent.width
            implicitHeight: name.implicitHeight

            IconImage {
                source: row.icon.source
                sourceSize: Qt.size(row.icon.width, row.icon.height)
                width: row.icon.width
                height: row.icon.height
                color: row.ink
                anchors.verticalCenter: parent.verticalCenter
            }
            Label {
                id: name
                x: row.icon.width + row.spacing
                width: parent.width - x
                text: row.fileName
                textFormat: Text.PlainText
                elide: Text.ElideRight
                color: row.ink
            }
        }

        Item {
            x: row.icon.width + row.spacing
            width: parent.width - x
            implicitHeight: size.implicitHeight

            Label {
                id: size
                width: Math.min(implicitWidth, parent.width)
                text: row.spanish.formattedDataSize(row.fileSize)
                elide: Text.ElideRight
                font.pixelSize: row.font.pixelSize * 0.75
                color: row.ink
            }
            Label {
                anchors.left: size.right
                anchors.leftMargin: row.spacing
                anchors.right: parent.right
                horizontalAlignment: Text.AlignRight
                text: row.fileModified.toLocaleString(row.spanish, "d MMM yyyy, H:mm")
                elide: Text.ElideRight
                font.pixelSize: row.font.pixelSize * 0.75
                color: row.ink
            }
        }
    }

    background: Rectangle {
        implicitHeight: 40
        visible: row.down || row.highlighted || row.visualFocus
        color: Qt.tint(row.down ? row.palette.midlight : row.palette.light,
                       Qt.rgba(row.palette.highlight.r, row.palette.highlight.g, row.palette.highlight.b,
                               row.highlighted ? 0.15 : 0))
    }
}
