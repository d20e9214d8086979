// Wraps one Flickable: pulling it down past `threshold`, or F5 / Ctrl+R while active, emits refresh(); the spinner shows while `refreshing`, with the content moved down below it.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    default property alias content: holder.data
    // The first Flickable among the children unless set.
    property Flickable flickable: null
    property bool refreshing: false
    // False for views that are not on screen, so only one view answers the keys.
    property bool active: true
    property real threshold: 70
    signal refresh()

    readonly property real pull: flickable ? Math.max(0, -flickable.verticalOvershoot) : 0
    // Room the spinner keeps above the content while refreshing.
    readonly property real spinnerRoom: 52

    property real _lastPull: 0
    property real _heldRoom: 0

    // A view that stops at its bounds reports no pull: let it be dragged
    // over them (flicks still stop), so every view here can be pulled.
    onFlickableChanged: _allowPull()
    function _allowPull() {
        if (flickable && flickable.boundsBehavior === Flickable.StopAtBounds)
            flickable.boundsBehavior = Flickable.DragOverBounds
    }

    // While refreshing the content moves down under the spinner instead of
    // lying beneath it.
    onRefreshingChanged: _holdRoom(refreshing)
    function _holdRoom(on) {
        const f = flickable
        if (!f)
            return
        if (on && _heldRoom === 0) {
            const atTop = f.contentY <= f.originY - f.topMargin + 1
            _heldRoom = spinnerRoom
            f.topMargin += _heldRoom
            if (atTop && !f.dragging)
                f.contentY = Math.min(f.contentY, f.originY - f.topMargin)
        } else if (!on && _heldRoom > 0) {
            f.topMargin -= _heldRoom
            _heldRoom = 0
            f.returnToBounds()
        }
    }

    function _trigger() {
        if (!refreshing)
            refresh()
    }

    Item {
        id: holder
        anchors.fill: parent
        onChildrenChanged: {
            if (root.flickable)
                return
            for (let i = 0; i < children.length; ++i) {
                if (children[i] instanceof Flickable) {
                    root.flickable = children[i]
                    return
                }
            }
        }
    }

    Connections {
        target: root.flickable
        function onBoundsBehaviorChanged() { root._allowPull() }
        function onVerticalOvershootChanged() {
            if (root.flickable.dragging)
                root._lastPull = root.pull
        }
        function onDraggingChanged() {
            if (root.flickable.dragging) {
                root._lastPull = 0
            } else {
                const pulled = root._lastPull >= root.threshold
                root._lastPull = 0
                if (pulled)
                    root._trigger()
            }
        }
    }

    Shortcut {
        sequences: ["F5", "Ctrl+R"]
        enabled: root.active && root.visible && root.enabled
        onActivated: root._trigger()
    }

    BusyIndicator {
        id: spinner
        objectName: "refreshSpinner"
        anchors.horizontalCenter: parent.horizontalCenter
        y: root.refreshing ? 12 : Math.min(root.pull, root.threshold) / 2 - height / 2
        width: 28
        height: 28
        running: root.refreshing || root.pull > 0
        visible: running
        opacity: root.refreshing ? 1 : Math.min(1, root.pull / root.threshold)
        palette.dark: Colors.secondaryLabel
    }
}
