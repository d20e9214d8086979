// The home tab: a pinned header (wordmark, search, layout switch, account,
// category chips) over one scrolling column: "Seguir viendo" on "Para ti",
// then the selected category as a grid of cards or a list of rows. Hidden
// channels, and watched videos when asked, are left out here; the feed model
// keeps the whole list.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Platform as Platform
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
    readonly property bool showingSkeletons: feed.state.isIdle || feed.state.isLoading
    readonly property bool showList: feed.state.isLoaded && layout === 1
    readonly property bool showContinue: feed.selected === "foryou" && library.inProgress.length > 0
    readonly property Flickable feedView: feedLoader.item

    color: Platform.Colors.background

    FeedModel {
        id: feed
        auth: root.auth
        library: root.library
    }

    VideoFilterModel {
        id: shown
        source: feed.items
        library: root.library
        hideWatched: root.hideWatched
        onMoreWanted: feed.fetchMore()
    }

    function play(video) {
        Haptics.light()
        root.player.play(video)
    }

    // The placeholders show from the top: a view keeps its offset when what
    // is above the videos grows (an error giving way to them), which would
    // show them scrolled.
    function placeholdersToTop() {
        if (root.showingSkeletons && root.feedView)
            root.feedView.contentY = root.feedView.originY - root.feedView.topMargin
    }
    onShowingSkeletonsChanged: Qt.callLater(placeholdersToTop)

    Appearance {
        id: appearance
        active: root.active
        onAppeared: feed.onScreen = true
        onDisappeared: feed.onScreen = false
    }

    PullToRefresh {
        id: refresher
        anchors.fill: parent
        anchors.topMargin: header.height
        active: appearance.shown
        flickable: root.feedView
        onRefresh: {
            refreshing = true
            feed.refresh(() => refresher.refreshing = false)
        }

        Loader {
            id: feedLoader
            anchors.fill: parent
            sourceComponent: root.showList ? listView : gridView
        }
    }

    // What comes above the videos: the continue-watching row, and the
    // placeholders or the error while there is no list.
    Component {
        id: feedTop

        Item {
            width: root.feedView ? root.feedView.width - 32 : 0
            height: top.height + (top.height > 0 && feed.state.isLoaded && shown.count > 0 ? 22 : 0)
            onHeightChanged: Qt.callLater(root.placeholdersToTop)

            Column {
                id: top
                width: parent.width
                spacing: 22

                Column {
                    objectName: "continueBlock"
                    visible: root.showContinue
                    width: parent.width
                    spacing: 10

                    Text {
                        text: "Seguir viendo"
                        font: TextStyle.font(20, Font.Bold)
                        color: Platform.Colors.label
                    }

                    ListView {
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
                        model: root.showContinue ? root.library.inProgress : []
                        delegate: continueCard
                    }
                }

                SkeletonGrid {
                    visible: root.showingSkeletons
                    availableWidth: top.width
                }

                ErrorState {
                    objectName: "feedError"
                    visible: feed.state.isFailed
                    width: parent.width
                    height: visible ? implicitHeight : 0
                    message: feed.state.message
                    retry: function() { feed.retry() }
                }
            }
        }
    }

    // The spinner under the list while a further page loads.
    Component {
        id: feedBottom

        Item {
            width: root.feedView ? root.feedView.width - 32 : 0
            height: feed.loadingMore ? 20 + more.height : 0

            BusyIndicator {
                id: more
                objectName: "loadingMore"
                y: 20
                anchors.horizontalCenter: parent.horizontalCenter
                width: 28
                height: 28
                visible: feed.loadingMore
                running: visible
            }
        }
    }

    Component {
        id: gridView

        VideoGrid {
            objectName: "feedGrid"
            topMargin: 8
            bottomMargin: 28
            shownVideos: shown
            model: feed.state.isLoaded ? shown : null
            loadingMore: feed.loadingMore
            player: root.player
            library: root.library
            router: root.router
            avatars: root.avatars
            header: feedTop
        }
    }

    Component {
        id: listView

        ListView {
            objectName: "feedList"
            spacing: 16
            leftMargin: 16
            rightMargin: 16
            topMargin: 8
            bottomMargin: 28
            model: shown
            header: feedTop
            footer: feedBottom
            ScrollIndicator.vertical: ScrollIndicator {}

            delegate: VideoRow {
                id: rowItem
                width: ListView.view.width - 32
                player: root.player
                library: root.library
                router: root.router
                avatars: root.avatars
                Component.onCompleted: shown.reach(video.id)
                Connections {
                    target: shown
                    function onLastIdChanged() { shown.reach(rowItem.video.id) }
                }
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
                            color: Platform.Colors.tertiaryFill
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
                            color: Platform.Colors.tertiaryFill
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
