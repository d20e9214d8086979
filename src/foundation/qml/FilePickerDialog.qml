// The document picker: Qt's file dialog, made and opened only when it can
// load (FilePicker); otherwise a message says so, instead of a crash inside Qt.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: picker

    // Saving asks for a new file's place, offering `selectedFile`.
    property bool saving: false
    property var nameFilters: []
    property url selectedFile
    readonly property QtObject dialog: loader.item
    signal accepted(url file)

    function open() {
        if (!FilePicker.canOpen()) {
            unavailable.open()
            return
        }
        loader.active = true
        loader.item.open()
    }

    visible: false

    // Qt's dialog module (three libraries and a plugin) loads with the
    // first pick, not with every screen that offers one.
    Loader {
        id: loader
        active: false
        Component.onCompleted: setSource(Qt.resolvedUrl("SystemFileDialog.qml"), { picker: picker })
    }

    Popup {
        id: unavailable

        parent: T.Overlay.overlay
        x: Math.round((parent ? parent.width - width : 0) / 2)
        y: Math.round((parent ? parent.height - height : 0) / 2.4)
        width: 270
        padding: 0
        modal: true
        dim: true
        closePolicy: Popup.CloseOnEscape

        T.Overlay.modal: Rectangle {
            color: Qt.rgba(0, 0, 0, 0.2)
        }
        background: Rectangle {
            radius: 14
            color: Colors.alertBackground
        }
        contentItem: Column {
            objectName: "filePickerUnavailable"
            Column {
                width: parent.width
                topPadding: 19
                bottomPadding: 18
                leftPadding: 16
                rightPadding: 16
                spacing: 4
                Text {
                    width: parent.width - 32
                    text: "No se puede elegir un archivo"
                    color: Colors.label
                    font: TextStyle.headline
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
                Text {
                    width: parent.width - 32
                    text: "Falta el selector de archivos en este equipo."
                    color: Colors.label
                    font: TextStyle.footnote
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
            }
            Rectangle { width: parent.width; height: 0.5; color: Colors.separator }
            AbstractButton {
                id: ok
                objectName: "filePickerUnavailableOk"
                width: parent.width
                height: 44
                text: "Aceptar"
                onClicked: unavailable.close()
                contentItem: Text {
                    text: ok.text
                    color: Theme.accent
                    font: TextStyle.font(17, Font.DemiBold)
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    color: ok.down ? Colors.fill : "transparent"
                }
            }
        }
    }
}
