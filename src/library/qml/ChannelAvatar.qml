// The avatar of a video's channel: the video's own picture, else the one the
// avatar store knows for its channel; on screen it asks the store for a
// missing one and redraws when it arrives.
import Nimbelora.Platform
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Library

AvatarView {
    id: root

    required property AvatarStore avatars
    required property video video

    name: video.channel
    // `revision` moves with every change of the store's map.
    url: { avatars.revision; return avatars.urlValue(video) }

    // A reused delegate that gets another video while shown asks for that one.
    onVideoChanged: if (appearance.shown) avatars.want(video)

    Appearance {
        id: appearance
        onAppeared: root.avatars.want(root.video)
    }
}
