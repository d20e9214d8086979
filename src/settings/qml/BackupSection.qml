// "Copia de seguridad": writes the library to a JSON file and hands it to
// the share sheet, or replaces the library with such a file. The message of
// the last restore stays in the footer while the section lives.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Settings

GroupedSection {
    id: section

    required property LibraryStore library
    readonly property BackupModel model: backup

    header: "Copia de seguridad"
    footer: backup.footer

    BackupModel {
        id: backup
        library: section.library
    }

    GroupedRow {
        objectName: "createBackupRow"
        visible: backup.exportUrl.toString().length === 0
        text: "Crear copia de seguridad"; symbol: "externaldrive.fill"; tint: Colors.blue
        onClicked: backup.create()
    }
    GroupedRow {
        objectName: "shareBackupRow"
        visible: backup.exportUrl.toString().length > 0
        text: "Compartir copia de seguridad"; symbol: "square.and.arrow.up.fill"; tint: Colors.blue
        titleColor: Theme.accent
        onClicked: ShareSheet.share(backup.exportUrl, "")
    }
    GroupedRow {
        objectName: "restoreRow"
        text: "Restaurar desde un archivo"; symbol: "arrow.down.doc.fill"; tint: Colors.green
        onClicked: picker.open()
    }

    FilePickerDialog {
        id: picker
        objectName: "restorePicker"
        nameFilters: ["Copias de seguridad (*.json)"]
        onAccepted: file => backup.startRestore(file)
    }
}
