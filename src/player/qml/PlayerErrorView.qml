// A hard playback failure over the video: what went wrong and "Reintentar".
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: view

    property string message
    signal retry()

    OverlayMaterial {
        id: box
        objectName: "playerError"
        anchors.centerIn: parent
        width: Math.min(column.implicitWidth, view.width - 64) + 32
        height: column.implicitHeight + 32
        radius: 18

        Column {
            id: column
            anchors.centerIn: parent
            width: Math.min(implicitWidth, view.width - 64)
            spacing: 12

            Symbol {
                anchors.horizontalCenter: parent.horizontalCenter
                name: "exclamationmark.triangle.fill"
                size: 28
                color: Colors.yellow
            }
            Text {
                objectName: "playerErrorMessage"
                width: Math.min(implicitWidth, view.width - 64)
                anchors.horizontalCenter: parent.horizontalCenter
                text: view.message
                textFormat: Text.PlainText
                font: TextStyle.subheadline
                color: "white"
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }
            BorderedButton {
                objectName: "playerRetry"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Reintentar"
                // A double click retries once, though a failure at once brings it back.
                PointerGate.once: true
                prominent: true
                minimumHeight: 0
                focusPolicy: Qt.NoFocus
                onClicked: view.retry()
            }
        }
    }
}
