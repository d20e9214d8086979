// Qt's own file dialog for FilePickerDialog, in a file of its own so its
// module loads only when a picker opens.
import QtQuick
import QtQuick.Dialogs
import Nimbelora.Platform

FileDialog {
    id: fileDialog

    required property Item picker
    // The dialog Qt draws where the desktop has none (FilePicker.fit), and
    // the rows it lists its files in.
    property QtObject drawn: null
    readonly property Component row: Component {
        FileDialogRow { dialog: fileDialog.drawn }
    }

    objectName: "fileDialog"
    fileMode: picker.saving ? FileDialog.SaveFile : FileDialog.OpenFile
    nameFilters: picker.nameFilters
    currentFolder: FilePicker.startFolder
    // Qt's own dialog says "Abrir" for both.
    acceptLabel: picker.saving ? "Guardar" : ""
    Component.onCompleted: if (picker.saving) selectedFile = FilePicker.offered(picker.selectedFile)
    onAccepted: picker.accepted(selectedFile)
}
