// The library tab: what is kept on this computer (history, liked, watch
// later, own playlists, statistics, hidden channels), a strip of the newest
// watched videos, a preview of the queue and, while signed in, the account's
// own lists. Each section shows only while it applies.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Screens

Rectangle {
    id: root

    required property PlayerStore player
    required property LibraryStore library
    required property Router router
    required property AuthStore auth
    required property AvatarStore avatars

    readonly property LibraryTabModel model: tab
    readonly property string title: "Biblioteca"
    readonly property Item largeTitle: largeTitle
    property Item navigationTrailing: FadingButton {
        objectName: "settingsButton"
        Accessible.name: "Ajustes"
        padding: 8
        symbol: "gearshape"
        onClicked: root.router.open(LibraryRoutes.settings())
    }

    color: Colors.groupedBackground

    component LocalRow: GroupedRow {
        required property libraryRoute route
        property int count
        objectName: "localRow." + route.name
        text: route.title
        symbol: route.symbol
        detail: count
        chevron: true
        onClicked: root.router.open(route)
    }

    LibraryTabModel {
        id: tab
        library: root.library
        player: root.player
    }

    Flickable {
        id: scroller
        objectName: "libraryList"
        anchors.fill: parent
        contentHeight: content.height + 32
        boundsBehavior: Flickable.StopAtBounds
        Basic.ScrollIndicator.vertical: Basic.ScrollIndicator {}

        Column {
            id: content
            width: scroller.width
            spacing: 28

            LargeTitle {
                id: largeTitle
                objectName: "libraryTitle"
                text: root.title
                flickable: scroller
            }

            GroupedSection {
                objectName: "recentSection"
                visible: tab.historyCount > 0
                header: "Reciente"
                inset: false

                Flickable {
                    id: recentStrip
                    objectName: "recentStrip"
                    width: parent.width
                    height: strip.height
                    contentWidth: strip.width
                    flickableDirection: Flickable.HorizontalFlick
                    boundsBehavior: Flickable.StopAtBounds
                    clip: true

                    SideScroller { strip: recentStrip }

                    Row {
                        id: strip
                        padding: 16
                        topPadding: 6
                        bottomPadding: 6
                        spacing: 14

                        Repeater {
                            model: tab.recent

                            VideoTile {
                                id: recentTile
                                objectName: "recentTile"
                                surface: root.color
                                onClicked: root.player.play(recentTile.video)
                            }
                        }
                    }
                }
            }

            GroupedSection {
                objectName: "accountSection"
                visible: root.auth.signedIn
                header: "Tu cuenta de YouTube"

                Repeater {
                    model: [
                        { kind: "history", title: "Historial de YouTube", symbol: "clock.arrow.circlepath", tint: Colors.blue },
                        { kind: "liked", title: "Vídeos que me gustan", symbol: "hand.thumbsup.fill", tint: Theme.accent },
                        { kind: "later", title: "Ver más tarde", symbol: "clock.fill", tint: Colors.orange }
                    ]
                    GroupedRow {
                        required property var modelData
                        objectName: "remoteRow." + modelData.kind
                        text: modelData.title
                        symbol: modelData.symbol
                        tint: modelData.tint
                        chevron: true
                        onClicked: root.router.open(LibraryRoutes.remote(modelData.kind))
                    }
                }
            }

            GroupedSection {
                objectName: "localSection"
                header: root.auth.signedIn ? "En este equipo" : ""

                LocalRow { route: LibraryRoutes.history(); tint: Colors.blue; count: tab.historyCount }
                LocalRow { route: LibraryRoutes.liked(); tint: Theme.accent; count: tab.likedCount }
                LocalRow { route: LibraryRoutes.later(); tint: Colors.orange; count: tab.laterCount }
                LocalRow { route: LibraryRoutes.playlists(); tint: Colors.pink; count: tab.playlistCount }
                LocalRow { route: LibraryRoutes.stats(); tint: Colors.teal; count: tab.historyCount }
            }

            GroupedSection {
                id: queueSection
                objectName: "queueSection"
                visible: tab.queueCount > 0
                header: "En cola · " + tab.queueCount

                Repeater {
                    model: tab.queued

                    Item {
                        id: queued
                        required property video video
                        width: parent.width
                        height: queuedRow.height + 20

                        VideoRow {
                            id: queuedRow
                            x: 16
                            y: 10
                            width: parent.width - 32
                            video: queued.video
                            player: root.player
                            library: root.library
                            avatars: root.avatars
                            router: root.router
                            surface: queueSection.surface
                        }
                    }
                }
            }

            GroupedSection {
                objectName: "hiddenSection"
                visible: tab.hiddenCount > 0

                GroupedRow {
                    objectName: "hiddenRow"
                    text: "Canales ocultos"
                    symbol: "eye.slash.fill"
                    tint: Colors.gray
                    detail: tab.hiddenCount
                    chevron: true
                    onClicked: root.router.open(LibraryRoutes.hidden())
                }
            }
        }
    }
}
