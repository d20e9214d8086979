// The Shorts tab: a black, vertical pager with one Short filling the screen.
// A swipe, a wheel notch or Up/Down/PageUp/PageDown moves one page, and the
// page that comes to rest plays, in a loop. Showing the tab pauses the main
// player; leaving it pauses the Short. Nothing here navigates anywhere.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shorts

Rectangle {
    id: root

    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    // The Shorts tab is selected and the player is not over it.
    property bool active: true

    readonly property ShortsStore store: shorts

    color: "black"

    ShortsStore {
        id: shorts
        mainPlayer: root.player.player
        playerHeld: true
    }

    // The player opens (see ShortsStore.playerHeld) a moment after this
    // screen's pages came, once their first pictures have been drawn; not
    // at all while there is nothing to play.
    Timer {
        interval: 250
        running: shorts.playerHeld && appearance.shown && shorts.state.isLoaded && shorts.currentID.length > 0
        onTriggered: shorts.playerHeld = false
    }

    Appearance {
        id: appearance
        active: root.active
        onAppeared: shorts.onScreen = true
        onDisappeared: shorts.onScreen = false
    }

    Basic.BusyIndicator {
        objectName: "shortsSpinner"
        anchors.centerIn: parent
        width: 56
        height: 56
        visible: shorts.state.isIdle || shorts.state.isLoading
        running: visible
        palette.dark: "white"
    }

    // Dark on the black screen, whatever the app's scheme.
    ErrorState {
        objectName: "shortsError"
        Colors.dark: true
        anchors.centerIn: parent
        width: parent.width - 48
        visible: shorts.state.isFailed
        message: shorts.state.message
        retry: () => shorts.retry()
    }

    ListView {
        id: pager
        objectName: "shortsPager"
        anchors.fill: parent
        visible: shorts.state.isLoaded
        model: shorts.items
        snapMode: ListView.SnapOneItem
        boundsBehavior: Flickable.StopAtBounds
        // The neighbours are made ahead, so their pictures are there when
        // a swipe reveals them.
        cacheBuffer: Math.max(0, height / 2)
        clip: true
        // The view keeps its current item alive wherever it is: that is the
        // page at rest, and it never moves the view.
        currentIndex: restIndex
        highlightFollowsCurrentItem: false

        // The id of the page the pager last came to rest on; none at first,
        // since the store makes the first Short current by itself.
        property string scrolledID
        property int restIndex: 0

        function indexAt(y) {
            return Math.max(0, Math.min(count - 1, Math.round((y - originY) / height)))
        }

        function settle() {
            if (count === 0 || height <= 0)
                return
            restIndex = indexAt(contentY)
            const id = shorts.items.at(restIndex).id
            if (id === scrolledID)
                return
            scrolledID = id
            shorts.setCurrent(id)
        }

        function pageBy(step) {
            if (count === 0 || height <= 0 || moving)
                return
            const index = Math.max(0, Math.min(count - 1, indexAt(turn.running ? turn.to : contentY) + step))
            turn.to = originY + index * height
            turn.restart()
        }

        onMovementStarted: turn.stop()
        onMovementEnded: settle()
        onHeightChanged: if (count > 0) positionViewAtIndex(restIndex, ListView.Beginning)

        NumberAnimation {
            id: turn
            target: pager
            property: "contentY"
            duration: 280
            easing.type: Easing.OutCubic
            onFinished: pager.settle()
        }

        delegate: ShortPage {
            width: pager.width
            height: pager.height
            store: shorts
            library: root.library
            avatars: root.avatars
        }
    }

    // A wheel notch is one page; presses pass through to the pages.
    MouseArea {
        anchors.fill: pager
        enabled: pager.visible
        acceptedButtons: Qt.NoButton
        property real pending: 0
        onWheel: wheel => {
            pending += wheel.angleDelta.y
            while (pending >= 120) {
                pending -= 120
                pager.pageBy(-1)
            }
            while (pending <= -120) {
                pending += 120
                pager.pageBy(1)
            }
        }
    }

    Shortcut {
        sequences: ["Down", "PgDown"]
        enabled: appearance.shown && pager.visible && !ShareSheet.active
        onActivated: pager.pageBy(1)
    }
    Shortcut {
        sequences: ["Up", "PgUp"]
        enabled: appearance.shown && pager.visible && !ShareSheet.active
        onActivated: pager.pageBy(-1)
    }
}
