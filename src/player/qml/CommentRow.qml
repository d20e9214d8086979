// One comment: the author's avatar, a line with the pin, the author (in a
// grey pill when it is the uploader) and the time, the text (selectable),
// and the likes from one on.
import Nimbelora.Platform
import QtQuick
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
            // Few comments are pinned: the others make no pin at all.
            Loader {
                active: row.comment.pinned
                visible: active
                anchors.verticalCenter: parent.verticalCenter
                sourceComponent: Symbol {
                    objectName: "commentPin"
                    name: "pin.fill"
                    size: 11
                    color: Colors.secondaryLabel
                }
            }
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: author.implicitWidth + (row.comment.byUploader ? 12 : 0)
                height: author.implicitHeight + 2
                radius: height / 2
                color: row.comment.byUploader ? Colors.tertiaryFill : "transparent"
                Text {
                    id: author
                    objectName: "commentAuthor"
                    anchors.centerIn: parent
                    text: row.comment.author
                    textFormat: Text.PlainText
                    font: TextStyle.font(12, Font.DemiBold)
                    color: Colors.label
                }
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: row.comment.time
                textFormat: Text.PlainText
                font: TextStyle.caption
                color: Colors.secondaryLabel
            }
        }

        // Plain text, made selectable when the pointer comes over it (and
        // kept so while something is selected): a long list of comments
        // makes only light rows.
        Item {
            width: parent.width
            height: plain.implicitHeight

            Text {
                id: plain
                objectName: "commentText"
                width: parent.width
                visible: editor.item === null
                text: row.comment.text
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: TextStyle.subheadline
                color: Colors.label
            }
            Loader {
                id: editor
                // Told by the text itself: reading it from `item` here
                // would bind `active` to what `active` makes.
                property bool selecting: false
                width: parent.width
                active: hover.hovered || selecting
                sourceComponent: TextEdit {
                    objectName: "commentTextEdit"
                    text: row.comment.text
                    textFormat: TextEdit.PlainText
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.Wrap
                    font: plain.font
                    color: plain.color
                    selectionColor: Theme.accent
                    onSelectedTextChanged: editor.selecting = selectedText.length > 0
                }
            }
            HoverHandler {
                id: hover
            }
        }

        Row {
            objectName: "commentLikes"
            visible: row.comment.likes >= 1
            spacing: 4
            Symbol {
                anchors.verticalCenter: parent.verticalCenter
                name: "hand.thumbsup"
                size: 12
                color: Colors.secondaryLabel
            }
            Text {
                objectName: "commentLikesText"
                anchors.verticalCenter: parent.verticalCenter
                text: Fmt.compact(row.comment.likes)
                font: TextStyle.caption
                color: Colors.secondaryLabel
            }
        }
    }
}
