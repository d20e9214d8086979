// The small tile of a video in a horizontal strip: the rounded 16:9 picture
// (with its progress when a library is given) over a title of two lines.
// A tap plays the video; the owner says how.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Shell

PressableStyle {
    id: tile

    required property video video
    // Shows the watched part when set.
    property LibraryStore library: null
    property real radius: 12
    property bool shadow: false
    property real titleSize: 12
    property real gap: 6
    // What lies behind the tile; the picture's corners are cut in it.
    property color surface: Colors.background

    width: 164

    contentItem: Column {
        spacing: tile.gap

        Item {
            width: tile.width
            height: tile.width * 9 / 16

            Thumb {
                anchors.fill: parent
                videoId: tile.video.id
                radius: tile.radius
                backdrop: tile.surface
                shadowDrop: tile.shadow ? 4 : 0
            }
            // The bar runs into the rounded corners, which are cut round it.
            Loader {
                anchors.fill: parent
                active: tile.library !== null
                sourceComponent: Item {
                    ProgressOverlay {
                        anchors.fill: parent
                        video: tile.video
                        library: tile.library
                    }
                    CornerMask {
                        anchors.fill: parent
                        radius: tile.radius
                        color: tile.surface
                    }
                }
            }
        }

        Text {
            width: tile.width
            text: tile.video.title
            textFormat: Text.PlainText
            font: TextStyle.font(tile.titleSize, Font.DemiBold)
            color: Colors.label
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
        }
    }
}
