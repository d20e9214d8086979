import QtQuick
import QtQuick.Window

// The one window; screens arrive with the shell.
Window {
    width: 430
    height: 932
    minimumWidth: 320
    minimumHeight: 480
    visible: true
    title: "Nimbelora"
    color: "white"
}
