// The home screen's horizontal bar of category chips; the selected one is
// filled with the brand gradient. A tap reports the chip's id with `picked`.
import QtQuick
import Nimbelora.Platform
// QtQuick's own Palette type shadows ours when unqualified.
import Nimbelora.Platform as Platform
import Nimbelora.Foundation

Flickable {
    id: root

    // Category values, in display order.
    property var categories: []
    property string selected
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

    Row {
        id: chips
        x: 16
        y: 8
        spacing: 8

        Repeater {
            model: root.categories

            PressableStyle {
                id: chip

                required property var modelData
                readonly property bool isSelected: root.selected === modelData.id
                readonly property color foreground: isSelected ? "white" : Platform.Palette.label

                objectName: "chip_" + modelData.id
                leftPadding: 14
                rightPadding: 14
                topPadding: 8
                bottomPadding: 8
                Accessible.name: modelData.name

                onClicked: {
                    Haptics.light()
                    root.picked(chip.modelData.id)
                }

                contentItem: Row {
                    spacing: 6

                    Symbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: root.symbol(chip.modelData.id)
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
                        visible: chip.isSelected
                        anchors.fill: parent
                        anchors.topMargin: 3
                        anchors.bottomMargin: -3
                        radius: height / 2
                        color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.2)
                    }
                    Rectangle {
                        anchors.fill: parent
                        radius: height / 2
                        visible: !chip.isSelected
                        color: Platform.Palette.tertiaryFill
                    }
                    CornerGradient {
                        objectName: "chipGradient"
                        anchors.fill: parent
                        radius: height / 2
                        visible: chip.isSelected
                        from: Qt.rgba(1.0, 0.33, 0.43, 1)
                        to: Theme.deep
                    }
                }
            }
        }
    }
}
