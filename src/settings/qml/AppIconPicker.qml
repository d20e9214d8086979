// A strip of the app's icons; the one in use carries the accent border and
// caption, and is in view when the strip shows. A tap gives the success
// haptic, then asks for the change; the marks move only once it is made.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Flickable {
    id: picker

    height: icons.height
    contentWidth: icons.width
    flickableDirection: Flickable.HorizontalFlick
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    SideScroller {
        id: scroller
        strip: picker
    }

    function _showCurrent() {
        for (let i = 0; i < options.count; ++i) {
            const option = options.itemAt(i)
            if (option && option.selected) {
                scroller.reveal(option)
                return
            }
        }
    }
    Component.onCompleted: Qt.callLater(_showCurrent)

    Row {
        id: icons
        topPadding: 6
        bottomPadding: 12
        rightPadding: 16
        spacing: 16

        Repeater {
            id: options
            model: AppIcons.options

            PressableStyle {
                id: option
                required property var modelData
                readonly property bool selected: modelData.alt === AppIcons.current
                objectName: "icon-" + modelData.id
                width: 64
                height: column.height
                onClicked: AppIcons.choose(modelData.alt)

                Column {
                    id: column
                    spacing: 6

                    Item {
                        width: 64
                        height: 64
                        Image {
                            anchors.fill: parent
                            source: option.modelData.source
                            sourceSize: Qt.size(128, 128)
                            smooth: true
                        }
                        Rectangle {
                            anchors.fill: parent
                            radius: 15
                            color: "transparent"
                            border.width: option.selected ? 3 : 1
                            border.color: option.selected ? Theme.accent : Colors.alpha(Colors.label, 0.12)
                        }
                    }
                    Text {
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: option.modelData.title
                        textFormat: Text.PlainText
                        font: TextStyle.caption
                        color: option.selected ? Theme.accent : Colors.secondaryLabel
                    }
                }
            }
        }
    }
}
