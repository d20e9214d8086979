// The home tab: a pinned header (wordmark, search, layout switch, account,
// category chips) over one scrolling column: "Seguir viendo" on "Para ti",
// then the selected category as a grid of cards or a list of rows. Hidden
// channels, and watched videos when asked, are left out here; the feed model
// keeps the whole list.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

Rectangle {
    id: root

    required property PlayerStore player
    required property LibraryStore library
    required property AuthStore auth
    required property Router router
    required property AvatarStore avatars
    // False while another tab is on screen: the feed's load is called off and
    // the refresh keys go elsewhere.
    property bool active: true
    // The header below is this screen's bar.
    readonly property bool navigationBarHidden: true

    readonly property FeedModel model: feed
    readonly property int layout: Preferences.homeLayout
    readonly property bool hideWatched: Preferences.hideWatched
    readonly property string hiddenCats: Preferences.hiddenCats
    // Waits for the library, so a large one does not hold the first frame.
    readonly property bool showContinue: feed.selected === "foryou" && library.loaded && library.inProgress.length > 0
    readonly property Flickable feedView: feedArea.flickable

    color: Colors.background

    FeedModel {
        id: feed
        auth: root.auth
        library: root.library
    }

    function play(video) {
        Haptics.light()
        root.player.play(video)
    }

    Appearance {
        id: appearance
        active: root.active
        onAppeared: feed.onScreen = true
        onDisappeared: feed.onScreen = false
    }

    FeedView {
        id: feedArea
        objectName: "homeFeed"
        anchors.fill: parent
        anchors.topMargin: header.height
        player: root.player
        library: root.library
        router: root.router
        avatars: root.avatars
        videos: feed.items
        feedState: feed.state
        loadingMore: feed.loadingMore
        filtered: true
        hideWatched: root.hideWatched
        rows: root.layout === 1
        topMargin: 8
        bottomMargin: 28
        header: root.showContinue ? continueBlock : null
        retry: function() { feed.retry() }
        reload: function(done) {
            feed.refresh(done)
        }
        refreshActive: appearance.shown
        onMoreWanted: feed.fetchMore()
    }

    // "Seguir viendo" above the videos, on "Para ti" only.
    Component {
        id: continueBlock

        Column {
            objectName: "continueBlock"
            x: 16
            width: parent ? parent.width - 32 : 0
            spacing: 10

            Text {
                text: "Seguir viendo"
                font: TextStyle.font(20, Font.Bold)
                color: Colors.label
            }

            ListView {
                id: continueRow
                objectName: "continueRow"
                x: -16
                width: parent.width + 32
                height: contentItem.childrenRect.height > 0 ? contentItem.childrenRect.height : 170
                orientation: ListView.Horizontal
                spacing: 14
                leftMargin: 16
                rightMargin: 16
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                model: root.library.inProgress
                delegate: continueCard

                SideScroller { strip: continueRow }
            }
        }
    }

    Component {
        id: continueCard

        VideoTile {
            id: card
            required property var modelData

            objectName: "continueCard"
            video: modelData
            library: root.library
            width: 220
            radius: 16
            shadow: true
            titleSize: 13
            gap: 8
            surface: root.color
            onClicked: root.play(card.modelData)

            VideoContextMenu {
                video: card.modelData
                player: root.player
                library: root.library
                router: root.router
            }
        }
    }

    // The pinned header over the scrolling content, on the bar material.
    BarMaterial {
        id: header
        objectName: "homeHeaderBar"
        width: parent.width
        height: headerColumn.height
        separator: false

        Column {
            id: headerColumn
            width: parent.width

            Item {
                objectName: "homeHeader"
                width: parent.width
                height: 4 + 38 + 2

                Wordmark {
                    x: 16
                    anchors.verticalCenter: buttons.verticalCenter
                }

                Row {
                    id: buttons
                    anchors.right: parent.right
                    anchors.rightMargin: 16
                    y: 4
                    spacing: 8

                    PressableStyle {
                        objectName: "searchButton"
                        Accessible.name: "Buscar"
                        onClicked: {
                            Haptics.light()
                            root.router.tab = AppTab.Search
                        }
                        contentItem: Rectangle {
                            implicitWidth: 38
                            implicitHeight: 38
                            radius: 19
                            color: Colors.tertiaryFill
                            Symbol {
                                anchors.centerIn: parent
                                name: "magnifyingglass"
                                size: 17
                            }
                        }
                    }

                    PressableStyle {
                        objectName: "layoutButton"
                        Accessible.name: "Cambiar vista"
                        // The symbol of the other layout.
                        readonly property string symbol: root.layout === 0 ? "rectangle.grid.1x2" : "square.grid.2x2"
                        onClicked: {
                            Haptics.light()
                            Preferences.homeLayout = root.layout === 0 ? 1 : 0
                        }
                        contentItem: Rectangle {
                            implicitWidth: 38
                            implicitHeight: 38
                            radius: 19
                            color: Colors.tertiaryFill
                            Symbol {
                                anchors.centerIn: parent
                                name: parent.parent.symbol
                                size: 16
                            }
                        }
                    }

                    PressableStyle {
                        objectName: "accountButton"
                        Accessible.name: "Cuenta"
                        onClicked: accountSheet.open()
                        contentItem: AccountAvatar {
                            auth: root.auth
                            size: 38
                        }
                    }
                }
            }

            CategoryChips {
                objectName: "categoryChips"
                width: parent.width
                height: implicitHeight
                categories: { feed.categories; return feed.visibleCategories(root.hiddenCats) }
                selected: feed.selected
                onPicked: (id) => feed.selected = id
            }
        }
    }

    // "Cuenta", made from its file the first time it is asked for and kept,
    // so later openings are immediate.
    SheetLoader {
        id: accountSheet
        sourceComponent: AccountSheet { auth: root.auth }
    }
}
