// The app's one menu: over its parent, opened by a long press, a right click or popup(x, y).
// Entries {id, title, symbol, kind, destructive, enabled, children} come as `model` (MenuEntry's
// shape; kind "button" when absent, "submenu" opens its children over the menu, "text" and
// "separator" are inert); a choice emits triggered(index, id) with the entry of this opening.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    property var model: []
    readonly property bool opened: _menu !== null && _menu.opened
    // Entries are named "contextMenuItem<index>", or this prefix and their id when it is set.
    property string namePrefix: ""
    // Emitted before the entries are built, so the owner can refresh `model` for this opening.
    signal aboutToOpen()
    signal triggered(int index, var id)

    // The menu is as wide as its widest entry needs, at least this and at
    // most the window less its margins (worked out by the menu itself, so
    // that the many holders that never open one bind nothing for it).
    property real minimumWidth: 250
    readonly property real _margins: 8
    property real _widest: 0
    // Made at the first opening: every card holds a menu, few are ever opened.
    property Menu _menu: null
    // What the last opening made: its rows and submenus, dropped at the next.
    property var _made: []
    // Bumped at every opening; a row of an earlier opening chooses nothing.
    property int _opening: 0

    // `x` is the menu's left edge, or its right edge when `rightAligned`.
    property bool rightAligned: false

    function popup(x, y) {
        aboutToOpen()
        if (_menu === null)
            _menu = menuComponent.createObject(root)
        const menu = _menu
        _clear(menu)
        ++_opening
        _widest = 0
        _fill(menu, model || [], "")
        if (menu.count > 0)
            menu.popup(root, rightAligned ? x - menu.width : x, y)
    }

    function close() {
        if (_menu !== null)
            _menu.close()
    }

    function _clear(menu) {
        while (menu.count > 0) {
            const row = menu.itemAt(0)
            if (row.subMenu) {
                // The menu made this row: removing destroys it.
                row.subMenu.close()
                menu.removeItem(row)
            } else {
                menu.takeItem(0)
            }
        }
        // Destroyed later: nameless and hidden until then, so nothing finds them.
        for (const o of _made) {
            o.objectName = ""
            o.visible = false
            o.destroy()
        }
        _made = []
    }

    function _fill(target, entries, path) {
        for (let i = 0; i < entries.length; ++i) {
            const e = entries[i]
            const index = path.length > 0 ? -1 : i
            const name = namePrefix.length > 0 ? namePrefix + e.id : "contextMenuItem" + path + i
            let o
            if (e.kind === "separator") {
                o = separatorComponent.createObject(root)
                target.addItem(o)
            } else if (e.kind === "submenu") {
                o = menuComponent.createObject(root, { entry: e, name: name })
                _fill(o, e.children || [], path + i + ".")
                target.addMenu(o)
                const row = target.itemAt(target.count - 1)
                row.first = i === 0
                _widest = Math.max(_widest, row.implicitWidth)
            } else {
                o = entryComponent.createObject(root, { index: index, first: i === 0, entry: e, opening: _opening, name: name })
                _widest = Math.max(_widest, o.implicitWidth)
                target.addItem(o)
            }
            _made.push(o)
        }
    }

    anchors.fill: parent

    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: (eventPoint) => root.popup(eventPoint.position.x, eventPoint.position.y)
    }

    TapHandler {
        acceptedButtons: Qt.LeftButton
        enabled: !root._targetHolds
        onLongPressed: root.popup(point.position.x, point.position.y)
    }

    // Buttons and mouse areas report a press-and-hold themselves and then skip their click.
    readonly property bool _targetHolds: parent !== null && parent.pressAndHold !== undefined

    Connections {
        target: root.parent
        enabled: root._targetHolds
        ignoreUnknownSignals: true
        function onPressAndHold() {
            const t = root.parent
            const x = t.pressX !== undefined ? t.pressX : t.mouseX
            const y = t.pressY !== undefined ? t.pressY : t.mouseY
            root.popup(x, y)
        }
    }

    Component {
        id: entryComponent

        MenuItem {
            id: item
            property int index: -1
            property int opening: -1
            // The first row draws no hairline above it.
            property bool first: true
            property string name
            // A submenu's row (made by its menu) reads its entry from the submenu.
            property var entry: subMenu ? subMenu.entry : null
            readonly property bool inert: entry !== null && entry.kind === "text"
            readonly property bool destructive: entry !== null && entry.destructive === true
            readonly property color tint: inert ? Colors.secondaryLabel
                                        : !enabled ? Colors.tertiaryLabel
                                        : destructive ? Colors.destructive
                                        : Colors.label

            objectName: subMenu ? subMenu.name : name
            enabled: entry !== null && !inert && entry.enabled !== false
            implicitWidth: Math.max(root.minimumWidth, implicitContentWidth + leftPadding + rightPadding)
            implicitHeight: 44
            leftPadding: 16
            rightPadding: 16
            onTriggered: {
                // Only a row of the opening on screen chooses.
                if (!subMenu && opening === root._opening)
                    root.triggered(index, entry.id !== undefined ? entry.id : index)
            }

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
                    text: item.entry ? Fmt.oneLine(item.entry.title || "") : ""
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
                    name: item.entry ? item.entry.symbol || "" : ""
                    size: 17
                    color: item.tint
                }
            }

            background: Rectangle {
                color: item.highlighted || item.down ? Colors.fill : "transparent"
                Rectangle {
                    visible: !item.first
                    width: parent.width
                    height: 0.5
                    color: Colors.separator
                }
            }
        }
    }

    Component {
        id: separatorComponent
        MenuSeparator {
            topPadding: 0
            bottomPadding: 0
            contentItem: Rectangle {
                implicitHeight: 6
                color: Colors.menuGap
            }
        }
    }

    Component {
        id: menuComponent

        Menu {
            id: menu
            // A submenu's entry and its row's name; none for the top menu.
            property var entry: null
            property string name
            title: entry ? entry.title || "" : ""
            cascade: false
            modal: true
            // A closing menu no longer holds the window: a press while it
            // fades out reaches what lies under it.
            onAboutToHide: modal = false
            onAboutToShow: modal = true
            dim: false
            padding: 0
            topPadding: 0
            bottomPadding: 0
            margins: root._margins
            transformOrigin: Item.TopLeft
            readonly property real maximumWidth: Math.max(root.minimumWidth, (root.Window.width > 0 ? root.Window.width : Infinity) - 2 * root._margins)
            width: Math.min(Math.max(root.minimumWidth, root._widest), maximumWidth)
            delegate: entryComponent

            enter: Transition {
                NumberAnimation { property: "opacity"; from: 0; to: 1; duration: Motion.quick }
                Spring { property: "scale"; from: 0.85; to: 1; response: 0.3; dampingFraction: 0.8 }
            }
            exit: Transition {
                NumberAnimation { property: "opacity"; from: 1; to: 0; duration: Motion.quick }
            }

            background: Rectangle {
                implicitWidth: menu.width
                radius: 13
                color: Colors.menuBackground
                border.width: 0.5
                border.color: Colors.separator
            }
        }
    }
}
