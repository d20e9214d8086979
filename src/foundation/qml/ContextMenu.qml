// Menu over its parent, opened by a long press or a right click; entries {label, symbol, destructive, enabled, id} come as `model`, a choice emits triggered(index, id).
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import Nimbelora.Foundation

Item {
    id: root

    property var model: []
    readonly property bool opened: _menu !== null && _menu.opened
    // Emitted before the entries are built, so the owner can refresh `model` for this opening.
    signal aboutToOpen()
    signal triggered(int index, var id)

    // The menu is as wide as its widest entry needs, within these bounds.
    property real minimumWidth: 250
    readonly property real maximumWidth: Math.max(minimumWidth, (Window.width > 0 ? Window.width : Infinity) - 2 * _margins)
    readonly property real _margins: 8
    property real _widest: 0
    // Made at the first opening: every card holds a menu, few are ever opened.
    property Menu _menu: null

    // Buttons and mouse areas report a press-and-hold themselves and then skip their click.
    readonly property bool _targetHolds: parent !== null && parent.pressAndHold !== undefined

    function popup(x, y) {
        aboutToOpen()
        if (_menu === null)
            _menu = menuComponent.createObject(root)
        const menu = _menu
        while (menu.count > 0)
            menu.takeItem(0).destroy()
        const entries = model || []
        let widest = 0
        for (let i = 0; i < entries.length; ++i) {
            const item = entryComponent.createObject(root, { index: i, entry: entries[i] })
            widest = Math.max(widest, item.implicitWidth)
            menu.addItem(item)
        }
        _widest = widest
        if (menu.count > 0)
            menu.popup(root, x, y)
    }

    function close() {
        if (_menu !== null)
            _menu.close()
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
            required property int index
            required property var entry
            readonly property bool destructive: entry.destructive === true

            objectName: "contextMenuItem" + index
            enabled: entry.enabled !== false
            implicitWidth: Math.max(root.minimumWidth, implicitContentWidth + leftPadding + rightPadding)
            implicitHeight: 44
            leftPadding: 16
            rightPadding: 16
            onTriggered: root.triggered(index, entry.id !== undefined ? entry.id : index)

            contentItem: Item {
                implicitWidth: label.implicitWidth + 8 + icon.width

                Text {
                    id: label
                    anchors.left: parent.left
                    anchors.right: icon.left
                    anchors.rightMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    text: item.entry.label || ""
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: TextStyle.body
                    color: !item.enabled ? Platform.Colors.tertiaryLabel
                         : item.destructive ? Platform.Colors.destructive
                         : Platform.Colors.label
                }
                Symbol {
                    id: icon
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    visible: name.length > 0
                    name: item.entry.symbol || ""
                    size: 17
                    color: !item.enabled ? Platform.Colors.tertiaryLabel
                         : item.destructive ? Platform.Colors.destructive
                         : Platform.Colors.label
                }
            }

            background: Rectangle {
                color: item.highlighted || item.down ? Platform.Colors.fill : "transparent"
                Rectangle {
                    visible: item.index > 0
                    width: parent.width
                    height: 0.5
                    color: Platform.Colors.separator
                }
            }
        }
    }

    Component {
        id: menuComponent

        Menu {
            modal: true
            dim: false
            padding: 0
            topPadding: 0
            bottomPadding: 0
            margins: root._margins
            transformOrigin: Item.TopLeft
            width: Math.min(Math.max(root.minimumWidth, root._widest), root.maximumWidth)

            enter: Transition {
                NumberAnimation { property: "opacity"; from: 0; to: 1; duration: Motion.quick }
                Spring { property: "scale"; from: 0.85; to: 1; response: 0.3; dampingFraction: 0.8 }
            }
            exit: Transition {
                NumberAnimation { property: "opacity"; from: 1; to: 0; duration: Motion.quick }
            }

            background: Rectangle {
                implicitWidth: 250
                radius: 13
                color: Platform.Colors.menuBackground
                border.width: 0.5
                border.color: Platform.Colors.separator
            }
        }
    }
}
