// A card of a placeholder video in the placeholder look, pulsing, while the
// first page loads. It can be neither tapped nor held.
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Shell

Shimmer {
    id: root

    // Its place in the list; `video` is the placeholder of that index (a
    // VideoListModel with `placeholders` set gives both).
    required property int index
    required property video video

    objectName: "skeletonCard"
    implicitWidth: 340
    implicitHeight: card.implicitHeight

    VideoCard {
        id: card
        width: root.width
        redacted: true
        video: root.video
        player: null
        library: null
        avatars: null
    }
}
