// A sheet made only when it is first wanted: from `sourceComponent`, or from
// `file` with `properties` so that the file is not even compiled before then.
// `shown` opens and closes it (or call open()); `dismissed` says it closed,
// whoever closed it, so the owner can clear `shown`. A `fresh` sheet is made
// anew each time it is shown, or when its `key` changes while shown, and let
// go once hidden (after it has slid away); otherwise the one made first is kept.
import QtQuick

Loader {
    id: slot

    property bool shown: false
    property bool fresh: false
    property var key
    property url file
    property var properties: ({})
    signal dismissed()

    active: false

    function open() {
        if (!item) {
            active = true
            if (file.toString().length > 0)
                setSource(file, properties)
        }
        if (item)
            item.open()
    }

    function sync() {
        if (fresh) {
            // Closed first: it is let go when its closing is over.
            if (!shown && item && item.visible) {
                item.close()
                return
            }
            active = false
            source = ""
            if (shown)
                open()
        } else if (shown) {
            open()
        } else if (item) {
            item.close()
        }
    }

    // A fresh sheet is let go later, never inside its own closing signal.
    onShownChanged: fresh ? Qt.callLater(sync) : sync()
    onKeyChanged: if (fresh && shown) Qt.callLater(sync)
    // Shown from the start: opened once the owner has a window to open it in.
    Component.onCompleted: if (shown) Qt.callLater(sync)

    Connections {
        target: slot.item
        function onClosed() {
            slot.dismissed()
            if (slot.fresh && !slot.shown)
                Qt.callLater(slot.sync)
        }
    }
}
