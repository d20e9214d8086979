// The autoplay card at the bottom of the video: the next video's thumbnail
// and title under the countdown, "Ahora" to play it at once and a close
// button that cancels it.
import QtQuick
import QtQuick.Layouts
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: card

    // The video offered, or undefined.
    property var video
    property int countdown: 0
    // From the bottom of the video; the sheet lifts the card over the time
    // row while the controls are up.
    property real bottomMargin: 12
    Behavior on bottomMargin { NumberAnimation { duration: 200; easing.type: Easing.InOutQuad } }

    signal playNow()
    signal cancel()

    readonly property bool wanted: video !== undefined && video !== null
    // Keeps the last video on the card while it slides away.
    property var shown
    // Reads the video itself: `wanted` may not have caught up yet here.
    function remember() {
        if (video !== undefined && video !== null)
            shown = video
    }
    onVideoChanged: remember()
    Component.onCompleted: remember()

    property real presence: wanted ? 1 : 0
    Behavior on presence { Spring { response: 0.35; dampingFraction: 0.85 } }
    visible: presence > 0.001

    OverlayMaterial {
        id: box
        objectName: "upNextCard"
        x: 12
        width: card.width - 24
        height: row.implicitHeight + 20
        y: card.height - card.bottomMargin - height + (1 - card.presence) * (height + card.bottomMargin)
        opacity: card.presence
        radius: 16
        // Nearly opaque: captions and the picture must not show through the text.
        color: Qt.rgba(0.11, 0.11, 0.12, 0.94)

        RowLayout {
            id: row
            x: 10
            y: 10
            width: box.width - 20
            spacing: 12

            Item {
                Layout.preferredWidth: 96
                Layout.preferredHeight: 54
                Thumb {
                    anchors.fill: parent
                    videoId: card.shown !== undefined ? card.shown.id : ""
                }
                CornerMask {
                    anchors.fill: parent
                    radius: 8
                    color: Qt.rgba(0.16, 0.16, 0.17, 1)
                }
            }

            Column {
                Layout.fillWidth: true
                Layout.minimumWidth: 0
                spacing: 2
                Text {
                    objectName: "upNextCountdown"
                    width: parent.width
                    text: "Siguiente en " + card.countdown + " s"
                    font: TextStyle.font(12, Font.Bold)
                    color: Theme.accent
                    elide: Text.ElideRight
                }
                Text {
                    objectName: "upNextTitle"
                    width: parent.width
                    text: card.shown !== undefined ? card.shown.title : ""
                    textFormat: Text.PlainText
                    font: TextStyle.font(13, Font.DemiBold)
                    color: "white"
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                }
            }

            Item { Layout.minimumWidth: 4; Layout.preferredWidth: 4 }

            BorderedButton {
                id: now
                objectName: "upNextNow"
                text: "Ahora"
                prominent: true
                font: TextStyle.font(13, Font.DemiBold)
                minimumHeight: 28
                radius: height / 2
                focusPolicy: Qt.NoFocus
                leftPadding: 10
                rightPadding: 10
                topPadding: 0
                bottomPadding: 0
                onClicked: card.playNow()
            }

            Basic.Button {
                id: close
                objectName: "upNextCancel"
                focusPolicy: Qt.NoFocus
                padding: 0
                implicitWidth: 28
                implicitHeight: 28
                Accessible.name: "Cancelar"
                onClicked: card.cancel()
                contentItem: Item {
                    Symbol {
                        anchors.centerIn: parent
                        name: "xmark"
                        size: 12
                        color: "white"
                    }
                }
                background: Rectangle {
                    radius: height / 2
                    color: Qt.rgba(1, 1, 1, close.down ? 0.3 : 0.18)
                }
            }
        }
    }
}
