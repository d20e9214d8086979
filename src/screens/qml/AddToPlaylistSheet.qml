// "Guardar en lista": saves one video into the own playlists. A new-list row
// creates a list already holding the video; each row of "Tus listas" adds the
// video to that list or takes it out with one tap. Every change goes straight
// to the library; "Hecho" or a drag down closes the sheet.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import QtQuick.Layouts
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Screens

BottomSheet {
    id: sheet

    required property LibraryStore library
    required property video video

    readonly property color pink: Colors.pink

    function create() {
        if (!rows.create(field.text))
            return
        field.text = ""
        field.focus = false
    }

    title: "Guardar en lista"
    detents: ["medium", "large"]
    color: Colors.groupedBackground
    trailing: SheetBarButton {
        objectName: "addToPlaylistDone"
        text: "Hecho"
        onClicked: sheet.close()
    }

    AddToPlaylistModel {
        id: rows
        library: sheet.library
        video: sheet.video
    }

    Flickable {
        id: scroller
        anchors.fill: parent
        contentHeight: content.implicitHeight + 40
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        ColumnLayout {
            id: content
            x: 16
            y: 16
            width: scroller.width - 32
            spacing: 0

            // The new-list row.
            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 48
                radius: 10
                color: Colors.tertiaryBackground

                RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 16
                    anchors.rightMargin: 16
                    spacing: 8

                    Basic.TextField {
                        id: field
                        objectName: "newListField"
                        Layout.fillWidth: true
                        placeholderText: "Nueva lista"
                        placeholderTextColor: Colors.tertiaryLabel
                        color: Colors.label
                        font: TextStyle.body
                        padding: 0
                        background: Item {}
                        onAccepted: sheet.create()
                    }
                    FadingButton {
                        id: createButton
                        objectName: "createButton"
                        text: "Crear"
                        enabled: rows.canCreate(field.text)
                        padding: 4
                        color: enabled ? Theme.accent : Colors.tertiaryLabel
                        onClicked: sheet.create()
                    }
                }
            }

            Text {
                objectName: "yourListsHeader"
                visible: rows.count > 0
                Layout.topMargin: 28
                Layout.bottomMargin: 7
                Layout.leftMargin: 16
                text: "Tus listas"
                font.family: TextStyle.footnote.family
                font.pixelSize: TextStyle.footnote.pixelSize
                font.capitalization: Font.AllUppercase
                color: Colors.secondaryLabel
            }

            Rectangle {
                visible: rows.count > 0
                Layout.fillWidth: true
                implicitHeight: list.implicitHeight
                radius: 10
                color: Colors.tertiaryBackground
                clip: true

                Column {
                    id: list
                    width: parent.width

                    Repeater {
                        model: rows

                        Basic.ItemDelegate {
                            id: row
                            required property int index
                            required property string playlistId
                            required property string name
                            required property string countText
                            required property bool member

                            objectName: "playlistRow" + index
                            width: list.width
                            padding: 0
                            onClicked: rows.toggle(playlistId)
                            background: Rectangle {
                                color: row.down ? Colors.quaternaryFill : "transparent"
                            }

                            contentItem: Item {
                                implicitHeight: 60

                                RowLayout {
                                    anchors.fill: parent
                                    anchors.leftMargin: 16
                                    anchors.rightMargin: 16
                                    spacing: 12

                                    IconTile {
                                        symbol: "music.note.list"
                                        color: sheet.pink
                                    }
                                    ColumnLayout {
                                        Layout.fillWidth: true
                                        spacing: 2
                                        Text {
                                            objectName: "playlistName"
                                            Layout.fillWidth: true
                                            text: row.name
                                            textFormat: Text.PlainText
                                            elide: Text.ElideRight
                                            font: TextStyle.body
                                            color: Colors.label
                                        }
                                        Text {
                                            objectName: "playlistCount"
                                            text: row.countText
                                            font: TextStyle.caption
                                            color: Colors.secondaryLabel
                                        }
                                    }
                                    Symbol {
                                        id: mark
                                        objectName: "playlistMark"
                                        name: row.member ? "checkmark.circle.fill" : "circle"
                                        color: row.member ? Theme.accent : Colors.secondaryLabel
                                        size: 22
                                        // The symbol swaps with a small pop.
                                        onNameChanged: swap.restart()
                                        NumberAnimation on scale {
                                            id: swap
                                            running: false
                                            from: 0.6
                                            to: 1
                                            duration: Motion.standard
                                            easing.type: Easing.OutBack
                                        }
                                    }
                                }

                                Rectangle {
                                    visible: row.index < rows.count - 1
                                    anchors.bottom: parent.bottom
                                    anchors.right: parent.right
                                    width: parent.width - 58
                                    height: 0.5
                                    color: Colors.separator
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}
