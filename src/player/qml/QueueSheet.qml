// The up-next queue: its rows (a tap plays, a swipe takes a video out, in
// edit mode a handle moves it), or "Cola vacía". Every edit goes to the
// store by the video's id.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Player

BottomSheet {
    id: sheet

    required property PlayerStore player
    required property LibraryStore library
    required property AvatarStore avatars
    property Router router: null
    property bool editing: false

    objectName: "queueSheet"
    // Raised above the black player, as sheets over dark surfaces are.
    color: Colors.secondaryBackground
    title: "Cola"
    onClosed: editing = false

    QueueModel {
        id: queue
        player: sheet.player
    }

    leading: SheetBarButton {
        objectName: "queueEdit"
        text: sheet.editing ? "OK" : "Editar"
        emphasized: sheet.editing
        onClicked: sheet.editing = !sheet.editing
    }
    trailing: SheetBarButton {
        objectName: "queueDone"
        text: "Hecho"
        emphasized: true
        onClicked: sheet.close()
    }

    EmptyState {
        objectName: "queueEmpty"
        visible: queue.count === 0
        anchors.centerIn: parent
        width: parent.width
        symbol: "list.bullet"
        title: "Cola vacía"
        description: "Añade vídeos con «Cola» o con mantener pulsado sobre cualquier vídeo."
    }

    ListView {
        id: list
        objectName: "queueList"
        anchors.fill: parent
        clip: true
        visible: queue.count > 0
        model: queue.videos
        topMargin: 6
        bottomMargin: 24
        spacing: 14

        // The row being dragged by its handle, and the place it would take.
        property int dragIndex: -1
        property int dragTarget: -1
        // A drop that moves a row: the list moves the very row items, so
        // every row takes its new place at once, none springs back from
        // where the drag had it.
        property bool dropping: false
        readonly property real stride: 150 * 9 / 16 + spacing

        delegate: SwipeRow {
            id: entry
            required property video video
            required property int index
            // Moves out of the dragged row's way while it passes.
            readonly property real shift: queue.dragShift(entry.index, list.dragIndex, list.dragTarget) * list.stride
            property real dragY: 0

            objectName: "queueEntry"
            width: list.width
            height: row.implicitHeight
            z: entry.index === list.dragIndex ? 2 : 1
            actions: sheet.editing ? [] : [{ label: "Quitar", symbol: "trash", destructive: true, id: "remove" }]
            onTriggered: queue.remove(entry.video.id)
            transform: Translate {
                y: entry.index === list.dragIndex ? entry.dragY : entry.shift
                Behavior on y {
                    enabled: entry.index !== list.dragIndex && !list.dropping
                    Spring { response: 0.3; dampingFraction: 0.85 }
                }
            }

            VideoRow {
                id: row
                x: 16
                width: entry.width - 32 - (sheet.editing ? 44 : 0)
                video: entry.video
                player: sheet.player
                library: sheet.library
                avatars: sheet.avatars
                router: sheet.router
                surface: sheet.color
            }

            Item {
                objectName: "queueHandle"
                visible: sheet.editing
                anchors.right: parent.right
                anchors.rightMargin: 12
                width: 40
                height: parent.height

                Column {
                    anchors.centerIn: parent
                    spacing: 4
                    Repeater {
                        model: 3
                        Rectangle {
                            width: 18
                            height: 2
                            radius: 1
                            color: Colors.tertiaryLabel
                        }
                    }
                }

                DragHandler {
                    id: handleDrag
                    target: null
                    xAxis.enabled: false
                    property string videoId
                    onActiveChanged: {
                        if (active) {
                            videoId = entry.video.id
                            list.dragIndex = entry.index
                            list.dragTarget = entry.index
                            return
                        }
                        const from = list.dragIndex
                        const target = list.dragTarget
                        list.dropping = target !== from
                        list.dragIndex = -1
                        list.dragTarget = -1
                        entry.dragY = 0
                        queue.drop(videoId, from, target)
                        list.dropping = false
                    }
                    onTranslationChanged: {
                        if (!active)
                            return
                        entry.dragY = translation.y
                        list.dragTarget = queue.dragTarget(list.dragIndex, translation.y, list.stride)
                    }
                }
            }
        }
    }
}
