// A playlist of the video site: its title, owner and count, "Reproducir
// todo" and "Aleatorio", then its videos. The spinner shows from the first
// frame and on every load, which runs each time the screen appears.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Screens
import Nimbelora.Settings

Rectangle {
    id: root

    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    property Router router: null
    property bool active: true
    property string playlistId

    readonly property string title: "Lista"
    readonly property YTPlaylistModel model: playlist

    color: Colors.background

    YTPlaylistModel {
        id: playlist
        playlistId: root.playlistId
    }

    ListPlayback {
        id: playback
        player: root.player
    }

    Appearance {
        active: root.active
        onAppeared: playlist.onScreen = true
        onDisappeared: playlist.onScreen = false
    }

    BusyIndicator {
        objectName: "playlistSpinner"
        anchors.centerIn: parent
        width: 44
        height: 44
        visible: playlist.state.isIdle || playlist.state.isLoading
        running: visible
    }

    ErrorState {
        objectName: "playlistError"
        visible: playlist.state.isFailed
        anchors.centerIn: parent
        width: parent.width
        message: playlist.state.message
        retry: function() { playlist.retry() }
    }

    VideoRowList {
        objectName: "playlistVideos"
        visible: playlist.state.isLoaded && playlist.hasPlaylist
        anchors.fill: parent
        model: playlist.videos
        player: root.player
        library: root.library
        avatars: root.avatars
        router: root.router

        header: Column {
            width: ListView.view ? ListView.view.width : 0
            bottomPadding: 16
            spacing: 14

            Column {
                x: 16
                width: parent.width - 32
                spacing: 4

                Text {
                    objectName: "playlistTitle"
                    width: parent.width
                    text: playlist.title
                    textFormat: Text.PlainText
                    font: TextStyle.font(22, Font.Bold)
                    color: Colors.label
                    wrapMode: Text.Wrap
                }
                Text {
                    objectName: "playlistSubtitle"
                    width: parent.width
                    text: playlist.subtitle
                    textFormat: Text.PlainText
                    font: TextStyle.subheadline
                    color: Colors.secondaryLabel
                    wrapMode: Text.Wrap
                }
            }

            PlayButtons {
                x: 16
                width: parent.width - 32
                playTitle: "Reproducir todo"
                onPlayAll: playback.playAll(playlist.videos)
                onShuffle: playback.shuffle(playlist.videos)
            }
        }
    }
}
