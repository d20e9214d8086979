// The compact row of a video: a 150-point thumbnail with its progress bar and
// length, then the title, the channel with its small avatar, and the views.
// A tap plays the video; a long press or a right click opens its menu.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

PressableStyle {
    id: row

    required property video video
    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    property Router router: null
    // What lies behind the row; the thumbnail's rounded corners are cut in it.
    property color surface: Colors.background

    readonly property bool hasViews: video.views !== undefined && video.views !== null

    objectName: "videoRow"
    implicitWidth: 340
    implicitHeight: Math.max(thumbBlock.height, texts.implicitHeight)

    onClicked: {
        Haptics.light()
        row.player.play(row.video)
    }

    contentItem: Item {
        Item {
            id: thumbBlock
            width: 150
            height: 150 * 9 / 16

            Thumb {
                anchors.fill: parent
                videoId: row.video.id
            }

            ProgressOverlay {
                anchors.fill: parent
                video: row.video
                library: row.library
            }

            CornerMask {
                anchors.fill: parent
                radius: 13
                color: row.surface
            }

            DurationBadge {
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                // The card's 8-point margin, scaled with the badge.
                anchors.rightMargin: 7.2
                anchors.bottomMargin: 7.2
                transformOrigin: Item.BottomRight
                scale: 0.9
                video: row.video
            }
        }

        Column {
            id: texts
            x: thumbBlock.width + 12
            width: parent.width - x
            spacing: 4

            Text {
                objectName: "rowTitle"
                width: parent.width
                text: row.video.title
                textFormat: Text.PlainText
                color: Colors.label
                font: TextStyle.font(15, Font.DemiBold)
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
            }

            Row {
                width: parent.width
                spacing: 6

                Loader {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 18
                    height: 18
                    active: row.avatars !== null
                    sourceComponent: ChannelAvatar {
                        avatars: row.avatars
                        video: row.video
                        size: 18
                    }
                }

                Text {
                    objectName: "rowChannel"
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width - 24
                    text: row.video.channel
                    textFormat: Text.PlainText
                    color: Colors.secondaryLabel
                    font: TextStyle.caption
                    maximumLineCount: 1
                    elide: Text.ElideRight
                }
            }

            Text {
                objectName: "rowViews"
                visible: row.hasViews
                width: parent.width
                text: row.hasViews ? Fmt.compact(row.video.views) + (row.video.views === 1 ? " vista" : " vistas") : ""
                color: Colors.secondaryLabel
                font: TextStyle.caption
                wrapMode: Text.Wrap
            }
        }
    }

    VideoContextMenu {
        video: row.video
        player: row.player
        library: row.library
        router: row.router
    }
}
