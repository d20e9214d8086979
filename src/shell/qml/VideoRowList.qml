// A plain list of video rows, separators hidden: a tap on a row plays its
// video, a long press opens its menu. With `removable`, a full swipe to the
// left (or its "Quitar" button) asks to remove the row's video. A model that
// is rebuilt keeps the rows on screen where they were; a row the model takes
// out fades while the rows below close the gap.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

ListView {
    id: list

    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    property Router router: null
    property bool removable: false
    signal remove(string videoId)
    // Each row as it is made; paged lists ask for more at the last one.
    signal reached(string videoId)

    property int _keptIndex: -1

    // Back to the first row, also while the model is being rebuilt.
    function toTop() {
        _keptIndex = -1
        positionViewAtBeginning()
    }

    // No current row: the view keeps its current item alive and unplaced
    // when a change moves it out of view, drawn and pressable where it was.
    currentIndex: -1
    spacing: 16
    topMargin: 8
    bottomMargin: 28
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    // A search that changes the rows reuses them instead of making new ones.
    reuseItems: true
    ScrollIndicator.vertical: ScrollIndicator {}

    displaced: Transition { Spring { property: "y"; response: 0.35; dampingFraction: 0.86 } }
    remove: Transition { NumberAnimation { property: "opacity"; to: 0; duration: Motion.standard } }

    // A row is made while the view lays itself out, as when the spinner
    // under the rows goes when a page lands: the next page is asked for once
    // that is done, not while the spinner's flag is still being set.
    function _reach(videoId) {
        Qt.callLater(() => { if (list) list.reached(videoId) })
    }

    Connections {
        target: list.model
        ignoreUnknownSignals: true
        function onModelAboutToBeReset() { list._keptIndex = list.indexAt(0, list.contentY + list.topMargin) }
        function onModelReset() {
            Qt.callLater(() => {
                if (list._keptIndex > 0)
                    list.positionViewAtIndex(Math.min(list._keptIndex, list.count - 1), ListView.Beginning)
                list._keptIndex = -1
            })
        }
    }

    delegate: SwipeRow {
        id: swipe
        required property video video
        required property string videoId

        width: ListView.view.width
        height: row.implicitHeight
        actions: list.removable ? [{ label: "Quitar", symbol: "trash", destructive: true }] : []
        onTriggered: list.remove(swipe.videoId)
        Component.onCompleted: list._reach(swipe.videoId)
        // The view pools a row once its fade ends, or while a newer change
        // has already moved it on, and leaves what the fade did: a pooled row
        // can stay drawn where it was, and a reused one would come back
        // faded. So a pooled row hides, and a reused one starts at rest.
        ListView.onPooled: swipe.visible = false
        ListView.onReused: {
            swipe.visible = true
            swipe.opacity = 1
            swipe.reset()
            list._reach(swipe.videoId)
        }

        VideoRow {
            id: row
            x: 16
            width: parent.width - 32
            height: implicitHeight
            video: swipe.video
            player: list.player
            library: list.library
            avatars: list.avatars
            router: list.router
        }
    }
}
