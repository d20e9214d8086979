// The navigation stack of one tab: its root screen at the bottom and one page
// per route of the router's path above it, with the mini player docked below.
// The path lives in the router, so it survives tab switches; the stack only
// mirrors it, and going back writes the shorter path.
//
// Pages are what the route table (Routes) gives for each route. Screens
// receive the stores they declare plus `tabStack` and `active` (the tab is
// shown and the screen is on top). Every screen, the root included, gets
// the page bar unless it sets navigationBarHidden: a back button on pushed
// pages, the screen's `title` inline (while its `largeTitle`, if it has one,
// is out of sight) and its `navigationTrailing` item (e.g. a SheetBarButton)
// at the trailing end. The bar lies over the screen and takes its own clicks.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Foundation
import Nimbelora.Shell
import Nimbelora.App

Item {
    id: stack

    required property Router router
    // "homePath", "searchPath", "subsPath" or "libraryPath".
    required property string pathName
    // The screen at the bottom of the stack; Routes.tabRoots gives each tab's.
    property url rootSource
    // The stores, handed to every screen of the stack.
    property var env: ({})
    // The stack (root screen, pages, mini player) is made the first time it
    // is active; until then it holds nothing but empty slots.
    property bool active: true
    // The window has shown its first frame: the mini player waits for it,
    // unless a video is loaded before.
    property bool firstFrameShown: true

    readonly property var path: router[pathName]
    // The StackView, made with the stack.
    property Item _view: null
    readonly property int depth: _view ? _view.depth - 1 : 0
    readonly property Item rootScreen: rootSlot.item
    readonly property Item topScreen: _view && _view.currentItem ? _view.currentItem.screen : rootSlot.item
    readonly property var screenProperties: Object.assign({ tabStack: stack }, env)

    property bool _made: false
    readonly property bool _hasVideo: !!env.player && env.player.current !== undefined && env.player.current !== null
    property var _shown: []

    function push(route) {
        router[pathName] = path.concat([route])
    }

    function pop() {
        if (path.length > 0)
            router[pathName] = path.slice(0, path.length - 1)
    }

    function destination(route) {
        return Routes.destination(route, router.kindOf(route))
    }

    // `instant`: the stack is being made, so the pages of a path written
    // while it was not are there at once, without a push transition.
    function sync(instant) {
        const target = path
        const keep = router.sharedDepth(_shown, target)
        const animate = !instant && stack.visible && stack.Window.window !== null
        if (_view.depth - 1 > keep)
            _view.pop(_view.get(keep, Basic.StackView.ForceLoad),
                      animate && target.length === keep ? Basic.StackView.PopTransition : Basic.StackView.Immediate)
        for (let i = keep; i < target.length; ++i) {
            const last = i === target.length - 1
            _view.push(pageComponent, { route: target[i], target: destination(target[i]) },
                       animate && last && keep === _shown.length ? Basic.StackView.PushTransition
                                                                 : Basic.StackView.Immediate)
        }
        _shown = target
    }

    function _make() {
        if (_made)
            return
        _view = viewComponent.createObject(stack)
        _view.push(rootPage, {}, Basic.StackView.Immediate)
        _made = true
        sync(true)
    }

    onPathChanged: if (_made) sync()
    onActiveChanged: if (active) _make()
    Component.onCompleted: if (active) _make()

    Component {
        id: viewComponent

        Basic.StackView {
            objectName: "stackView"
            // Made last, yet under the dock: the mini bar's shadow reaches over it.
            z: -1
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: dock.top
            clip: true
        }
    }

    // The bar over every page: material, back, inline title, trailing item.
    component PageBar: Item {
        id: bar

        property Item screen: null
        property bool canGoBack: false
        signal back()
        // Shown unless the screen draws its own header; not tied to the
        // page being on screen, so a page under another keeps its layout.
        readonly property bool shown: !(screen && screen.navigationBarHidden === true)
        readonly property Item largeTitle: screen && screen.largeTitle ? screen.largeTitle : null
        // The title inline, and the bar on its material, unless a large title is in sight.
        readonly property bool inline: largeTitle === null || largeTitle.collapsed

        objectName: "navigationBar"
        z: 1
        visible: shown
        width: parent ? parent.width : 0
        height: shown ? 44 : 0

        BarMaterial {
            objectName: "navigationBarMaterial"
            anchors.fill: parent
            // Clear over a large title in sight; it still takes its clicks.
            opacity: bar.inline ? 1 : 0
        }

        // Made on pushed pages only.
        Loader {
            anchors.left: parent.left
            anchors.leftMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            active: bar.canGoBack
            sourceComponent: FadingButton {
                objectName: "backButton"
                onClicked: bar.back()
                // The right chevron, mirrored: a left one pointing back.
                symbol: "chevron.right"
                mirrorSymbol: true
            }
        }

        Item {
            id: trailing
            objectName: "navigationTrailing"
            readonly property Item item: bar.screen && bar.screen.navigationTrailing ? bar.screen.navigationTrailing : null
            anchors.right: parent.right
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            width: item ? item.implicitWidth : 0
            height: item ? item.implicitHeight : 0
            onItemChanged: if (item) item.parent = trailing
        }

        Text {
            objectName: "navigationTitle"
            visible: bar.inline
            anchors.centerIn: parent
            width: parent.width - 2 * Math.max(60, trailing.width + 16)
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            text: bar.screen && typeof bar.screen.title === "string" ? bar.screen.title : ""
            textFormat: Text.PlainText
            font: TextStyle.headline
            color: Colors.label
        }
    }

    Rectangle {
        id: rootPage
        readonly property Item screen: rootSlot.item
        // Under a clear bar the screen's own background goes on.
        color: screen && screen.color !== undefined ? screen.color : Colors.background

        PageBar {
            id: rootBar
            screen: rootSlot.item
        }

        ScreenSlot {
            id: rootSlot
            objectName: "rootScreen"
            anchors.top: rootBar.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            source: stack.rootSource
            // Active: the tab is shown and nothing is pushed over the root.
            properties: Object.assign({ active: stack.visible && stack.depth <= 0 }, stack.screenProperties)
            active: stack._made
        }
    }

    Component {
        id: pageComponent

        Rectangle {
            id: page

            property var route
            property var target
            readonly property Item screen: slot.item

            color: screen && screen.color !== undefined ? screen.color : Colors.background

            PageBar {
                id: bar
                screen: slot.item
                canGoBack: true
                onBack: stack.pop()
            }

            ScreenSlot {
                id: slot
                objectName: "pageScreen"
                anchors.top: bar.bottom
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                source: page.target && page.target.source ? page.target.source : ""
                properties: Object.assign({ active: stack.visible && stack._view.currentItem === page },
                                          stack.screenProperties,
                                          page.target && page.target.properties ? page.target.properties : {})
            }
        }
    }

    // The mini player, docked above the tab bar on every page of the stack.
    ScreenSlot {
        id: dock
        objectName: "miniPlayerSlot"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: implicitHeight
        source: Routes.miniPlayer
        // Only the bar of the tab on screen is active.
        properties: Object.assign({ active: stack.visible }, stack.env)
        active: stack._made && (stack.firstFrameShown || stack._hasVideo)
    }

    // Back with the keyboard (Alt+Left) and the mouse's back button.
    Shortcut {
        sequences: [StandardKey.Back]
        enabled: stack.visible && stack.path.length > 0
        onActivated: stack.pop()
    }
    TapHandler {
        acceptedButtons: Qt.BackButton
        enabled: stack.path.length > 0
        onTapped: stack.pop()
    }
}
