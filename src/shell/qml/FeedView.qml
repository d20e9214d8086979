// The one scrolling feed of videos over a list and the load state of its
// first page: placeholder cards while that page is on its way (a feed without
// them shows a spinner in the middle instead), the error with its retry, the
// empty state, the cards (or rows) once loaded, and a spinner under them
// while a further page loads. What the screen shows above the videos comes as
// `header`. The last shown video coming into view emits moreWanted(), which
// the screen answers with its model's fetchMore().
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

Item {
    id: feed

    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    property Router router: null

    // The whole list, and the state of its first page.
    required property VideoListModel videos
    required property loadState feedState
    property bool loadingMore: false
    // A function without arguments, or null for no retry.
    property var retry: null
    // A function given the function to call once the list is loaded again,
    // or null for no pull to refresh.
    property var reload: null
    // False while another screen is on top, so only one view answers F5.
    property bool refreshActive: true
    signal moreWanted()

    // Hidden channels' videos left out, and with hideWatched the recently
    // watched ones; the list itself stays whole.
    property bool filtered: false
    property bool hideWatched: false

    // Rows instead of cards, once loaded.
    property bool rows: false
    // Card columns at least 340 wide, `spacing` apart; rows of cards
    // `rowSpacing` apart.
    property real spacing: 22
    property real rowSpacing: 26
    property real topMargin: 0
    property real bottomMargin: 0
    // Cards shown while the first page is on its way. With none, a spinner
    // stands in the middle, and so does the error of a feed without header.
    property int placeholders: 4
    // In a feed without header, the error alone at the top edge, as wide as
    // the view, rather than within the cards' margins.
    property bool errorOnTop: false
    // The empty state of a loaded list without videos; none without a title.
    property string emptySymbol
    property string emptyTitle
    property string emptyDescription
    // Above the videos, as wide as the view; `gap` below it.
    property Component header: null
    property real gap: 22
    // Space above and below the spinner of a further page.
    property real moreTop: 20
    property real moreBottom: 0

    readonly property Flickable flickable: viewLoader.item
    readonly property VideoFilterModel shown: shownVideos
    readonly property bool showingPlaceholders: placeholders > 0 && _waiting
    readonly property bool showingEmpty: feedState.isLoaded && videos.count === 0 && emptyTitle.length > 0

    readonly property bool _waiting: feedState.isIdle || feedState.isLoading
    readonly property bool _spinning: placeholders === 0 && _waiting
    readonly property bool _errorApart: feedState.isFailed && header === null && (placeholders === 0 || errorOnTop)
    // The placeholders are cards, so rows wait for the list.
    readonly property bool _rowsShown: rows && (feedState.isLoaded || placeholders === 0)

    VideoFilterModel {
        id: shownVideos
        source: feed.videos
        library: feed.filtered ? feed.library : null
        hideWatched: feed.hideWatched
        onMoreWanted: feed.moreWanted()
        // The filter can make a card or row already made the last one.
        onLastIdChanged: Qt.callLater(feed._lastRowMade)
    }

    function _lastRowMade() {
        const v = flickable
        const last = shownVideos.count - 1
        const made = !v ? null : v.source === shownVideos ? v.cellAt(last)
                                                           : v.model === shownVideos ? v.itemAtIndex(last) : null
        const video = made && made.shown !== false ? made.item ?? made.video : undefined
        if (!video || video.id !== shownVideos.lastId)
            return
        if (made.reachedId !== undefined) {
            if (made.reachedId === video.id)
                return
            made.reachedId = video.id
        }
        shownVideos.reach(video.id)
    }

    // A view keeps its offset when what is above the videos changes height
    // (a reply's banner, an error giving way to placeholders), which shows it
    // scrolled: one left at its top stays there, and placeholders coming in
    // above the view's top bring it back to the top.
    function toTop() {
        if (flickable)
            flickable.contentY = flickable.originY - flickable.topMargin
    }
    function _placeholdersInView() {
        const v = flickable
        if (showingPlaceholders && v && v.headerItem
                && v.headerItem.y + v.headerItem.placeholdersY < v.contentY + v.topMargin)
            toTop()
    }
    onShowingPlaceholdersChanged: Qt.callLater(_placeholdersInView)

    // The offset the view had when it last stood at its top; NaN once it
    // left. A list of rows of several heights moves its origin while it
    // scrolls, before its offset says so: only an origin that moves under
    // an unmoved view is what is above changing.
    property real _topOffset: NaN
    onFlickableChanged: _topOffset = flickable ? flickable.contentY : NaN

    Connections {
        target: feed.flickable
        function onContentYChanged() {
            const v = feed.flickable
            feed._topOffset = v.contentY <= v.originY - v.topMargin + 0.5 ? v.contentY : NaN
        }
        function onOriginYChanged() {
            if (feed.flickable.contentY === feed._topOffset)
                feed.toTop()
        }
    }

    PullToRefresh {
        id: refresher
        anchors.fill: parent
        visible: !feed.showingEmpty && (feed.header !== null || !feed._spinning) && !feed._errorApart
        active: feed.refreshActive && feed.reload !== null
        flickable: feed.reload !== null ? feed.flickable : null
        onRefresh: {
            refreshing = true
            feed.reload(() => refresher.refreshing = false)
        }

        Loader {
            id: viewLoader
            anchors.fill: parent
            sourceComponent: feed._rowsShown ? rowsView : gridView
        }
    }

    BusyIndicator {
        objectName: "feedSpinner"
        anchors.centerIn: parent
        width: 44
        height: 44
        visible: feed._spinning
        running: visible
    }

    Flickable {
        id: apart
        anchors.fill: parent
        visible: feed._errorApart
        contentHeight: Math.max(apartError.height, feed.placeholders === 0 ? height : 0)
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        Item {
            width: apart.width
            height: apart.contentHeight

            ErrorState {
                id: apartError
                objectName: "feedError"
                anchors.centerIn: feed.placeholders === 0 ? parent : undefined
                width: parent.width
                height: implicitHeight
                message: feed.feedState.message
                retry: feed.retry
            }
        }
    }

    EmptyState {
        objectName: "feedEmpty"
        anchors.fill: parent
        visible: feed.showingEmpty
        symbol: feed.emptySymbol
        title: feed.emptyTitle
        description: feed.emptyDescription
    }

    Component {
        id: gridView

        AdaptiveGrid {
            objectName: "feedGrid"
            minimumColumn: 340
            spacing: feed.spacing
            rowSpacing: feed.rowSpacing
            leftMargin: 16
            rightMargin: 16
            topMargin: feed.topMargin
            bottomMargin: feed.bottomMargin
            rowHeight: columnWidth * 9 / 16 + 11 + probe.textBlockHeight
            source: feed.feedState.isLoaded ? shownVideos : null
            role: "video"
            header: feedTop
            footer: feedBottom
            // The next screen of cards is laid out ahead, between frames,
            // rather than all within the frame that scrolls to it.
            cacheBuffer: Math.max(320, height)
            ScrollIndicator.vertical: ScrollIndicator {}

            cell: AdaptiveGrid.Cell {
                id: cell

                VideoCard {
                    width: parent.width
                    // A cell between two rows' contents holds no item for a moment.
                    video: cell.item ?? probeVideo.at(0)
                    player: feed.player
                    library: feed.library
                    router: feed.router
                    avatars: feed.avatars
                }
                // The last video's id once this cell has told the list it is
                // shown; a cell that leaves the view forgets it, so coming
                // back tells it again.
                property string reachedId
                onShownChanged: {
                    if (!shown)
                        reachedId = ""
                    Qt.callLater(feed._lastRowMade)
                }
                onItemChanged: Qt.callLater(feed._lastRowMade)
                Component.onCompleted: Qt.callLater(feed._lastRowMade)
            }
        }
    }

    Component {
        id: rowsView

        VideoRowList {
            objectName: "feedList"
            topMargin: feed.topMargin
            bottomMargin: feed.bottomMargin
            clip: false
            model: shownVideos
            player: feed.player
            library: feed.library
            avatars: feed.avatars
            router: feed.router
            header: feedTop
            footer: feedBottom
            onReached: (videoId) => shownVideos.reach(videoId)
        }
    }

    // The header, then the placeholders or the error while there is no list.
    Component {
        id: feedTop

        Item {
            id: topItem

            readonly property Flickable view: feed.flickable
            readonly property real placeholdersY: skeletons.y

            width: view ? view.width - view.leftMargin - view.rightMargin : 0
            height: column.height + (column.height > 0 && feed.feedState.isLoaded && shownVideos.count > 0 ? feed.gap : 0)
            onHeightChanged: Qt.callLater(feed._placeholdersInView)

            Column {
                id: column
                width: parent.width
                spacing: feed.gap

                Loader {
                    x: topItem.view ? -topItem.view.leftMargin : 0
                    width: topItem.view ? topItem.view.width : 0
                    active: feed.header !== null
                    visible: active
                    sourceComponent: feed.header
                }

                Grid {
                    id: skeletons
                    objectName: "skeletonGrid"
                    readonly property real columnWidth: topItem.view && topItem.view.columnWidth !== undefined
                                                        ? topItem.view.columnWidth : topItem.width
                    visible: feed.showingPlaceholders
                    columns: topItem.view && topItem.view.columns !== undefined ? topItem.view.columns : 1
                    columnSpacing: feed.spacing
                    rowSpacing: feed.rowSpacing

                    Repeater {
                        model: feed.showingPlaceholders ? placeholderVideos : null
                        delegate: SkeletonCard {
                            width: skeletons.columnWidth
                        }
                    }
                }

                ErrorState {
                    objectName: "feedError"
                    visible: feed.feedState.isFailed && !feed._errorApart
                    width: parent.width
                    height: visible ? implicitHeight : 0
                    message: feed.feedState.message
                    retry: feed.retry
                }
            }
        }
    }

    // The spinner under the list while a further page loads.
    Component {
        id: feedBottom

        Item {
            readonly property Flickable view: feed.flickable

            width: view ? view.width - view.leftMargin - view.rightMargin : 0
            height: feed.loadingMore ? feed.moreTop + spinner.height + feed.moreBottom : 0

            BusyIndicator {
                id: spinner
                objectName: "loadingMore"
                y: feed.moreTop
                anchors.horizontalCenter: parent.horizontalCenter
                width: 28
                height: 28
                visible: feed.loadingMore
                running: visible
            }
        }
    }

    VideoListModel {
        id: placeholderVideos
        placeholders: feed.placeholders
    }

    // Measures the text block of a card for the rows' height. Only a loaded
    // list has rows, so it is made with the first one (not for the first
    // frame) and kept.
    Loader {
        id: probe
        readonly property real textBlockHeight: item ? item.textBlockHeight : 40
        visible: false
        active: feed.feedState.isLoaded
        onLoaded: active = true
        sourceComponent: VideoCard {
            redacted: true
            video: { probeVideo.count; return probeVideo.at(0) }
            player: null
            library: null
            avatars: null
        }
    }
    VideoListModel {
        id: probeVideo
        placeholders: 1
    }
}
