// The long-press (and right-click) menu of a video card or row. Which items,
// with which labels, and what they do is VideoMenu's; the entries are built
// anew at every opening.
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

ContextMenu {
    id: root

    required property video video
    property PlayerStore player: null
    property LibraryStore library: null
    property Router router: null

    onAboutToOpen: model = actions.menuModel()
    onTriggered: (index, id) => actions.trigger(id)

    VideoMenu {
        id: actions
        video: root.video
        player: root.player
        library: root.library
        router: root.router
    }
}
