// The videos watched in the app, by day: "Hoy", "Ayer", then the weekday
// and date, newest first. A search over titles and channels, a swipe that
// removes one entry, and "Borrar" (only while there is history) that clears
// it all, saved positions too, after a confirmation.
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

    readonly property string title: LibraryRoutes.history().title
    readonly property HistoryModel model: history
    readonly property Item largeTitle: largeTitle
    property Item navigationTrailing: SheetBarButton {
        objectName: "clearHistoryButton"
        visible: !history.empty
        text: "Borrar"
        onClicked: root.startClearing()
    }

    function startClearing() { confirm.open() }

    color: Colors.background

    HistoryModel {
        id: history
        library: root.library
    }

    LargeTitle {
        id: largeTitle
        text: root.title
    }

    SearchField {
        id: search
        objectName: "historySearch"
        x: 16
        y: largeTitle.height
        width: parent.width - 32
        placeholder: "Buscar en el historial"
        onTextChanged: {
            history.query = text
            list.toTop()
        }
    }

    EmptyState {
        objectName: "historyEmpty"
        visible: history.empty
        // Over the list while its rows fade out; in once they are gone.
        opacity: list.visible ? 0 : 1
        Behavior on opacity { NumberAnimation { duration: Motion.standard } }
        anchors.fill: parent
        anchors.topMargin: search.y + search.height
        symbol: "clock.arrow.circlepath"
        title: root.title
        description: history.emptyText
    }

    VideoRowList {
        id: list
        objectName: "historyList"
        // Cleared, the rows fade out before the empty state takes their place.
        opacity: history.empty ? 0 : 1
        visible: opacity > 0
        Behavior on opacity { NumberAnimation { duration: Motion.standard } }
        anchors.fill: parent
        anchors.topMargin: search.y + search.height + 4
        clip: true
        model: history
        player: root.player
        library: root.library
        avatars: root.avatars
        router: root.router
        removable: true
        onRemove: videoId => history.remove(videoId)

        section.property: "day"
        section.delegate: Item {
            required property string section
            width: ListView.view ? ListView.view.width : 0
            height: 40

            Text {
                objectName: "historyDay"
                x: 16
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 2
                text: history.label(parent.section)
                font: TextStyle.headline
                color: Colors.label
            }
        }
    }

    Confirm {
        id: confirm
        objectName: "clearHistoryConfirm"
        title: "¿Borrar todo el historial?"
        actionText: "Borrar historial"
        onConfirmed: history.clear()
    }
}
