// The navigation stack of one tab: its root screen at the bottom and one page
// per route of the router's path above it, with the mini player docked below.
// The path lives in the router, so it survives tab switches; the stack only
// mirrors it, and going back writes the shorter path.
//
// Pages: a ChannelRoute shows ChannelView (route), a YTPlaylistRoute shows
// YTPlaylistScreen (playlistId); any other route is shown by what the root
// screen's destination(route) returns ({ source, properties }), if it has one.
// Screens receive the stores they declare plus `tabStack` and `active` (the
// tab is shown and the screen is on top); a pushed page gets
// a bar with a back button unless its screen sets navigationBarHidden. A
// screen's `navigationTrailing` item (e.g. a SheetBarButton) sits at the
// bar's trailing end.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform as Platform
import Nimbelora.Foundation
import Nimbelora.Shell
import Nimbelora.App

Item {
    id: stack

    required property Router router
    // "homePath", "searchPath", "subsPath" or "libraryPath".
    required property string pathName
    property url rootSource
    // The stores, handed to every screen of the stack.
    property var env: ({})
    // The stack (root screen, pages, mini player) is made the first time it
    // is active; until then it holds nothing but empty slots.
    property bool active: true

    readonly property var path: router[pathName]
    // The StackView, made with the stack.
    property Item _view: null
    readonly property int depth: _view ? _view.depth - 1 : 0
    readonly property Item rootScreen: rootSlot.item
    readonly property Item topScreen: _view && _view.currentItem && _view.currentItem !== rootSlot
                                      ? _view.currentItem.screen : rootSlot.item
    readonly property var screenProperties: Object.assign({ tabStack: stack }, env)

    readonly property url channelSource: "qrc:/Nimbelora/Screens/qml/ChannelView.qml"
    readonly property url playlistSource: "qrc:/Nimbelora/Settings/qml/YTPlaylistScreen.qml"
    readonly property url miniPlayerSource: "qrc:/Nimbelora/Player/qml/MiniPlayerBar.qml"

    property bool _made: false
    property var _shown: []

    function push(route) {
        router[pathName] = path.concat([route])
    }

    function pop() {
        if (path.length > 0)
            router[pathName] = path.slice(0, path.length - 1)
    }

    function destination(route) {
        switch (router.kindOf(route)) {
        case "channel":
            return { source: channelSource, properties: { route: route } }
        case "ytPlaylist":
            return { source: playlistSource, properties: { playlistId: route.id } }
        default:
            if (rootSlot.item && typeof rootSlot.item.destination === "function")
                return rootSlot.item.destination(route)
            return null
        }
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
        _view.push(rootSlot, {}, Basic.StackView.Immediate)
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

    ScreenSlot {
        id: rootSlot
        objectName: "rootScreen"
        source: stack.rootSource
        // Active: the tab is shown and nothing is pushed over the root.
        properties: Object.assign({ active: stack.visible && stack.depth <= 0 }, stack.screenProperties)
        active: stack._made
    }

    Component {
        id: pageComponent

        Rectangle {
            id: page

            property var route
            property var target
            readonly property Item screen: slot.item
            readonly property bool barShown: !(slot.item && slot.item.navigationBarHidden === true)

            color: Platform.Palette.background

            Item {
                id: bar
                objectName: "navigationBar"
                visible: page.barShown
                width: parent.width
                height: visible ? 44 : 0

                Basic.Button {
                    id: back
                    objectName: "backButton"
                    anchors.left: parent.left
                    anchors.leftMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    padding: 6
                    onClicked: stack.pop()
                    background: Item {}
                    // The right chevron, mirrored: a left one pointing back.
                    contentItem: Symbol {
                        name: "chevron.right"
                        mirror: true
                        color: Theme.accent
                        size: 22
                        opacity: back.down ? 0.5 : 1
                    }
                }

                Item {
                    id: trailing
                    objectName: "navigationTrailing"
                    readonly property Item item: slot.item && slot.item.navigationTrailing ? slot.item.navigationTrailing : null
                    anchors.right: parent.right
                    anchors.rightMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    width: item ? item.implicitWidth : 0
                    height: item ? item.implicitHeight : 0
                    onItemChanged: if (item) item.parent = trailing
                }

                Text {
                    objectName: "navigationTitle"
                    anchors.centerIn: parent
                    width: parent.width - 2 * Math.max(60, trailing.width + 16)
                    horizontalAlignment: Text.AlignHCenter
                    elide: Text.ElideRight
                    text: slot.item && typeof slot.item.title === "string" ? slot.item.title : ""
                    textFormat: Text.PlainText
                    font: TextStyle.headline
                    color: Platform.Palette.label
                }
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
        source: stack.miniPlayerSource
        // Only the bar of the tab on screen is active.
        properties: Object.assign({ active: stack.visible }, stack.env)
        active: stack._made
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
