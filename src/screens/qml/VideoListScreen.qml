// A list of videos kept on this computer (liked or watch later), newest
// first, with a search over titles and channels and a swipe that removes a
// video from the list. The empty state shows only when the whole list is
// empty; a search without matches shows an empty list.
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
    required property AvatarStore avatars
    property Router router: null
    property int list: LocalListModel.Liked
    readonly property string title: videos.title

    readonly property LocalListModel model: videos
    readonly property Item largeTitle: largeTitle

    color: Colors.background

    LocalListModel {
        id: videos
        library: root.library
        list: root.list
    }

    LargeTitle {
        id: largeTitle
        text: root.title
    }

    SearchField {
        id: search
        objectName: "listSearch"
        x: 16
        y: largeTitle.height
        width: parent.width - 32
        placeholder: "Buscar en " + root.title.toLowerCase()
        onTextChanged: videos.shown.query = text
    }

    EmptyState {
        objectName: "listEmpty"
        visible: videos.empty
        anchors.fill: parent
        anchors.topMargin: search.y + search.height
        symbol: videos.symbol
        title: videos.title
        description: videos.emptyText
    }

    VideoRowList {
        objectName: "videoList"
        visible: !videos.empty
        anchors.fill: parent
        anchors.topMargin: search.y + search.height + 4
        clip: true
        model: videos.shown
        player: root.player
        library: root.library
        avatars: root.avatars
        router: root.router
        removable: true
        onRemove: videoId => videos.remove(videoId)
    }
}
