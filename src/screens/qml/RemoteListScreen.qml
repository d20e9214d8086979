// One of the signed-in account's lists, paged from the backend: a spinner
// while the first page loads (also on every reload), the error with
// "Reintentar", the empty state, or the rows, which ask for the next page
// when the last one is shown. Loads each time the screen appears; pull to
// refresh loads from the first page.
import QtQuick
import Nimbelora.Platform
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

    color: Colors.background

    RemoteListModel {
        id: remote
        kind: root.kind
        auth: root.auth
    }

    Appearance {
        active: root.active
        onAppeared: remote.onScreen = true
        onDisappeared: remote.onScreen = false
    }

    FeedView {
        objectName: "remoteList"
        anchors.fill: parent
        clip: true
        player: root.player
        library: root.library
        avatars: root.avatars
        router: root.router
        videos: remote.items
        feedState: remote.state
        loadingMore: remote.loadingMore
        rows: true
        placeholders: 0
        topMargin: 8
        bottomMargin: 28
        moreTop: 10
        moreBottom: 10
        emptySymbol: remote.symbolFor(root.kind)
        emptyTitle: root.title
        emptyDescription: "No hay nada en esta lista."
        retry: function() { remote.retry() }
        reload: function(done) { remote.refresh(done) }
        refreshActive: root.active
        onMoreWanted: remote.fetchMore()
    }
}
