import QtQuick
import QtQuick.Window
import Nimbelora.Platform

// The floating video of Picture in Picture. PictureInPicture makes it, sizes
// it and claims the engine's pictures for its surface; here only the layout
// and the three buttons, shown while the pointer is over the window or the
// video is paused. Dragging anywhere moves the window.
Window {
    id: window

    required property PictureInPicture pip

    objectName: "pipWindow"
    title: "Imagen en imagen"
    flags: Qt.Window | Qt.FramelessWindowHint | Qt.WindowStaysOnTopHint
    color: "black"
    width: 320
    height: 180
    minimumWidth: 160
    minimumHeight: 90

    VideoSurface {
        objectName: "pipSurface"
        anchors.fill: parent
        color: "black"
    }

    DragHandler {
        target: null
        onActiveChanged: if (active) window.startSystemMove()
    }

    HoverHandler {
        id: hover
    }

    Rectangle {
        objectName: "pipControls"
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.35)
        visible: hover.hovered || !window.pip.playing

        component WindowButton: Item {
            id: button
            property string symbol
            property real symbolSize: 18
            signal triggered()
            width: 36
            height: 36

            Rectangle {
                anchors.fill: parent
                radius: width / 2
                color: Qt.rgba(0, 0, 0, area.pressed ? 0.6 : 0.4)
            }
            Symbol {
                anchors.centerIn: parent
                name: button.symbol
                size: button.symbolSize
                color: "white"
            }
            MouseArea {
                id: area
                anchors.fill: parent
                onClicked: button.triggered()
            }
        }

        WindowButton {
            objectName: "pipRestore"
            anchors { left: parent.left; top: parent.top; margins: 8 }
            symbol: "pip.exit"
            onTriggered: window.pip.restore()
        }

        WindowButton {
            objectName: "pipClose"
            anchors { right: parent.right; top: parent.top; margins: 8 }
            symbol: "xmark"
            symbolSize: 15
            onTriggered: window.pip.close()
        }

        WindowButton {
            objectName: "pipPlayPause"
            anchors.centerIn: parent
            width: 48
            height: 48
            symbol: window.pip.playing ? "pause.fill" : "play.fill"
            symbolSize: 22
            onTriggered: window.pip.togglePlayback()
        }
    }
}
