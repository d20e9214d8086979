// A playlist of the video site: its title, owner and count, "Reproducir
// todo" and "Aleatorio", then its videos. The spinner shows from the first
// frame and on every load, which runs each time the screen appears.
import QtQuick
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

    FeedView {
        objectName: "playlistVideos"
        anchors.fill: parent
        clip: true
        player: root.player
        library: root.library
        avatars: root.avatars
        router: root.router
        videos: playlist.videos
        feedState: playlist.state
        rows: true
        placeholders: 0
        topMargin: 8
        bottomMargin: 28
        gap: 16
        // Over the rows only: the spinner and the error stand alone.
        header: playlist.state.isLoaded ? playlistHeader : null
        retry: function() { playlist.retry() }
    }

    Component {
        id: playlistHeader

        Column {
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
