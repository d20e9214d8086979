// "Más opciones" of the player's top bar and its menu. Entries, titles and
// marks come from PlayerOptionsModel, built anew at every opening; submenus
// open over the menu, so everything fits a phone-wide window.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import Nimbelora.Foundation
import Nimbelora.Playback
import Nimbelora.Player

Item {
    id: root

    required property PlayerStore player
    required property PlayerOverlayModel overlay
    readonly property alias menu: menu

    implicitWidth: 40
    implicitHeight: 40

    PlayerOptionsModel {
        id: options
        player: root.player
        overlay: root.overlay
    }

    OverlayButton {
        id: button
        objectName: "moreButton"
        anchors.fill: parent
        symbol: "ellipsis.circle"
        glyph: 19
        label: "Más opciones"
        haptic: false
        onTriggered: root.open()
    }

    // Everything the last opening made; dropped at the next.
    property var _made: []

    function open() {
        // Submenu rows are the menu's own making: removing destroys them.
        while (menu.count > 0) {
            const row = menu.itemAt(0)
            if (row.subMenu)
                menu.removeItem(row)
            else
                menu.takeItem(0)
        }
        for (const o of _made)
            o.destroy()
        _made = []
        fill(menu, options.menuModel())
        menu.popup(button, button.width - menu.width, button.height)
    }

    function make(component, props) {
        const o = component.createObject(root, props)
        _made.push(o)
        return o
    }

    function fill(target, entries) {
        for (const e of entries) {
            if (e.kind === "separator") {
                target.addItem(make(separatorComponent, {}))
            } else if (e.kind === "submenu") {
                const sub = make(menuComponent, { entry: e })
                fill(sub, e.children)
                target.addMenu(sub)
            } else {
                target.addItem(make(entryComponent, { entry: e }))
            }
        }
    }

    readonly property real maxMenuWidth: (Window.width > 0 ? Window.width : 430) - 16
    readonly property real menuWidth: Math.min(280, maxMenuWidth)
    readonly property color destructiveColor: Platform.Colors.destructive

    OptionsMenu { id: menu }

    component OptionsMenu: Basic.Menu {
        property var entry: null
        objectName: entry ? "optionsMenu." + entry.id : "optionsMenu"
        title: entry ? entry.title : ""
        cascade: false
        modal: true
        dim: false
        // Wider than 280 when an entry (a long caption track name) needs it,
        // up to the window's width.
        readonly property real widestEntry: {
            let widest = 0
            for (let i = 0; i < count; ++i) {
                const it = itemAt(i)
                if (it)
                    widest = Math.max(widest, it.implicitWidth)
            }
            return widest
        }
        width: Math.max(root.menuWidth, Math.min(widestEntry, root.maxMenuWidth))
        margins: 8
        padding: 0
        delegate: entryComponent
        background: Rectangle {
            implicitWidth: root.menuWidth
            radius: 13
            color: Platform.Colors.menuBackground
            border.width: 0.5
            border.color: Platform.Colors.separator
        }
    }

    Component {
        id: menuComponent
        OptionsMenu {}
    }

    Component {
        id: separatorComponent
        Basic.MenuSeparator {
            topPadding: 0
            bottomPadding: 0
            contentItem: Rectangle {
                implicitHeight: 6
                color: Platform.Colors.menuGap
            }
        }
    }

    Component {
        id: entryComponent

        Basic.MenuItem {
            id: item
            // A submenu's row reads its entry from the submenu.
            property var entry: subMenu ? subMenu.entry : null
            readonly property bool inert: entry !== null && entry.kind === "text"
            readonly property bool destructive: entry !== null && entry.destructive
            readonly property color tint: inert ? Platform.Colors.secondaryLabel
                                         : destructive ? root.destructiveColor : Platform.Colors.label

            objectName: entry ? "option." + entry.id : ""
            enabled: !inert
            implicitHeight: 44
            leftPadding: 16
            rightPadding: 16
            onTriggered: if (entry && !subMenu) options.trigger(entry.id)

            arrow: null
            indicator: null
            contentItem: Item {
                implicitWidth: label.implicitWidth + 8 + icon.width
                Text {
                    id: label
                    anchors.left: parent.left
                    anchors.right: icon.left
                    anchors.rightMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    text: item.entry ? Fmt.oneLine(item.entry.title) : ""
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: TextStyle.body
                    color: item.tint
                }
                Symbol {
                    id: icon
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    visible: name.length > 0
                    name: item.entry ? item.entry.symbol : ""
                    size: 17
                    color: item.tint
                }
            }
            background: Rectangle {
                color: item.highlighted || item.down ? Platform.Colors.fill : "transparent"
            }
        }
    }
}
