// The grid of video cards of the home feed and the search results: as many
// columns of at least 340 points as fit, and paging from the last shown card
// (the filter model says when the next page is wanted).
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

AdaptiveGrid {
    id: grid

    required property VideoFilterModel shownVideos
    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    property Router router: null
    property bool loadingMore: false
    // Space under the spinner of a further page.
    property real spinnerPadding: 0

    minimumColumn: 340
    spacing: 22
    rowSpacing: 26
    leftMargin: 16
    rightMargin: 16
    rowHeight: columnWidth * 9 / 16 + 11 + probe.textBlockHeight
    model: shownVideos
    // The next screen of cards is made ahead, between frames, rather than
    // all within the frame that scrolls to it.
    cacheBuffer: Math.max(320, height)
    ScrollIndicator.vertical: ScrollIndicator {}

    footer: Item {
        width: grid.width - grid.leftMargin - grid.rightMargin
        height: grid.loadingMore ? 20 + more.height + grid.spinnerPadding : 0

        BusyIndicator {
            id: more
            objectName: "loadingMore"
            y: 20
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
        Component.onCompleted: grid.shownVideos.reach(video.id)
        Connections {
            target: grid.shownVideos
            function onLastIdChanged() { grid.shownVideos.reach(cell.video.id) }
        }
    }

    // Measures the text block of a card for the row height.
    VideoCard {
        id: probe
        visible: false
        redacted: true
        video: { probeVideos.count; return probeVideos.at(0) }
        player: null
        library: null
        avatars: null
    }
    VideoListModel {
        id: probeVideos
        placeholders: 1
    }
}
