// The portrait details under the video: title and meta line, the channel row,
// the action pills, the description with its chapters, the comments card and
// the queue's first videos, all as the list's header; the related videos
// (hidden channels left out) are the list's rows, made as they scroll in.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Player

ListView {
    id: list

    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    required property Router router
    required property DetailsModel details
    // "Ver todo" of the queue's first videos.
    signal showQueue()

    readonly property color background: Colors.background
    readonly property bool hasDetail: player.detail !== undefined && player.detail !== null

    objectName: "detailsList"
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    model: details.hasVideo ? details.related : null
    spacing: 14
    leftMargin: 16
    rightMargin: 16
    bottomMargin: 40
    // Rows are made as they scroll in, none ahead: the player opens at once
    // however long the list.
    cacheBuffer: 0
    Basic.ScrollIndicator.vertical: Basic.ScrollIndicator { visible: false }

    // The header grows upwards as the video's parts come in (or the
    // description opens): a list left at its top stays there.
    property bool pinnedTop: true
    onMovementStarted: pinnedTop = false
    onMovementEnded: pinnedTop = atYBeginning
    onOriginYChanged: if (pinnedTop) contentY = originY

    delegate: VideoRow {
        width: ListView.view.width - 32
        player: list.player
        library: list.library
        avatars: list.avatars
        router: list.router
        surface: list.background
    }

    component Heading: Text {
        topPadding: 6
        font: TextStyle.headline
        color: Colors.label
    }

    component Card: Rectangle {
        default property alias content: cardColumn.data
        width: parent ? parent.width : 0
        implicitHeight: cardColumn.implicitHeight + 28
        radius: 16
        color: Colors.secondaryBackground
        Column {
            id: cardColumn
            x: 14
            y: 14
            width: parent.width - 28
            spacing: 10
        }
    }

    header: Column {
        id: blocks
        width: list.width - 32
        visible: list.details.hasVideo
        height: visible ? implicitHeight : 0
        topPadding: 14
        bottomPadding: list.details.hasRelated ? 14 : 0
        spacing: 16

        // 1. Title and meta line.
        Column {
            width: parent.width
            spacing: 6
            Text {
                objectName: "detailsTitle"
                width: parent.width
                text: list.details.title
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: TextStyle.font(20, Font.Bold)
                color: Colors.label
            }
            Text {
                objectName: "detailsMeta"
                width: parent.width
                visible: text.length > 0
                text: list.details.metaLine
                textFormat: Text.PlainText
                font: TextStyle.footnote
                color: Colors.secondaryLabel
                wrapMode: Text.Wrap
            }
        }

        // 2. The channel row.
        Item {
            id: channelRow
            width: parent.width
            height: Math.max(channelButton.implicitHeight, subscribe.implicitHeight)
            // The name's room: the row less the avatar and the subscribe button.
            readonly property real nameRoom: width - 52 - (subscribe.visible ? subscribe.width + 8 : 0)
            // A channel with an id: it opens, and can be followed.
            readonly property bool linked: list.details.channelId !== undefined && list.details.channelId !== null

            PressableStyle {
                id: channelButton
                objectName: "channelRow"
                focusPolicy: Qt.NoFocus
                anchors.verticalCenter: parent.verticalCenter
                // It opens the channel: a double click opens one.
                PointerGate.once: true
                onClicked: list.details.openChannel()
                contentItem: Row {
                    spacing: 10
                    AvatarView {
                        anchors.verticalCenter: parent.verticalCenter
                        name: list.details.channelName
                        url: list.details.avatar
                        size: 42
                    }
                    Column {
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 1
                        Row {
                            spacing: 4
                            Text {
                                objectName: "channelName"
                                anchors.verticalCenter: parent.verticalCenter
                                width: Math.min(implicitWidth, channelRow.nameRoom - (seal.visible ? 16 : 0))
                                text: list.details.channelName
                                textFormat: Text.PlainText
                                elide: Text.ElideRight
                                font: TextStyle.font(15, Font.DemiBold)
                                color: Colors.label
                            }
                            Symbol {
                                id: seal
                                objectName: "verifiedSeal"
                                visible: list.details.verified
                                anchors.verticalCenter: parent.verticalCenter
                                name: "checkmark.seal.fill"
                                size: 12
                                color: Colors.secondaryLabel
                            }
                        }
                        Text {
                            objectName: "subscriberLine"
                            visible: text.length > 0
                            text: list.details.subscriberLine
                            font: TextStyle.caption
                            color: Colors.secondaryLabel
                        }
                    }
                }
            }

            PressableStyle {
                id: subscribe
                objectName: "subscribeButton"
                visible: channelRow.linked
                focusPolicy: Qt.NoFocus
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                leftPadding: 16
                rightPadding: 16
                topPadding: 8
                bottomPadding: 8
                text: list.details.subscribed ? "Suscrito" : "Suscribirme"
                onClicked: list.details.toggleSubscription()
                contentItem: Text {
                    text: subscribe.text
                    font: TextStyle.font(15, Font.DemiBold)
                    color: list.details.subscribed ? Colors.label : "white"
                }
                background: Rectangle {
                    radius: height / 2
                    color: list.details.subscribed ? Colors.tertiaryFill : Theme.accent
                    Behavior on color { ColorAnimation { duration: 200 } }
                }
            }
        }

        // 3. The action pills.
        Flickable {
            id: actionBar
            objectName: "actionBar"
            width: parent.width
            height: pills.implicitHeight
            contentWidth: pills.implicitWidth
            flickableDirection: Flickable.HorizontalFlick
            boundsBehavior: Flickable.StopAtBounds
            clip: true

            SideScroller { strip: actionBar }

            Row {
                id: pills
                spacing: 10
                DetailPill {
                    objectName: "likePill"
                    enabled: !list.details.placeholder
                    symbol: list.details.liked ? "hand.thumbsup.fill" : "hand.thumbsup"
                    text: list.details.likeTitle
                    tint: list.details.liked ? Theme.accent : Colors.label
                    onClicked: list.details.toggleLike()
                }
                DetailPill {
                    objectName: "laterPill"
                    enabled: !list.details.placeholder
                    symbol: list.details.saved ? "clock.badge.checkmark.fill" : "clock"
                    text: list.details.saved ? "Guardado" : "Ver más tarde"
                    tint: list.details.saved ? Theme.accent : Colors.label
                    onClicked: list.details.toggleWatchLater()
                }
                DetailPill {
                    objectName: "playlistPill"
                    enabled: !list.details.placeholder
                    symbol: "text.badge.plus"
                    text: "Lista"
                    onClicked: list.details.saveToPlaylist()
                }
                DetailPill {
                    objectName: "queuePill"
                    symbol: "list.bullet.indent"
                    text: "Cola"
                    onClicked: list.details.enqueue()
                }
                ShareAtTimeButton {
                    video: list.details.video
                    player: list.player
                }
                DetailPill {
                    objectName: "hidePill"
                    symbol: "eye.slash"
                    text: "Ocultar canal"
                    onClicked: list.details.hideChannel()
                }
            }
        }

        // 4. Description and chapters.
        Card {
            objectName: "descriptionCard"
            visible: list.details.showDescription

            Column {
                width: parent.width
                spacing: 10
                visible: chapterRows.count > 0

                Text {
                    text: "Capítulos"
                    font: TextStyle.font(13, Font.DemiBold)
                    color: Colors.label
                }
                Repeater {
                    id: chapterRows
                    model: list.details.chapters
                    PressableStyle {
                        required property var modelData
                        objectName: "chapterRow"
                        focusPolicy: Qt.NoFocus
                        width: parent.width
                        onClicked: list.details.seekChapter(modelData.start)
                        contentItem: Row {
                            spacing: 10
                            DigitText {
                                id: clock
                                text: Fmt.clock(modelData.start)
                                font: TextStyle.font(13, Font.DemiBold)
                                color: Theme.accent
                            }
                            Text {
                                width: parent.width - clock.width - 10
                                text: Fmt.oneLine(modelData.title)
                                textFormat: Text.PlainText
                                elide: Text.ElideRight
                                maximumLineCount: 1
                                font: TextStyle.footnote
                                color: Colors.label
                            }
                        }
                    }
                }
                // A whole point: half a point can fall between pixel rows
                // and vanish as the rows above change.
                Rectangle {
                    objectName: "chaptersDivider"
                    width: parent.width
                    height: 1
                    color: Colors.separator
                }
            }

            // The text in blocks: one text item holding a very long
            // description grows too large to draw. Closed, three lines of
            // the first blocks (each block is at least a line); open, all.
            Item {
                id: description
                objectName: "descriptionText"
                width: parent.width
                height: list.details.descriptionOpen ? descriptionBlocks.height
                                                      : Math.min(descriptionBlocks.height, 3 * fontMetrics.lineSpacing)
                clip: !list.details.descriptionOpen
                readonly property var blocks: TextBlocks.split(list.details.description)
                FontMetrics { id: fontMetrics; font: TextStyle.footnote }

                Column {
                    id: descriptionBlocks
                    width: parent.width
                    Repeater {
                        model: list.details.descriptionOpen ? description.blocks : description.blocks.slice(0, 3)
                        TextEdit {
                            required property string modelData
                            objectName: "descriptionBlock"
                            width: descriptionBlocks.width
                            text: modelData
                            textFormat: TextEdit.PlainText
                            readOnly: true
                            selectByMouse: true
                            wrapMode: TextEdit.Wrap
                            font: TextStyle.footnote
                            color: Colors.label
                            selectionColor: Theme.accent
                        }
                    }
                }
            }

            FadingButton {
                objectName: "descriptionToggle"
                padding: 0
                horizontalPadding: 0
                focusPolicy: Qt.NoFocus
                text: list.details.descriptionOpen ? "Mostrar menos" : "Más"
                font: TextStyle.font(13, Font.DemiBold)
                color: Colors.secondaryLabel
                onClicked: list.details.toggleDescription()
            }
        }

        // 5. The comments card.
        PressableStyle {
            id: commentsCard
            objectName: "commentsCard"
            focusPolicy: Qt.NoFocus
            width: parent.width
            onClicked: list.details.openComments()

            readonly property var loadState: list.player.commentsState
            readonly property var first: loadState.isLoaded && list.player.comments.length > 0
                                         ? list.player.comments[0] : null

            contentItem: Card {
                Item {
                    width: parent.width
                    height: commentsTitle.implicitHeight
                    Row {
                        spacing: 6
                        Text {
                            id: commentsTitle
                            text: "Comentarios"
                            font: TextStyle.font(15, Font.DemiBold)
                            color: Colors.label
                        }
                        Text {
                            objectName: "commentCount"
                            visible: text.length > 0
                            text: list.details.commentCount
                            font: TextStyle.subheadline
                            color: Colors.secondaryLabel
                        }
                    }
                    Symbol {
                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        name: "chevron.up.chevron.down"
                        size: 12
                        color: Colors.secondaryLabel
                    }
                }
                Row {
                    visible: commentsCard.loadState.isIdle || commentsCard.loadState.isLoading
                    spacing: 8
                    // Without padding: the style's 6 leave no room to draw at
                    // 18. Its dots take the palette's dark colour.
                    Basic.BusyIndicator {
                        objectName: "commentsSpinner"
                        width: 18
                        height: 18
                        padding: 0
                        palette.dark: Colors.secondaryLabel
                        running: parent.visible
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: "Cargando…"
                        font: TextStyle.footnote
                        color: Colors.secondaryLabel
                    }
                }
                Text {
                    objectName: "commentsCardStatus"
                    visible: commentsCard.loadState.isFailed || (commentsCard.loadState.isLoaded && !commentsCard.first)
                    text: commentsCard.loadState.isFailed ? "No se pudieron cargar" : "Sin comentarios"
                    font: TextStyle.footnote
                    color: Colors.secondaryLabel
                }
                Row {
                    visible: commentsCard.first !== null
                    width: parent.width
                    spacing: 10
                    AvatarView {
                        name: commentsCard.first ? commentsCard.first.author : ""
                        url: commentsCard.first && commentsCard.first.avatar ? commentsCard.first.avatar : ""
                        size: 28
                    }
                    Text {
                        objectName: "firstComment"
                        width: parent.width - 38
                        text: commentsCard.first ? commentsCard.first.text : ""
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
                        font: TextStyle.footnote
                        color: Colors.label
                    }
                }
            }
        }

        // 6. The queue's first videos.
        Column {
            objectName: "queuePreview"
            visible: preview.count > 0
            width: parent.width
            spacing: 14

            QueueModel {
                id: preview
                player: list.player
                limit: 3
            }

            Item {
                width: parent.width
                height: queueHeading.implicitHeight
                Heading {
                    id: queueHeading
                    text: "En cola"
                }
                FadingButton {
                    objectName: "seeAllQueue"
                    anchors.right: parent.right
                    anchors.bottom: parent.bottom
                    padding: 0
                    horizontalPadding: 0
                    focusPolicy: Qt.NoFocus
                    text: "Ver todo"
                    font: TextStyle.subheadline
                    onClicked: list.showQueue()
                }
            }
            Repeater {
                model: preview.videos
                VideoRow {
                    width: parent.width
                    player: list.player
                    library: list.library
                    avatars: list.avatars
                    router: list.router
                    surface: list.background
                }
            }
        }

        // 7. What comes next, or a spinner while neither it nor the detail is in.
        Heading {
            objectName: "relatedHeading"
            visible: list.details.hasRelated
            text: "A continuación"
        }
        Item {
            visible: list.details.relatedPending
            width: parent.width
            height: 30 + spinner.height
            Basic.BusyIndicator {
                id: spinner
                objectName: "relatedSpinner"
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottom: parent.bottom
                running: parent.visible
            }
        }
        Loader {
            active: list.details.detailFailed
            visible: active
            width: parent.width
            sourceComponent: ErrorState {
                objectName: "detailsError"
                message: list.details.detailError
                retry: () => list.details.reload()
            }
        }
    }
}
