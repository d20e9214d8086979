// Sheet from the bottom with "medium" / "large" detents; dragging the grabber or header moves between them or, past `dismissDistance`, closes it, as does a tap on the dimmed backdrop, unless `dismissable` is false.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Nimbelora.Platform
import Nimbelora.Foundation

Popup {
    id: sheet

    property string title
    property var detents: ["medium", "large"]
    property string detent: detents.length > 0 ? detents[0] : "large"
    property bool dismissable: true
    // How far below the smallest detent a drag must end to close the sheet.
    property real dismissDistance: 100
    property real largeTopInset: 10
    property color color: Colors.background
    // Optional bar items beside the title, e.g. "Cancelar" and "Hecho" buttons.
    property Item leading: null
    property Item trailing: null
    default property alias content: body.data

    readonly property real windowHeight: parent ? parent.height : 0
    // Downward distance of the current drag; kept while a dragged-away sheet slides out.
    property real dragOffset: 0
    readonly property bool dragging: drag.active

    function heightOf(name) {
        return name === "medium" ? Math.round(windowHeight / 2) : windowHeight - largeTopInset
    }

    readonly property real smallestHeight: {
        let h = heightOf("large")
        for (let i = 0; i < detents.length; ++i)
            h = Math.min(h, heightOf(detents[i]))
        return h
    }

    // Height of the part on screen; the drag moves it, letting go animates it to a detent.
    property real shownHeight: Math.max(0, Math.min(heightOf("large"), heightOf(detent) - dragOffset))
    Behavior on shownHeight {
        enabled: !sheet.dragging
        Spring { response: 0.35; dampingFraction: 0.86 }
    }

    // 0 when hidden, 1 when fully presented; driven by the enter and exit transitions.
    property real presentation: 0

    function _settle() {
        const landed = heightOf(detent) - dragOffset
        if (dismissable && landed < smallestHeight - dismissDistance) {
            close()
            return
        }
        let best = detent
        for (let i = 0; i < detents.length; ++i) {
            if (Math.abs(heightOf(detents[i]) - landed) < Math.abs(heightOf(best) - landed))
                best = detents[i]
        }
        detent = best
        dragOffset = 0
    }

    parent: T.Overlay.overlay
    x: 0
    width: parent ? parent.width : 0
    height: Math.max(shownHeight, smallestHeight)
    y: windowHeight - shownHeight * presentation
    margins: -1
    padding: 0
    modal: true
    dim: true
    focus: true
    closePolicy: dismissable ? (Popup.CloseOnEscape | Popup.CloseOnReleaseOutside) : Popup.NoAutoClose

    onAboutToShow: {
        dragOffset = 0
        if (detents.length > 0)
            detent = detents[0]
    }
    onClosed: dragOffset = 0

    enter: Transition {
        Spring { property: "presentation"; from: 0; to: 1; response: 0.4; dampingFraction: 0.9 }
    }
    exit: Transition {
        NumberAnimation { property: "presentation"; to: 0; duration: Motion.standard; easing.type: Easing.InCubic }
    }

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.35 * sheet.presentation)
    }

    background: Item {
        clip: true
        Rectangle {
            width: parent.width
            height: parent.height + radius
            radius: 12
            color: sheet.color
        }
    }

    contentItem: Item {
        Item {
            id: header
            objectName: "sheetHeader"
            width: parent.width
            height: bar.visible ? 20 + bar.height : 20

            Rectangle {
                objectName: "sheetGrabber"
                anchors.horizontalCenter: parent.horizontalCenter
                y: 5
                width: 36
                height: 5
                radius: 2.5
                color: Colors.tertiaryLabel
            }

            Item {
                id: bar
                y: 14
                width: parent.width
                height: 44
                visible: sheet.title.length > 0 || sheet.leading !== null || sheet.trailing !== null

                Text {
                    anchors.centerIn: parent
                    width: parent.width - 2 * Math.max(leadingSlot.width, trailingSlot.width) - 32
                    horizontalAlignment: Text.AlignHCenter
                    text: sheet.title
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: Colors.label
                    font: TextStyle.headline
                }

                Item {
                    id: leadingSlot
                    anchors.left: parent.left
                    anchors.leftMargin: 16
                    anchors.verticalCenter: parent.verticalCenter
                    width: sheet.leading ? sheet.leading.implicitWidth : 0
                    height: sheet.leading ? sheet.leading.implicitHeight : 0
                }

                Item {
                    id: trailingSlot
                    anchors.right: parent.right
                    anchors.rightMargin: 16
                    anchors.verticalCenter: parent.verticalCenter
                    width: sheet.trailing ? sheet.trailing.implicitWidth : 0
                    height: sheet.trailing ? sheet.trailing.implicitHeight : 0
                }
            }

            DragHandler {
                id: drag
                target: null
                xAxis.enabled: false
                onTranslationChanged: {
                    // Upwards only as far as the large detent.
                    if (active)
                        sheet.dragOffset = Math.max(sheet.heightOf(sheet.detent) - sheet.heightOf("large"),
                                                    translation.y)
                }
                onActiveChanged: if (!active) sheet._settle()
            }
        }

        Item {
            id: body
            anchors.top: header.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
        }
    }

    onLeadingChanged: if (leading) leading.parent = leadingSlot
    onTrailingChanged: if (trailing) trailing.parent = trailingSlot
    Component.onCompleted: {
        if (leading)
            leading.parent = leadingSlot
        if (trailing)
            trailing.parent = trailingSlot
    }
}
