// The window's content: the five tabs bound to the router, and over them the
// player cover (while the player is expanded), the welcome (while
// the onboarded preference is false), the add-to-playlist sheet (for the router's
// playlistVideo) and the share sheet (while ShareSheet is active). The
// player's toast shows here while the player is not open. The player and the
// Shorts tab are dark whatever the app's scheme, and so are the share sheet
// and the toast shown over them; the add-to-playlist sheet keeps the app's.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import QtQuick.Layouts
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.App

Item {
    id: root

    required property PlayerStore player
    required property LibraryStore library
    required property Router router
    required property AuthStore auth
    required property AvatarStore avatars
    // The window has shown its first frame. What that frame does not need
    // waits for it; a view made on its own has it at once.
    property bool firstFrameShown: true

    // What every screen may take: the five stores.
    readonly property var env: ({ player: root.player, library: root.library, router: root.router,
                                  auth: root.auth, avatars: root.avatars })

    readonly property bool onboarded: Preferences.onboarded
    // The player or the Shorts tab is on screen.
    readonly property bool darkSurface: player.expanded || router.tab === AppTab.Shorts

    // The tab bar, in tab order.
    readonly property var tabs: [
        { tab: AppTab.Home, label: "Inicio", symbol: "house.fill", name: "home" },
        { tab: AppTab.Shorts, label: "Shorts", symbol: "bolt.fill", name: "shorts" },
        { tab: AppTab.Search, label: "Buscar", symbol: "magnifyingglass", name: "search" },
        { tab: AppTab.Subscriptions, label: "Suscripciones", symbol: "play.square.stack.fill", name: "subscriptions" },
        { tab: AppTab.Library, label: "Biblioteca", symbol: "books.vertical.fill", name: "library" }
    ]

    // The write side of the player cover.
    function setPlayerPresented(presented) {
        player.setPresented(presented)
    }

    // The write side of the welcome: going away means done; showing is the setting's.
    function setOnboardingPresented(presented) {
        if (!presented)
            Preferences.onboarded = true
    }

    function setPlaylistVideoPresented(presented) {
        if (!presented)
            router.playlistVideo = undefined
    }

    Rectangle {
        anchors.fill: parent
        color: Colors.background
    }

    // Tabs are made the first time they are selected and kept after.
    StackLayout {
        id: tabsView
        objectName: "tabs"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: tabBar.top
        currentIndex: root.router.tab

        TabStack {
            objectName: "homeStack"
            router: root.router
            pathName: "homePath"
            rootSource: Routes.tabRoots[AppTab.Home]
            env: root.env
            firstFrameShown: root.firstFrameShown
            active: visited.home
        }
        ScreenSlot {
            objectName: "shortsScreen"
            Colors.dark: true
            source: Routes.tabRoots[AppTab.Shorts]
            // Shown: its tab is selected and the player is not over it.
            properties: Object.assign({ active: root.router.tab === AppTab.Shorts && !playerCover.presented }, root.env)
            active: visited.shorts
        }
        TabStack {
            objectName: "searchStack"
            router: root.router
            pathName: "searchPath"
            rootSource: Routes.tabRoots[AppTab.Search]
            env: root.env
            firstFrameShown: root.firstFrameShown
            active: visited.search
        }
        TabStack {
            objectName: "subscriptionsStack"
            router: root.router
            pathName: "subsPath"
            rootSource: Routes.tabRoots[AppTab.Subscriptions]
            env: root.env
            firstFrameShown: root.firstFrameShown
            active: visited.subscriptions
        }
        TabStack {
            objectName: "libraryStack"
            router: root.router
            pathName: "libraryPath"
            rootSource: Routes.tabRoots[AppTab.Library]
            env: root.env
            firstFrameShown: root.firstFrameShown
            active: visited.library
        }
    }

    QtObject {
        id: visited
        property bool home: false
        property bool shorts: false
        property bool search: false
        property bool subscriptions: false
        property bool library: false

        function mark() {
            const name = root.tabs[root.router.tab].name
            if (!visited[name])
                visited[name] = true
        }
    }
    Connections {
        target: root.router
        function onTabChanged() { visited.mark() }
    }
    Component.onCompleted: visited.mark()

    Rectangle {
        id: tabBar
        objectName: "tabBar"
        // Under the black Shorts tab the bar is dark too, whatever the scheme.
        Colors.dark: root.router.tab === AppTab.Shorts || AppScheme.dark
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 52
        color: Colors.bar

        Rectangle {
            width: parent.width
            height: 0.5
            color: Colors.separator
        }

        RowLayout {
            anchors.fill: parent
            anchors.topMargin: 1
            spacing: 0

            Repeater {
                model: root.tabs

                Basic.AbstractButton {
                    id: tabButton
                    required property var modelData
                    readonly property bool selected: root.router.tab === modelData.tab

                    objectName: "tab." + modelData.name
                    // Equal shares of the bar, whatever the label's length.
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.fillHeight: true
                    text: modelData.label
                    onClicked: root.router.tab = modelData.tab

                    contentItem: Column {
                        spacing: 2
                        topPadding: 6
                        Symbol {
                            anchors.horizontalCenter: parent.horizontalCenter
                            name: tabButton.modelData.symbol
                            color: tabButton.selected ? Theme.accent : Colors.secondaryLabel
                            size: 24
                        }
                        Text {
                            objectName: "tabLabel"
                            anchors.horizontalCenter: parent.horizontalCenter
                            text: tabButton.text
                            font: TextStyle.font(10, Font.Medium)
                            color: tabButton.selected ? Theme.accent : Colors.secondaryLabel
                        }
                    }
                }
            }
        }
    }

    // Made once the first frame is shown: nothing on it needs them.
    component AfterFirstFrame: Loader {
        anchors.fill: parent
        active: root.firstFrameShown
    }

    AfterFirstFrame {
        anchors.bottomMargin: tabBar.height + 72
        sourceComponent: Toast {
            objectName: "rootToast"
            Colors.dark: root.darkSurface || AppScheme.dark
            text: !root.player.expanded && root.player.toast !== undefined ? root.player.toast : ""
        }
    }

    // The player. The welcome lies over it: while the welcome is shown the
    // player waits (popups stack in the order they open). Until the player
    // sheet exists there is nothing to present.
    FullScreenCover {
        id: playerCover
        objectName: "playerCover"
        Colors.dark: true
        presented: root.player.expanded && playerSlot.available && root.onboarded
        color: "transparent"

        // Drag down to close; the sheet's own gestures go first.
        property real dragOffset: 0
        onClosed: dragOffset = 0

        Item {
            id: playerPanel
            width: parent.width
            height: parent.height
            y: playerCover.dragOffset
            Behavior on y {
                enabled: !playerDrag.active
                Spring { response: 0.35; dampingFraction: 0.86 }
            }

            Rectangle {
                anchors.fill: parent
                color: "black"
            }
            ScreenSlot {
                id: playerSlot
                objectName: "playerSheet"
                anchors.fill: parent
                source: Routes.playerSheet
                properties: root.env
                active: playerCover.presented || playerCover.presentation > 0
            }
            DragHandler {
                id: playerDrag
                target: null
                xAxis.enabled: false
                grabPermissions: PointerHandler.ApprovesTakeOverByAnything
                onTranslationChanged: if (active) playerCover.dragOffset = Math.max(0, translation.y)
                onActiveChanged: {
                    if (active)
                        return
                    if (playerCover.dragOffset > 120)
                        root.setPlayerPresented(false)
                    else
                        playerCover.dragOffset = 0
                }
            }
        }
    }

    // The welcome, until it is done; made from its file only while shown, so
    // a launch past the welcome does not compile it.
    SheetLoader {
        objectName: "onboardingLoader"
        fresh: true
        shown: !root.onboarded
        onDismissed: root.setOnboardingPresented(false)
        sourceComponent: FullScreenCover {
            objectName: "onboardingCover"
            color: "transparent"

            ScreenSlot {
                id: onboarding
                anchors.fill: parent
                source: Routes.onboarding
                properties: ({ auth: root.auth })
            }
            Connections {
                target: onboarding.item
                function onFinish() { root.setOnboardingPresented(false) }
            }
        }
    }

    // "Guardar en lista" for the router's video; another video is another sheet.
    SheetLoader {
        objectName: "playlistSheetLoader"
        readonly property string videoId: root.router.playlistVideo !== undefined ? root.router.playlistVideo.id : ""
        fresh: true
        shown: videoId.length > 0
        key: videoId
        file: Routes.addToPlaylist
        properties: ({ library: root.library, video: root.router.playlistVideo })
        onDismissed: root.setPlaylistVideoPresented(false)
    }

    // Every share of the app (ShareSheet.share(item, title) from C++ or QML).
    // A share asked for before it is made opens as it comes.
    AfterFirstFrame {
        sourceComponent: ShareSheetView {
            objectName: "shareSheet"
            Colors.dark: root.darkSurface || AppScheme.dark
        }
    }
}
