// The subscriptions tab: its large title, the manager's button in the page
// bar, a strip of every followed channel, and the feed of SubsModel. Signed out with no
// channel it shows only "Sin suscripciones". The feed loads when the tab
// appears and again when the channels or the sign-in change while it is shown;
// hiding the tab calls the running load off.
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
    required property AuthStore auth
    required property Router router
    required property AvatarStore avatars
    property bool active: true

    readonly property SubsModel model: subs
    readonly property string title: "Suscripciones"
    readonly property Item largeTitle: header
    property Item navigationTrailing: PressableStyle {
        objectName: "manageButton"
        Accessible.name: "Gestionar suscripciones"
        onClicked: manager.open()
        contentItem: Item {
            implicitWidth: 40
            implicitHeight: 44
            Symbol {
                anchors.centerIn: parent
                name: "person.2.badge.gearshape"
                color: Theme.accent
                size: 24
            }
        }
    }
    readonly property bool hasSubscriptions: library.subscriptions.length > 0
    readonly property bool showsEmpty: !auth.signedIn && !hasSubscriptions

    color: Colors.background

    SubsModel {
        id: subs
        auth: root.auth
        library: root.library
    }

    Appearance {
        id: appearance
        active: root.active
        onAppeared: subs.onScreen = true
        onDisappeared: subs.onScreen = false
    }

    LargeTitle {
        id: header
        text: root.title
    }

    EmptyState {
        objectName: "noSubscriptions"
        visible: root.showsEmpty
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.bottomMargin: header.height
        symbol: "play.square.stack"
        title: "Sin suscripciones"
        description: "Suscríbete a canales desde un vídeo o desde su página y verás aquí lo último que publiquen."
    }

    FeedView {
        id: feed
        objectName: "subsFeed"
        visible: !root.showsEmpty
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        clip: true
        player: root.player
        library: root.library
        router: root.router
        avatars: root.avatars
        videos: subs.items
        feedState: subs.state
        spacing: 20
        rowSpacing: 24
        topMargin: 12
        bottomMargin: 12
        placeholders: 3
        gap: 18
        retry: function() { subs.retry() }
        reload: function(done) { subs.refresh(done) }
        refreshActive: appearance.shown && visible
        header: root.hasSubscriptions ? strip : null
    }

    Component {
        id: strip

        ListView {
            id: channelStrip
            objectName: "channelStrip"
            height: 62 + 6 + 18
            orientation: ListView.Horizontal
            spacing: 16
            leftMargin: 16
            rightMargin: 16
            boundsBehavior: Flickable.StopAtBounds
            model: root.library.subscriptions

            SideScroller { strip: channelStrip }

            delegate: PressableStyle {
                id: channel
                required property var modelData

                objectName: "stripChannel"
                onClicked: root.router.openChannel(channel.modelData.id, channel.modelData.name)
                contentItem: Column {
                    width: 70
                    spacing: 6

                    AvatarView {
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: channel.modelData.name
                        url: channel.modelData.avatar || ""
                        size: 62
                    }
                    Text {
                        width: 70
                        horizontalAlignment: Text.AlignHCenter
                        text: channel.modelData.name
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        maximumLineCount: 1
                        font: TextStyle.caption
                        color: Colors.label
                    }
                }
            }
        }
    }

    SubscriptionsManager {
        id: manager
        objectName: "subscriptionsManager"
        library: root.library
        router: root.router
    }
}
