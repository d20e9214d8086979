// The "Compartir" pill of the details: its menu shares the video's link or
// the link from the second playing now, copies the plain link, or opens the
// watch page.
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Playback
import Nimbelora.Player

DetailPill {
    id: button

    required property video video
    required property PlayerStore player

    objectName: "shareButton"
    symbol: "square.and.arrow.up"
    text: "Compartir"
    onClicked: menu.popup(0, button.height)

    ShareAtTimeModel {
        id: links
        player: button.player
        video: button.video
    }

    ContextMenu {
        id: menu
        objectName: "shareMenu"
        onAboutToOpen: model = links.menuModel()
        onTriggered: (index, id) => links.trigger(id)
    }
}
