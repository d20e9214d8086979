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

    // Made at the first opening: every card holds a menu, few are ever opened.
    property VideoMenu _actions: null

    onAboutToOpen: {
        if (_actions === null)
            _actions = actionsComponent.createObject(root)
        model = _actions.menuModel()
    }
    onTriggered: (index, id) => _actions.trigger(id)

    Component {
        id: actionsComponent
        VideoMenu {
            video: root.video
            player: root.player
            library: root.library
            router: root.router
        }
    }
}
