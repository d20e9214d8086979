// One own playlist, always as the library holds it now: its videos in order
// with "Reproducir" and "Aleatorio" above them and a swipe that takes a
// video out; "pencil" renames it. A list without videos, or one deleted
// meanwhile, shows its empty state instead.
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
    property string playlistId

    readonly property string title: detail.title
    readonly property PlaylistDetailModel model: detail
    // There in every state, a missing list included.
    property Item navigationTrailing: SheetBarButton {
        objectName: "renameButton"
        symbol: "pencil"
        Accessible.name: "Renombrar lista"
        onClicked: root.startRenaming()
    }

    function startRenaming() {
        alert.text = detail.name
        alert.open()
    }

    color: Colors.background

    PlaylistDetailModel {
        id: detail
        library: root.library
        playlistId: root.playlistId
    }

    ListPlayback {
        id: playback
        player: root.player
    }

    EmptyState {
        objectName: "playlistMissing"
        visible: !detail.found
        anchors.fill: parent
        symbol: "questionmark.folder"
        title: "Lista no encontrada"
    }

    EmptyState {
        objectName: "playlistEmpty"
        visible: detail.found && detail.videos.count === 0
        anchors.fill: parent
        symbol: "music.note.list"
        title: "Lista vacía"
        description: "Añade vídeos desde el reproductor con «Lista»."
    }

    VideoRowList {
        objectName: "playlistVideos"
        visible: detail.found && detail.videos.count > 0
        anchors.fill: parent
        model: detail.videos
        player: root.player
        library: root.library
        avatars: root.avatars
        router: root.router
        removable: true
        onRemove: videoId => detail.remove(videoId)

        header: Item {
            width: ListView.view ? ListView.view.width : 0
            height: buttons.height + 16

            PlayButtons {
                id: buttons
                x: 16
                width: parent.width - 32
                onPlayAll: playback.playAll(detail.videos)
                onShuffle: playback.shuffle(detail.videos)
            }
        }
    }

    TextAlert {
        id: alert
        objectName: "renameAlert"
        title: "Renombrar lista"
        placeholder: "Nombre"
        confirmText: "Guardar"
        onConfirmed: name => detail.rename(name)
    }
}
