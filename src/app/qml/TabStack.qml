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
// a bar with a back button unless its screen sets navigationBarHidden.
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
    // The root screen is made the first time the stack is active.
    property bool active: true

    readonly property var path: router[pathName]
    readonly property int depth: view.depth - 1
    readonly property Item rootScreen: rootSlot.item
    readonly property Item topScreen: view.currentItem && view.currentItem !== rootSlot
                                      ? view.currentItem.screen : rootSlot.item
    readonly property var screenProperties: Object.assign({ tabStack: stack }, env)

    readonly property url channelSource: "qrc:/Nimbelora/Screens/qml/ChannelView.qml"
    readonly property url playlistSource: "qrc:/Nimbelora/Settings/qml/YTPlaylistScreen.qml"
    readonly property url miniPlayerSource: "qrc:/Nimbelora/Player/qml/MiniPlayerBar.qml"

    property bool _made: false
    property bool _ready: false
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

    function sync() {
        const target = path
        const keep = router.sharedDepth(_shown, target)
        const animate = stack.visible && stack.Window.window !== null
        if (view.depth - 1 > keep)
            view.pop(view.get(keep, Basic.StackView.ForceLoad),
                     animate && target.length === keep ? Basic.StackView.PopTransition : Basic.StackView.Immediate)
        for (let i = keep; i < target.length; ++i) {
            const last = i === target.length - 1
            view.push(pageComponent, { route: target[i], target: destination(target[i]) },
                      animate && last && keep === _shown.length ? Basic.StackView.PushTransition
                                                                : Basic.StackView.Immediate)
        }
        _shown = target
    }

    onPathChanged: if (_ready) sync()
    onActiveChanged: if (active) _made = true
    Component.onCompleted: {
        view.push(rootSlot, {}, Basic.StackView.Immediate)
        _made = active
        _ready = true
        sync()
    }

    Basic.StackView {
        id: view
        objectName: "stackView"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: dock.top
        clip: true
    }

    ScreenSlot {
        id: rootSlot
        objectName: "rootScreen"
        source: stack.rootSource
        // Active: the tab is shown and nothing is pushed over the root.
        properties: Object.assign({ active: stack.visible && view.depth <= 1 }, stack.screenProperties)
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

                Text {
                    objectName: "navigationTitle"
                    anchors.centerIn: parent
                    width: parent.width - 2 * 60
                    horizontalAlignment: Text.AlignHCenter
                    elide: Text.ElideRight
                    text: slot.item && typeof slot.item.title === "string" ? slot.item.title : ""
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
                properties: Object.assign({ active: stack.visible && view.currentItem === page },
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
