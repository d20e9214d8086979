// Moves a sideways strip (a Flickable or ListView that flicks across) with
// the mouse wheel and the touchpad, whichever way they turn: on a desktop an
// upright wheel over a strip is expected to move it along. At either end, or
// when everything fits, the turn goes on to the page under the strip.
// reveal(item) brings a part of the content into view. Declare it inside
// the strip:
//   Flickable { id: strip; … SideScroller { strip: strip } }
import QtQuick

MouseArea {
    id: root

    required property Flickable strip
    // Room kept beside what reveal() brings into view.
    property real revealMargin: 16

    readonly property real _start: strip.originX - strip.leftMargin
    readonly property real _end: Math.max(_start, strip.originX + strip.contentWidth + strip.rightMargin - strip.width)
    // Where the strip is going: steps that come while it glides add up.
    property real _goal: 0

    function _clamped(x) { return Math.max(_start, Math.min(_end, x)) }

    function _glide(to) {
        glide.stop()
        if (strip.visible && strip.width > 0) {
            _goal = to
            glide.to = to
            glide.start()
        } else {
            strip.contentX = to
        }
    }

    // Brings `item`, a part of the content, into view, nearest edge first.
    // Asked while the strip has no width yet (its window still laying out),
    // it waits for one: measured against a width of 0, everything lies past
    // the right edge, and the strip would open scrolled.
    function reveal(item) {
        _waiting = null
        if (!strip.visible)
            glide.stop()
        if (strip.width <= 0) {
            _waiting = item
            return
        }
        const x = item.mapToItem(strip.contentItem, 0, 0).x
        const left = x - revealMargin
        const right = x + item.width + revealMargin - strip.width
        const now = glide.running ? _goal : strip.contentX
        const to = _clamped(now > left ? left : now < right ? right : now)
        if (Math.abs(to - now) >= 0.5)
            _glide(to)
    }
    property Item _waiting: null

    // Over the part in view, in the content's coordinates; presses and
    // drags pass on to the strip and what it holds.
    parent: strip.contentItem
    x: strip.contentX
    y: strip.contentY
    width: strip.width
    height: strip.height
    acceptedButtons: Qt.NoButton

    onWheel: (event) => {
        // A touchpad reports pixels; a wheel reports eighths of a degree,
        // 120 to a notch.
        const pixels = event.pixelDelta.x !== 0 || event.pixelDelta.y !== 0
        const d = pixels ? event.pixelDelta : event.angleDelta
        const along = Math.abs(d.x) >= Math.abs(d.y) ? d.x : d.y
        const distance = pixels ? along : along / 120 * Qt.styleHints.wheelScrollLines * 40
        const from = glide.running ? _goal : strip.contentX
        const to = _clamped(from - distance)
        if (Math.abs(to - from) < 0.5) {
            event.accepted = false
            return
        }
        if (pixels) {
            glide.stop()
            strip.contentX = to
        } else {
            _glide(to)
        }
    }

    NumberAnimation {
        id: glide
        target: root.strip
        property: "contentX"
        duration: 180
        easing.type: Easing.OutCubic
    }

    Connections {
        target: root.strip
        // A drag takes over from a glide.
        function onMovementStarted() { glide.stop() }
        // Its first width: the strip shows already there, without a glide.
        function onWidthChanged() {
            if (root._waiting && root.strip.width > 0) {
                const item = root._waiting
                glide.stop()
                root.reveal(item)
                glide.complete()
            }
        }
    }
}
