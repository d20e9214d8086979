// The docked mini player of a tab: the live picture, the title and channel,
// play / pause and next-or-close over a thin progress line. A tap opens the
// full player; a sideways drag beyond 110 stops playback. It is there only
// while a video is loaded, sliding in from the bottom and out again.
import QtQuick
import QtQuick.Layouts
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Playback
import Nimbelora.Player

Item {
    id: root

    required property PlayerStore player
    // This bar's tab is the one on screen; the tab stack binds it. Only the
    // bar on screen, with the player collapsed, shows the video.
    property bool active: true

    readonly property bool hasVideo: player.current !== undefined && player.current !== null
    readonly property bool showsVideo: active && visible && !player.expanded
    readonly property real barHeight: 8 + 47 + 8 + 2
    readonly property color barColor: Colors.secondaryBackground

    // The video on the bar; kept while the bar slides out after a stop.
    property var shown
    // Reads the store itself: `hasVideo` may not have caught up yet here.
    function remember() {
        if (player.current !== undefined && player.current !== null)
            shown = player.current
    }
    Component.onCompleted: remember()
    Connections {
        target: root.player
        function onCurrentChanged() { root.remember() }
    }

    implicitHeight: hasVideo ? barHeight + 6 : 0

    // 1 in place, 0 gone below the bottom edge.
    property real presence: hasVideo ? 1 : 0
    Behavior on presence { Spring { response: 0.4; dampingFraction: 0.82 } }

    MiniPlayerModel {
        id: model
        player: root.player
    }

    // The whole padded frame takes touches, margins included; the buttons
    // above it take their own.
    MouseArea {
        id: touch
        objectName: "miniPlayerTouch"
        anchors.fill: parent
        enabled: root.hasVideo
        preventStealing: model.dragging
        property point origin
        onPressed: (mouse) => {
            origin = Qt.point(mouse.x, mouse.y)
            model.press()
        }
        onPositionChanged: (mouse) => model.move(mouse.x - origin.x, mouse.y - origin.y)
        onReleased: (mouse) => model.release(mouse.x - origin.x, mouse.y - origin.y)
        onCanceled: model.cancel()
    }

    Item {
        id: content
        objectName: "miniPlayerContent"
        width: root.width
        height: root.barHeight + 6
        x: model.dragX
        // From the bar's bottom: once stopped the bar takes no room at once,
        // and the content slides down from where it was.
        y: root.height - height + (1 - root.presence) * (height + 6)
        opacity: root.presence * model.opacity
        visible: root.presence > 0.001
        Behavior on x {
            enabled: model.springingBack
            Spring { response: 0.3; dampingFraction: 0.8 }
        }

        // Soft layers stand in for the 10-point shadow, 4 below.
        Repeater {
            model: 3
            Rectangle {
                required property int index
                x: 10 - (index + 1) * 2
                y: 4 - (index + 1) * 2
                width: bar.width + (index + 1) * 4
                height: bar.height + (index + 1) * 4
                radius: bar.radius + (index + 1) * 2
                color: Qt.rgba(0, 0, 0, 0.04)
            }
        }

        Rectangle {
            id: bar
            objectName: "miniPlayerBar"
            x: 10
            width: parent.width - 20
            height: root.barHeight
            radius: 20
            color: root.barColor

            RowLayout {
                x: 10
                y: 8
                width: bar.width - 20
                height: 47
                spacing: 12

                Rectangle {
                    objectName: "miniPlayerVideo"
                    Layout.preferredWidth: 84
                    Layout.preferredHeight: 47
                    color: "black"

                    SurfaceHost {
                        id: host
                        objectName: "miniSurfaceHost"
                        anchors.fill: parent
                        surface: root.player.surface
                        active: root.showsVideo
                        fillMode: VideoSurface.AspectFill
                    }
                    CornerMask {
                        anchors.fill: parent
                        radius: 9
                        color: root.barColor
                    }
                }

                Column {
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignVCenter
                    spacing: 2

                    Text {
                        objectName: "miniPlayerTitle"
                        width: parent.width
                        text: root.shown !== undefined ? root.shown.title : ""
                        textFormat: Text.PlainText
                        font: TextStyle.font(15, Font.DemiBold)
                        color: Colors.label
                        elide: Text.ElideRight
                        maximumLineCount: 1
                    }
                    Text {
                        objectName: "miniPlayerChannel"
                        width: parent.width
                        text: root.shown !== undefined ? root.shown.channel : ""
                        textFormat: Text.PlainText
                        font: TextStyle.caption
                        color: Colors.secondaryLabel
                        elide: Text.ElideRight
                        maximumLineCount: 1
                    }
                }

                PressableStyle {
                    id: playButton
                    objectName: "miniPlayPause"
                    Layout.preferredWidth: 40
                    Layout.preferredHeight: 40
                    focusPolicy: Qt.NoFocus
                    Accessible.name: root.player.isPlaying ? "Pausar" : "Reproducir"
                    onClicked: model.togglePlay()
                    contentItem: Item {
                        Symbol {
                            objectName: "miniPlayPauseIcon"
                            anchors.centerIn: parent
                            name: root.player.isPlaying ? "pause.fill" : "play.fill"
                            size: 20
                            color: Colors.label
                        }
                    }
                }

                PressableStyle {
                    id: trailing
                    objectName: "miniTrailing"
                    Layout.preferredWidth: 34
                    Layout.preferredHeight: 40
                    focusPolicy: Qt.NoFocus
                    Accessible.name: model.hasNext ? "Siguiente" : "Cerrar reproductor"
                    onClicked: model.nextOrClose()
                    contentItem: Item {
                        Symbol {
                            objectName: "miniTrailingIcon"
                            anchors.centerIn: parent
                            name: model.hasNext ? "forward.fill" : "xmark"
                            size: 17
                            color: model.hasNext ? Colors.label : Colors.secondaryLabel
                        }
                    }
                }
            }

            MiniProgress {
                objectName: "miniProgress"
                anchors.bottom: parent.bottom
                width: parent.width
                height: 2
                cornerRadius: bar.radius
                fraction: model.progress
                animated: root.showsVideo
                engine: root.player.player
            }
        }
    }
}
