// Our share sheet: shown while the platform ShareSheet is active. For a link
// (or a text) it shows it with "Copiar enlace" and, for a link, opening it in
// the browser; for a file it offers to save a copy. Place one in the window.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation

BottomSheet {
    id: sheet

    readonly property bool isFile: ShareSheet.kind === ShareSheet.File
    readonly property bool isLink: ShareSheet.kind === ShareSheet.Link

    color: Colors.sheetBackground
    title: ShareSheet.title.length > 0 ? ShareSheet.title : "Compartir"
    detents: ["medium"]

    // The platform state decides; closing the sheet by hand ends the share.
    Connections {
        target: ShareSheet
        function onActiveChanged() {
            if (ShareSheet.active)
                sheet.open()
            else
                sheet.close()
        }
    }
    Component.onCompleted: if (ShareSheet.active) open()
    onClosed: ShareSheet.dismiss()

    component Action: Basic.ItemDelegate {
        id: action
        property string symbol
        width: parent ? parent.width : 0
        height: 52
        leftPadding: 16
        rightPadding: 16
        contentItem: Row {
            spacing: 12
            Symbol {
                anchors.verticalCenter: parent.verticalCenter
                name: action.symbol
                size: 20
                color: Theme.accent
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: action.text
                font: TextStyle.body
                color: Colors.label
            }
        }
        background: Rectangle {
            color: action.down ? Colors.fill : "transparent"
        }
    }

    Column {
        width: parent.width
        spacing: 12
        topPadding: 8

        Rectangle {
            x: 16
            width: parent.width - 32
            height: shared.implicitHeight + 24
            radius: 12
            color: Colors.sheetSecondaryBackground

            Text {
                id: shared
                objectName: "sharedText"
                anchors.verticalCenter: parent.verticalCenter
                x: 14
                width: parent.width - 28
                text: sheet.isFile ? ShareSheet.fileName : ShareSheet.text
                textFormat: Text.PlainText
                font: TextStyle.callout
                color: Colors.label
                wrapMode: Text.WrapAnywhere
                maximumLineCount: 3
                elide: Text.ElideRight
            }
        }

        Column {
            width: parent.width

            Action {
                objectName: "shareCopy"
                visible: !sheet.isFile
                text: "Copiar enlace"
                symbol: "link"
                onClicked: {
                    ShareSheet.copyLink()
                    ShareSheet.dismiss()
                }
            }

            Action {
                objectName: "shareOpen"
                visible: sheet.isLink
                text: "Abrir en el navegador"
                symbol: "arrow.up.right.square"
                onClicked: {
                    ShareSheet.openInBrowser()
                    ShareSheet.dismiss()
                }
            }

            Action {
                objectName: "shareSave"
                visible: sheet.isFile
                enabled: !ShareSheet.saving
                text: "Guardar una copia…"
                symbol: "square.and.arrow.up"
                onClicked: saveDialog.open()
            }
        }
    }

    FilePickerDialog {
        id: saveDialog
        objectName: "savePicker"
        saving: true
        nameFilters: ShareSheet.nameFilters
        selectedFile: ShareSheet.fileName
        onAccepted: file => ShareSheet.saveFileTo(file)
    }

    Connections {
        target: ShareSheet
        function onSaveFinished(ok) {
            if (ok)
                ShareSheet.dismiss()
        }
    }
}
