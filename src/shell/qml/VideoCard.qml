// The grid card of a video: the rounded 16:9 thumbnail with its progress bar
// and length, then the channel's avatar beside the title and the meta line.
// A tap plays the video; a long press or a right click opens its menu.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

PressableStyle {
    id: card

    required property video video
    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    property Router router: null
    // The placeholder look (skeletons): neutral blocks for texts and pictures,
    // and nothing to tap or hold.
    property bool redacted: false
    // What lies behind the card; the thumbnail's rounded corners are cut in it.
    property color surface: Colors.background
    // The text block with a two-line title: grids give every row this height.
    // Measured in the placeholder look only (the grids keep such a card), so
    // the cards of a list lay out no texts they do not show.
    readonly property real textBlockHeight: Math.max(40, probes.item ? probes.item.implicitHeight : 0)

    // Neutral rounded blocks over the lines of a text (placeholder look).
    component Redaction: Item {
        id: blocks
        required property Text text
        x: text.x
        y: text.y
        width: text.width
        height: text.height
        Repeater {
            model: blocks.visible ? blocks.text.lineCount : 0
            Rectangle {
                required property int index
                objectName: "redactionBlock"
                readonly property real lineHeight: blocks.text.contentHeight / Math.max(1, blocks.text.lineCount)
                y: index * lineHeight + lineHeight * 0.15
                height: lineHeight * 0.7
                width: index > 0 && index === blocks.text.lineCount - 1 ? blocks.text.contentWidth * 0.6
                                                                         : blocks.text.contentWidth
                radius: 4
                color: Colors.fill
            }
        }
    }

    objectName: "videoCard"
    enabled: !redacted
    implicitWidth: 340
    Accessible.name: video.title + ", " + video.channel

    onClicked: {
        Haptics.light()
        card.player.play(card.video)
    }

    // The parts are the card's own children, placed by hand rather than in
    // nested columns: every level costs when cards come and go while
    // scrolling, and the texts get their width before they first lay out.
    readonly property real thumbHeight: width * 9 / 16
    readonly property real textTop: thumbHeight + 11
    implicitHeight: textTop + Math.max(40, meta.y + meta.height - textTop)

    Thumb {
        id: thumb
        width: card.width
        height: card.thumbHeight
        videoId: card.redacted ? "" : card.video.id
        fill: card.redacted ? Colors.fill : Colors.tertiaryFill
        radius: 20
        backdrop: card.surface
        shadowDrop: 5
    }

    // Made only where there is a bar to draw; most cards have none.
    // The bar runs into the rounded corners, which are cut round it.
    Loader {
        width: card.width
        height: card.thumbHeight
        active: !card.redacted && Preferences.showProgress && card.library.progressValue(card.video) !== undefined
        sourceComponent: Item {
            ProgressOverlay {
                anchors.fill: parent
                video: card.video
                library: card.library
            }
            CornerMask {
                anchors.fill: parent
                radius: 20
                color: card.surface
            }
        }
    }

    Rectangle {
        width: card.width
        height: card.thumbHeight
        radius: 20
        color: "transparent"
        border.width: 1
        border.color: Colors.alpha(Colors.label, 0.07)
    }

    DurationBadge {
        x: card.width - width - 8
        y: card.thumbHeight - height - 8
        visible: shown && !card.redacted
        video: card.video
    }

    Loader {
        y: card.textTop
        width: 40
        height: 40
        sourceComponent: card.redacted ? avatarBlock : (card.avatars ? avatar : null)
    }

    Component {
        id: avatar
        ChannelAvatar {
            avatars: card.avatars
            video: card.video
            size: 40
        }
    }

    Component {
        id: avatarBlock
        Rectangle { radius: 20; color: Colors.fill }
    }

    Text {
        id: title
        objectName: "cardTitle"
        x: 52
        y: card.textTop
        width: card.width - 52
        text: card.video.title
        textFormat: Text.PlainText
        // Laid out for the placeholder's blocks, but never drawn there.
        visible: !card.redacted
        color: Colors.label
        font: TextStyle.font(15, Font.DemiBold)
        wrapMode: Text.Wrap
        maximumLineCount: 2
        elide: Text.ElideRight
    }

    Text {
        id: meta
        objectName: "cardMeta"
        x: 52
        y: title.y + title.height + 3
        width: card.width - 52
        text: Fmt.meta(card.video)
        textFormat: Text.PlainText
        visible: !card.redacted
        color: Colors.secondaryLabel
        font: TextStyle.caption
        maximumLineCount: 1
        elide: Text.ElideRight
    }

    // The placeholder look's blocks over the texts, made for placeholders only.
    Loader {
        active: card.redacted
        sourceComponent: Item {
            Redaction { text: title }
            Redaction { text: meta }
        }
    }

    // Sizes a two-line title and one meta line, whatever this card shows.
    Loader {
        id: probes
        active: card.redacted
        visible: false
        sourceComponent: Column {
            spacing: 3
            Text { text: "A\nA"; font: title.font }
            Text { text: "A"; font: meta.font }
        }
    }

    VideoContextMenu {
        enabled: !card.redacted
        video: card.video
        player: card.player
        library: card.library
        router: card.router
    }
}
