// The comments of the playing video, as the store holds them: loading,
// loaded (a list, or "Sin comentarios"), or failed with a retry of "top".
// "Ordenar" reloads in the chosen order, also the one already checked.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
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
    // Raised above the black player, as sheets over dark surfaces are.
    color: Colors.secondaryBackground
    title: "Comentarios"
    onAboutToShow: comments.reset()

    CommentsModel {
        id: comments
        player: sheet.player
    }

    leading: FadingButton {
        id: sortButton
        objectName: "commentsSort"
        Accessible.name: "Ordenar"
        symbol: "arrow.up.arrow.down"
        symbolSize: 18
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

    // Only the view of the present state is made.
    Loader {
        anchors.fill: parent
        sourceComponent: sheet.loadState.isFailed ? failedView
                       : !sheet.loadState.isLoaded ? loadingView
                       : comments.count > 0 ? listView : emptyView
    }

    Component {
        id: loadingView
        Item {
            Column {
                objectName: "commentsLoading"
                anchors.centerIn: parent
                spacing: 12
                Basic.BusyIndicator {
                    anchors.horizontalCenter: parent.horizontalCenter
                }
                Text {
                    text: "Cargando comentarios…"
                    font: TextStyle.footnote
                    color: Colors.secondaryLabel
                }
            }
        }
    }

    Component {
        id: emptyView
        Item {
            EmptyState {
                objectName: "commentsEmpty"
                anchors.centerIn: parent
                width: parent.width
                symbol: "text.bubble"
                title: "Sin comentarios"
                description: "Este vídeo no tiene comentarios o están desactivados."
            }
        }
    }

    Component {
        id: failedView
        Item {
            ErrorState {
                objectName: "commentsError"
                anchors.centerIn: parent
                width: parent.width
                message: sheet.loadState.message
                retry: () => comments.retry()
            }
        }
    }

    Component {
        id: listView
        ListView {
            objectName: "commentsList"
            clip: true
            // Rows are made as they scroll in, none ahead.
            cacheBuffer: 0
            model: comments
            topMargin: 6
            bottomMargin: 24
            spacing: 8
            delegate: CommentRow {
                x: 16
                width: ListView.view.width - 32
            }
        }
    }
}
