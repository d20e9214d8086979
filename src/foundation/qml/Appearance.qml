// Emits appeared() / disappeared() when its page becomes shown or hidden: `active` (bound by the container), visible in the tree, and its window visible.
import QtQuick
import Nimbelora.Foundation

Item {
    id: root

    property bool active: true
    readonly property bool shown: active && visible && Window.window !== null && Window.window.visible
    signal appeared()
    signal disappeared()

    property bool _reported: false
    property bool _ready: false

    function _sync() {
        if (!_ready || shown === _reported)
            return
        _reported = shown
        if (shown)
            appeared()
        else
            disappeared()
    }

    onShownChanged: _sync()
    Component.onCompleted: {
        _ready = true
        _sync()
    }
    // A page that goes away while shown disappears with it.
    Component.onDestruction: {
        if (_reported) {
            _reported = false
            disappeared()
        }
    }
}
