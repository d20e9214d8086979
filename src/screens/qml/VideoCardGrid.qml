// One lazy scrolling grid of video cards under a screen's own top block:
// three placeholder cards while the state is idle or loading (also over cards
// already there), the error view when it failed, the cards once loaded, and a
// spinner below them while a further page loads.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

AdaptiveGrid {
    id: grid

    required property PlayerStore player
    required property LibraryStore library
    required property Router router
    required property AvatarStore avatars
    required property VideoListModel videos
    required property loadState feedState
    // A function without arguments, or null for no retry.
    property var retry: null
    property bool loadingMore: false
    // What comes above the feed, as wide as the grid (margins included).
    property Component topBlock: null
    // Between the top block and the feed.
    property real gap: 18
    property real endMargin: 12
    // A card came into view.
    signal reached(string videoId)

    readonly property bool showingSkeletons: feedState.isIdle || feedState.isLoading

    // The top block grows when a reply lands (a banner, a description): a
    // view left at its top stays there rather than at its old offset.
    property bool _atTop: true
    onMovementStarted: _atTop = false
    onMovementEnded: _atTop = atYBeginning
    onOriginYChanged: if (_atTop) contentY = originY - topMargin

    minimumColumn: 340
    spacing: 20
    rowSpacing: 24
    leftMargin: 16
    rightMargin: 16
    bottomMargin: endMargin
    rowHeight: columnWidth * 9 / 16 + 11 + probe.textBlockHeight
    model: feedState.isLoaded ? videos : null
    ScrollIndicator.vertical: ScrollIndicator {}

    header: Item {
        width: grid.width - grid.leftMargin - grid.rightMargin
        height: column.height + (grid.feedState.isLoaded && grid.count > 0 ? grid.gap : 0)

        Column {
            id: column
            width: parent.width
            spacing: grid.gap

            Loader {
                x: -grid.leftMargin
                width: grid.width
                active: grid.topBlock !== null
                visible: active
                sourceComponent: grid.topBlock
            }

            Grid {
                id: skeletons
                objectName: "skeletonGrid"
                visible: grid.showingSkeletons
                columns: grid.columns
                columnSpacing: grid.spacing
                rowSpacing: grid.rowSpacing

                Repeater {
                    model: grid.showingSkeletons ? placeholders : null
                    delegate: SkeletonCard {
                        width: grid.columnWidth
                    }
                }
            }

            ErrorState {
                objectName: "feedError"
                visible: grid.feedState.isFailed
                width: parent.width
                height: visible ? implicitHeight : 0
                message: grid.feedState.message
                retry: grid.retry
            }
        }
    }

    footer: Item {
        width: grid.width - grid.leftMargin - grid.rightMargin
        height: grid.loadingMore ? 20 + more.height : 0

        BusyIndicator {
            id: more
            objectName: "loadingMore"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 28
            height: 28
            visible: grid.loadingMore
            running: visible
        }
    }

    delegate: AdaptiveGrid.Cell {
        id: cell
        required property video video

        VideoCard {
            width: parent.width
            video: cell.video
            player: grid.player
            library: grid.library
            router: grid.router
            avatars: grid.avatars
        }
        Component.onCompleted: grid.reached(video.id)
    }

    VideoListModel {
        id: placeholders
        placeholders: 3
    }

    // Measures the text block of a card for the rows' height.
    VideoCard {
        id: probe
        visible: false
        redacted: true
        video: { placeholders.count; return placeholders.at(0) }
        player: null
        library: null
        avatars: null
    }
}
