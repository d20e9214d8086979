// A horizontal bar of chips (the home screen's categories, the search
// filters); the selected one is filled with the brand gradient. A tap reports
// the chip's id with `picked`. The wheel moves the bar along, and a chip that
// becomes the selected one is brought into view (a new search going back to
// "Todo" while the bar shows its far end).
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Flickable {
    id: root

    // Chips in display order: {id, name} and, where `symbol` does not
    // know the id, {symbol}.
    property var categories: []
    property string selected
    // The chip's look: paddings, the gap between icon and title, the glow
    // under the selected chip.
    property real chipPaddingX: 14
    property real chipPaddingY: 8
    property real iconSpacing: 6
    property bool glow: true
    signal picked(string id)

    // The chip icon of a category id.
    function symbol(id) {
        switch (id) {
        case "foryou": return "sparkles"
        case "music": return "music.note"
        case "gaming": return "gamecontroller.fill"
        case "news": return "newspaper.fill"
        case "sports": return "sportscourt.fill"
        case "tech": return "cpu.fill"
        case "movies": return "film.fill"
        case "learn": return "graduationcap.fill"
        case "comedy": return "face.smiling.fill"
        default: return "play.rectangle.fill"
        }
    }

    implicitHeight: chips.height + 16
    contentWidth: chips.width + 32
    contentHeight: height
    flickableDirection: Flickable.HorizontalFlick
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    SideScroller {
        id: scroller
        strip: root
    }

    function _showSelected() {
        for (let i = 0; i < chipRepeater.count; ++i) {
            const chip = chipRepeater.itemAt(i)
            if (chip && chip.isSelected) {
                scroller.reveal(chip)
                return
            }
        }
    }
    onSelectedChanged: Qt.callLater(_showSelected)

    Row {
        id: chips
        x: 16
        y: 8
        spacing: 8

        Repeater {
            id: chipRepeater
            model: root.categories

            PressableStyle {
                id: chip

                required property var modelData
                readonly property bool isSelected: root.selected === modelData.id
                readonly property color foreground: isSelected ? "white" : Colors.label

                objectName: "chip_" + modelData.id
                focusPolicy: Qt.NoFocus
                leftPadding: root.chipPaddingX
                rightPadding: root.chipPaddingX
                topPadding: root.chipPaddingY
                bottomPadding: root.chipPaddingY
                Accessible.name: modelData.name

                onClicked: {
                    Haptics.light()
                    root.picked(chip.modelData.id)
                }

                contentItem: Row {
                    spacing: root.iconSpacing

                    Symbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: chip.modelData.symbol !== undefined ? chip.modelData.symbol : root.symbol(chip.modelData.id)
                        size: 12
                        color: chip.foreground
                    }

                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: chip.modelData.name
                        textFormat: Text.PlainText
                        color: chip.foreground
                        font: TextStyle.font(15, Font.DemiBold)
                    }
                }

                background: Item {
                    // The accent glow under the selected chip.
                    Rectangle {
                        visible: chip.isSelected && root.glow
                        anchors.fill: parent
                        anchors.topMargin: 3
                        anchors.bottomMargin: -3
                        radius: height / 2
                        color: Colors.alpha(Theme.accent, 0.2)
                    }
                    Rectangle {
                        anchors.fill: parent
                        radius: height / 2
                        visible: !chip.isSelected
                        color: Colors.tertiaryFill
                    }
                    // Made for the selected chip only.
                    Loader {
                        anchors.fill: parent
                        active: chip.isSelected
                        sourceComponent: CornerGradient {
                            objectName: "chipGradient"
                            radius: height / 2
                            from: Theme.brandLight
                            to: Theme.deep
                        }
                    }
                }
            }
        }
    }
}
