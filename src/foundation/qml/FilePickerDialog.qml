// The document picker: Qt's file dialog, made and opened only when it can
// load (FilePicker); otherwise a message says so, instead of a crash inside Qt.
import QtQuick
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
        loader.item.drawn = FilePicker.fit(loader.item, loader.item.row)
    }

    visible: false

    // Qt's dialog module (three libraries and a plugin) loads with the
    // first pick, not with every screen that offers one.
    Loader {
        id: loader
        active: false
        Component.onCompleted: setSource(Qt.resolvedUrl("SystemFileDialog.qml"), { picker: picker })
    }

    AlertFrame {
        id: unavailable
        contentItem.objectName: "filePickerUnavailable"
        title: "No se puede elegir un archivo"
        message: "Falta el selector de archivos en este equipo."
        buttons: AlertFrame.Action {
            objectName: "filePickerUnavailableOk"
            text: "Aceptar"
            bold: true
            onClicked: unavailable.close()
        }
    }
}
