// One comment: the author's avatar, a line with the pin, the author (in a
// grey pill when it is the uploader) and the time, the text (selectable),
// and the likes from one on.
import Nimbelora.Platform
import QtQuick
import Nimbelora.Platform as Platform
import Nimbelora.Foundation

Item {
    id: row

    required property comment comment

    objectName: "commentRow"
    implicitWidth: 340
    implicitHeight: Math.max(avatar.height, texts.implicitHeight) + 8

    AvatarView {
        id: avatar
        y: 4
        name: row.comment.author
        url: row.comment.avatar !== undefined && row.comment.avatar !== null ? row.comment.avatar : ""
        size: 36
    }

    Column {
        id: texts
        x: avatar.width + 12
        y: 4
        width: row.width - x
        spacing: 4

        Row {
            spacing: 6
            Symbol {
                objectName: "commentPin"
                visible: row.comment.pinned
                anchors.verticalCenter: parent.verticalCenter
                name: "pin.fill"
                size: 11
                color: Platform.Palette.secondaryLabel
            }
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: author.implicitWidth + (row.comment.byUploader ? 12 : 0)
                height: author.implicitHeight + 2
                radius: height / 2
                color: row.comment.byUploader ? Platform.Palette.tertiaryFill : "transparent"
                Text {
                    id: author
                    objectName: "commentAuthor"
                    anchors.centerIn: parent
                    text: row.comment.author
                    textFormat: Text.PlainText
                    font: TextStyle.font(12, Font.DemiBold)
                    color: Platform.Palette.label
                }
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: row.comment.time
                textFormat: Text.PlainText
                font: TextStyle.caption
                color: Platform.Palette.secondaryLabel
            }
        }

        TextEdit {
            objectName: "commentText"
            width: parent.width
            text: row.comment.text
            textFormat: TextEdit.PlainText
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            font: TextStyle.subheadline
            color: Platform.Palette.label
            selectionColor: Theme.accent
        }

        Row {
            objectName: "commentLikes"
            visible: row.comment.likes >= 1
            spacing: 4
            Symbol {
                anchors.verticalCenter: parent.verticalCenter
                name: "hand.thumbsup"
                size: 12
                color: Platform.Palette.secondaryLabel
            }
            Text {
                objectName: "commentLikesText"
                anchors.verticalCenter: parent.verticalCenter
                text: Fmt.compact(row.comment.likes)
                font: TextStyle.caption
                color: Platform.Palette.secondaryLabel
            }
        }
    }
}
