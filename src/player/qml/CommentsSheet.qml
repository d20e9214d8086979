// The comments of the playing video, as the store holds them: loading,
// loaded (a list, or "Sin comentarios"), or failed with a retry of "top".
// "Ordenar" reloads in the chosen order, also the one already checked.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform as Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Player

BottomSheet {
    id: sheet

    required property PlayerStore player
    readonly property alias model: comments
    readonly property var loadState: player.commentsState

    objectName: "commentsSheet"
    title: "Comentarios"
    onAboutToShow: comments.reset()

    CommentsModel {
        id: comments
        player: sheet.player
    }

    leading: Basic.Button {
        id: sortButton
        objectName: "commentsSort"
        Accessible.name: "Ordenar"
        padding: 6
        background: Item {}
        contentItem: Symbol {
            name: "arrow.up.arrow.down"
            size: 18
            color: Theme.accent
            opacity: sortButton.down ? 0.5 : 1
        }
        onClicked: sortMenu.popup(0, sortButton.height)

        ContextMenu {
            id: sortMenu
            objectName: "commentsSortMenu"
            onAboutToOpen: model = comments.sortMenu
            onTriggered: (index, id) => comments.setSort(id)
        }
    }
    trailing: SheetBarButton {
        objectName: "commentsDone"
        text: "Hecho"
        emphasized: true
        onClicked: sheet.close()
    }

    Column {
        objectName: "commentsLoading"
        visible: sheet.loadState.isIdle || sheet.loadState.isLoading
        anchors.centerIn: parent
        spacing: 12
        Basic.BusyIndicator {
            anchors.horizontalCenter: parent.horizontalCenter
            running: parent.visible
        }
        Text {
            text: "Cargando comentarios…"
            font: TextStyle.footnote
            color: Platform.Palette.secondaryLabel
        }
    }

    EmptyState {
        objectName: "commentsEmpty"
        visible: sheet.loadState.isLoaded && sheet.player.comments.length === 0
        anchors.centerIn: parent
        width: parent.width
        symbol: "text.bubble"
        title: "Sin comentarios"
        description: "Este vídeo no tiene comentarios o están desactivados."
    }

    ErrorState {
        objectName: "commentsError"
        visible: sheet.loadState.isFailed
        anchors.centerIn: parent
        width: parent.width
        message: sheet.loadState.message
        retry: () => comments.retry()
    }

    ListView {
        objectName: "commentsList"
        visible: sheet.loadState.isLoaded
        anchors.fill: parent
        clip: true
        model: visible ? sheet.player.comments : []
        topMargin: 6
        bottomMargin: 24
        spacing: 8
        delegate: CommentRow {
            required property var modelData
            x: 16
            width: ListView.view.width - 32
            comment: modelData
        }
    }
}
