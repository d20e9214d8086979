// A hard playback failure over the video: what went wrong and "Reintentar".
import QtQuick
import QtQuick.Controls.Basic as Basic
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
            Basic.Button {
                id: retryButton
                objectName: "playerRetry"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Reintentar"
                focusPolicy: Qt.NoFocus
                leftPadding: 14
                rightPadding: 14
                topPadding: 7
                bottomPadding: 7
                onClicked: {
                    // The video area comes back under the pointer.
                    PressShield.cover(retryButton)
                    view.retry()
                }
                contentItem: Text {
                    text: retryButton.text
                    font: TextStyle.font(15, Font.DemiBold)
                    color: "white"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    radius: 8
                    color: retryButton.down ? Qt.darker(Theme.accent, 1.15) : Theme.accent
                }
            }
        }
    }
}
