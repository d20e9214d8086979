// The page of one channel: banner, avatar, name, handle and subscribers,
// description and the follow button, then the content tabs and their cards,
// all in one lazy scrolling grid. Its bar item is the menu of the channel's
// link and of hiding it. It loads again each time it comes into view.
import QtQuick
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
    required property AvatarStore avatars
    required property channelRoute route
    property bool active: true

    readonly property string title: route.name
    readonly property ChannelModel model: channel

    color: Colors.background

    ChannelModel {
        id: channel
        route: root.route
        library: root.library
    }

    Appearance {
        active: root.active
        onAppeared: channel.onScreen = true
        onDisappeared: channel.onScreen = false
    }

    FeedView {
        objectName: "channelGrid"
        anchors.fill: parent
        player: root.player
        library: root.library
        router: root.router
        avatars: root.avatars
        videos: channel.videos
        feedState: channel.state
        loadingMore: channel.loadingMore
        spacing: 20
        rowSpacing: 24
        topMargin: 8
        bottomMargin: 30
        placeholders: 3
        gap: 20
        moreTop: 0
        moreBottom: 20
        retry: function() { channel.retry() }
        header: channelHeader
        onMoreWanted: channel.fetchMore()
    }

    Component {
        id: channelHeader

        Column {
            spacing: 20

            Column {
                width: parent.width
                spacing: 10

                Item {
                    objectName: "channelBanner"
                    visible: channel.banner.length > 0
                    x: 16
                    width: parent.width - 32
                    height: visible ? width * 9 / 32 : 0

                    RemoteImage {
                        anchors.fill: parent
                        url: channel.banner
                    }
                    CornerMask {
                        anchors.fill: parent
                        radius: 18
                        color: root.color
                    }
                }

                AvatarView {
                    anchors.horizontalCenter: parent.horizontalCenter
                    name: root.route.name
                    url: channel.avatar
                    size: 84

                    Rectangle {
                        anchors.fill: parent
                        radius: width / 2
                        color: "transparent"
                        border.width: 1
                        border.color: Colors.alpha(Colors.label, 0.08)
                    }
                }

                Row {
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 5

                    Text {
                        objectName: "channelName"
                        anchors.verticalCenter: parent.verticalCenter
                        // A long name wraps onto as many lines as it needs.
                        width: Math.min(implicitWidth, root.width - 64)
                        text: channel.name
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        horizontalAlignment: Text.AlignHCenter
                        font: TextStyle.font(22, Font.Bold)
                        color: Colors.label
                    }
                    Symbol {
                        objectName: "verifiedSeal"
                        visible: channel.verified
                        anchors.verticalCenter: parent.verticalCenter
                        name: "checkmark.seal.fill"
                        color: Colors.secondaryLabel
                        size: 18
                    }
                }

                Text {
                    objectName: "channelMeta"
                    visible: text.length > 0
                    width: parent.width - 32
                    x: 16
                    horizontalAlignment: Text.AlignHCenter
                    text: channel.meta
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: TextStyle.subheadline
                    color: Colors.secondaryLabel
                }

                Text {
                    objectName: "channelDescription"
                    visible: text.length > 0
                    x: 24
                    width: parent.width - 48
                    horizontalAlignment: Text.AlignHCenter
                    text: channel.description
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    maximumLineCount: 3
                    elide: Text.ElideRight
                    font: TextStyle.footnote
                    color: Colors.secondaryLabel
                }

                PressableStyle {
                    id: follow
                    objectName: "subscribeButton"
                    anchors.horizontalCenter: parent.horizontalCenter
                    leftPadding: 28
                    rightPadding: 28
                    topPadding: 10
                    bottomPadding: 10
                    onClicked: channel.toggleSubscription()
                    contentItem: Text {
                        text: channel.subscribed ? "Suscrito" : "Suscribirme"
                        font: TextStyle.headline
                        color: channel.subscribed ? Colors.label : "white"
                        horizontalAlignment: Text.AlignHCenter
                        Behavior on color { ColorAnimation { duration: 250 } }
                    }
                    background: Rectangle {
                        radius: height / 2
                        color: channel.subscribed ? Colors.tertiaryFill : Theme.accent
                        Behavior on color { ColorAnimation { duration: 250 } }
                    }
                }
            }

            SegmentedPicker {
                objectName: "contentPicker"
                Accessible.name: "Contenido"
                x: 16
                width: parent.width - 32
                model: channel.tabLabels
                currentIndex: channel.tabIndex
                onActivated: (index) => channel.selectTab(index)
            }
        }
    }

    // The page bar's trailing item: the channel's menu.
    property Item navigationTrailing: SheetBarButton {
        objectName: "channelMenuButton"
        symbol: "ellipsis.circle"
        onClicked: menu.popup(width / 2, height)

        ContextMenu {
            id: menu
            objectName: "channelMenu"
            onAboutToOpen: model = channel.menuModel()
            onTriggered: (index, id) => channel.trigger(id)
        }
    }
}
