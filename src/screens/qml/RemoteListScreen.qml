// One of the signed-in account's lists, paged from the backend: a spinner
// while the first page loads (also on every reload), the error with
// "Reintentar", the empty state, or the rows, which ask for the next page
// when the last one is shown. Loads each time the screen appears; pull to
// refresh loads from the first page.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Screens

Rectangle {
    id: root

    required property PlayerStore player
    required property LibraryStore library
    required property AuthStore auth
    required property AvatarStore avatars
    property Router router: null
    property bool active: true
    property string kind

    readonly property string title: remote.titleFor(kind)
    readonly property RemoteListModel model: remote

    color: Platform.Colors.background

    RemoteListModel {
        id: remote
        kind: root.kind
        auth: root.auth
    }

    Appearance {
        active: root.active
        onAppeared: remote.startLoad()
    }

    BusyIndicator {
        objectName: "remoteSpinner"
        anchors.centerIn: parent
        width: 44
        height: 44
        visible: remote.state.isIdle || remote.state.isLoading
        running: visible
    }

    ErrorState {
        objectName: "remoteError"
        visible: remote.state.isFailed
        anchors.centerIn: parent
        width: parent.width
        message: remote.state.message
        retry: function() { remote.startLoad() }
    }

    EmptyState {
        objectName: "remoteEmpty"
        visible: remote.state.isLoaded && remote.items.count === 0
        anchors.fill: parent
        symbol: remote.symbolFor(root.kind)
        title: root.title
        description: "No hay nada en esta lista."
    }

    PullToRefresh {
        id: refresher
        visible: remote.state.isLoaded && remote.items.count > 0
        anchors.fill: parent
        active: root.active
        onRefresh: {
            refreshing = true
            remote.startLoad(() => refresher.refreshing = false)
        }

        VideoRowList {
            objectName: "remoteList"
            anchors.fill: parent
            model: remote.items
            player: root.player
            library: root.library
            avatars: root.avatars
            router: root.router
            onReached: videoId => remote.reached(videoId)

            footer: Item {
                width: ListView.view ? ListView.view.width : 0
                height: remote.loadingMore ? 48 : 0

                BusyIndicator {
                    objectName: "remoteMore"
                    anchors.centerIn: parent
                    width: 28
                    height: 28
                    visible: remote.loadingMore
                    running: visible
                }
            }
        }
    }
}
