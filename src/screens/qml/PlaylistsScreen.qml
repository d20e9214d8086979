// "Mis listas": the own playlists, newest first. A row opens the list; a
// swipe deletes it at once; "plus" (or "Crear lista" while there are none)
// asks for the name of a new, empty list.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Shell
import Nimbelora.Screens

Rectangle {
    id: root

    required property LibraryStore library
    required property Router router
    readonly property string title: LibraryRoutes.playlists().title
    readonly property Item largeTitle: largeTitle
    property Item navigationTrailing: SheetBarButton {
        objectName: "newListButton"
        symbol: "plus"
        Accessible.name: "Nueva lista"
        onClicked: root.startCreating()
    }

    function startCreating() {
        alert.text = ""
        alert.open()
    }

    // Grouped only behind the list; the empty state stands on the plain background.
    color: playlists.count > 0 ? Colors.groupedBackground : Colors.background

    PlaylistsModel {
        id: playlists
        library: root.library
    }

    LargeTitle {
        id: largeTitle
        text: root.title
    }

    EmptyState {
        objectName: "playlistsEmpty"
        visible: playlists.count === 0
        anchors.fill: parent
        anchors.topMargin: largeTitle.height
        symbol: "music.note.list"
        title: "Sin listas"
        description: "Crea listas para agrupar tus vídeos. También puedes guardar un vídeo desde el reproductor con «Lista»."

        BorderedButton {
            objectName: "createFirstList"
            text: "Crear lista"
            prominent: true
            onClicked: root.startCreating()
        }
    }

    Flickable {
        objectName: "playlistsList"
        visible: playlists.count > 0
        anchors.fill: parent
        anchors.topMargin: largeTitle.height
        clip: true
        contentHeight: section.height + 40
        boundsBehavior: Flickable.StopAtBounds

        GroupedSection {
            id: section
            y: 8

            Repeater {
                model: playlists

                SwipeRow {
                    id: swipe
                    required property int index
                    required property string playlistId
                    required property string name
                    required property string countText
                    required property string firstVideoId

                    width: parent.width
                    height: row.implicitHeight
                    actions: [{ label: "Borrar", symbol: "trash", destructive: true }]
                    onTriggered: playlists.remove(swipe.playlistId)

                    GroupedRow {
                        id: row
                        objectName: "playlistRow"
                        width: parent.width
                        height: parent.height
                        isFirst: swipe.index === 0
                        isLast: swipe.index === playlists.count - 1
                        text: swipe.name
                        titleFont: TextStyle.headline
                        subtitle: swipe.countText
                        chevron: true
                        onClicked: root.router.open(LibraryRoutes.playlist(swipe.playlistId))
                        leading: Component {
                            Item {
                                width: 84
                                height: 47

                                Thumb {
                                    visible: swipe.firstVideoId.length > 0
                                    anchors.fill: parent
                                    videoId: swipe.firstVideoId
                                }
                                CornerMask {
                                    visible: swipe.firstVideoId.length > 0
                                    anchors.fill: parent
                                    radius: 10
                                    color: section.surface
                                }
                                Rectangle {
                                    objectName: "playlistPlaceholder"
                                    visible: swipe.firstVideoId.length === 0
                                    anchors.fill: parent
                                    radius: 10
                                    color: Colors.tertiaryFill
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    TextAlert {
        id: alert
        objectName: "newListAlert"
        title: "Nueva lista"
        placeholder: "Nombre"
        confirmText: "Crear"
        onConfirmed: name => {
            playlists.create(name)
            alert.text = ""
        }
        onCanceled: alert.text = ""
    }
}
