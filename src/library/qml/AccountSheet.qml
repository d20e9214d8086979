// The account sheet "Cuenta": signed in, the account and "Cerrar sesión";
// signed out, the sign-in pitch with "Continuar con Google", which opens a
// fresh sign-in sheet. It follows the store while open.
import Nimbelora.Platform
import QtQuick
import QtQuick.Layouts
import Nimbelora.Foundation
import Nimbelora.Library

BottomSheet {
    id: sheet

    required property AuthStore auth
    property bool showLogin: false
    // Set while "Cerrar sesión" waits for the store; the sheet closes after.
    property bool signingOut: false

    readonly property var account: auth.account
    readonly property color destructive: Colors.destructive

    color: Colors.sheetBackground
    title: "Cuenta"
    detents: ["medium", "large"]
    trailing: SheetBarButton {
        objectName: "accountDone"
        text: "Hecho"
        emphasized: true
        onClicked: sheet.close()
    }

    Connections {
        target: sheet.auth
        function onLogoutFinished() {
            if (sheet.signingOut) {
                sheet.signingOut = false
                sheet.close()
            }
        }
    }

    Flickable {
        anchors.fill: parent
        contentHeight: content.implicitHeight + 30
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        ColumnLayout {
            id: content
            y: 30
            width: parent.width
            spacing: 18

            // Signed in
            AvatarView {
                objectName: "accountAvatar"
                visible: sheet.auth.signedIn
                Layout.alignment: Qt.AlignHCenter
                size: 84
                name: sheet.auth.signedIn ? sheet.account.name : ""
                url: sheet.auth.signedIn && sheet.account.avatar ? sheet.account.avatar : ""
            }
            // A long name or handle wraps inside the sheet instead of widening it.
            // A Column, not a nested ColumnLayout: that one kept the heights the
            // texts had at an earlier width, so the handle landed on what follows.
            Column {
                visible: sheet.auth.signedIn
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                spacing: 4
                Text {
                    objectName: "accountName"
                    width: parent.width
                    text: sheet.auth.signedIn ? sheet.account.name : ""
                    textFormat: Text.PlainText
                    wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                    horizontalAlignment: Text.AlignHCenter
                    font.family: TextStyle.title2.family
                    font.pixelSize: TextStyle.title2.pixelSize
                    font.weight: Font.Bold
                    color: Colors.label
                }
                Text {
                    objectName: "accountHandle"
                    visible: sheet.auth.signedIn && sheet.account.handle !== undefined
                    width: parent.width
                    text: visible ? sheet.account.handle : ""
                    textFormat: Text.PlainText
                    wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                    horizontalAlignment: Text.AlignHCenter
                    font: TextStyle.subheadline
                    color: Colors.secondaryLabel
                }
            }
            Text {
                objectName: "accountBlurb"
                visible: sheet.auth.signedIn
                Layout.fillWidth: true
                Layout.leftMargin: 28
                Layout.rightMargin: 28
                text: "Tu inicio, suscripciones, historial y «me gusta» vienen de tu cuenta de YouTube, sin anuncios."
                font: TextStyle.footnote
                color: Colors.secondaryLabel
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
            }
            BorderedButton {
                id: signOutButton
                objectName: "signOutButton"
                visible: sheet.auth.signedIn
                enabled: !sheet.signingOut
                Layout.fillWidth: true
                Layout.leftMargin: 28
                Layout.rightMargin: 28
                text: "Cerrar sesión"
                tint: sheet.destructive
                font: TextStyle.headline
                minimumHeight: 0
                radius: 10
                topPadding: 13
                bottomPadding: 13
                onClicked: {
                    sheet.signingOut = true
                    sheet.auth.startLogout()
                }
            }

            // Signed out
            Item {
                visible: !sheet.auth.signedIn
                Layout.alignment: Qt.AlignHCenter
                implicitWidth: 84
                implicitHeight: 84

                // Accent glow 6 below the mark: growing layers stand in for a 14 blur.
                Repeater {
                    model: 4
                    Rectangle {
                        required property int index
                        readonly property real spread: 14 * (index + 1) / 4
                        x: -spread / 2
                        y: 6 - spread / 2
                        width: 84 + spread
                        height: 84 + spread
                        radius: 0.225 * 84 + spread / 2
                        antialiasing: true
                        color: Theme.accent
                        opacity: 0.35 / 4
                    }
                }
                AppMark {
                    id: mark
                    objectName: "accountMark"
                    size: 84
                }
            }
            Text {
                objectName: "signInTitle"
                visible: !sheet.auth.signedIn
                Layout.alignment: Qt.AlignHCenter
                text: "Inicia sesión con YouTube"
                font.family: TextStyle.title2.family
                font.pixelSize: TextStyle.title2.pixelSize
                font.weight: Font.Bold
                color: Colors.label
            }
            Text {
                objectName: "signInPitch"
                visible: !sheet.auth.signedIn
                Layout.fillWidth: true
                Layout.leftMargin: 28
                Layout.rightMargin: 28
                text: "Verás tus recomendaciones, suscripciones, historial y «me gusta» de siempre, pero sin un solo anuncio."
                font: TextStyle.subheadline
                color: Colors.secondaryLabel
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
            }
            BorderedButton {
                id: continueButton
                objectName: "continueButton"
                visible: !sheet.auth.signedIn
                Layout.fillWidth: true
                Layout.leftMargin: 28
                Layout.rightMargin: 28
                text: "Continuar con Google"
                prominent: true
                font: TextStyle.headline
                minimumHeight: 0
                radius: 10
                topPadding: 13
                bottomPadding: 13
                onClicked: sheet.showLogin = true
            }
            Text {
                objectName: "signInNote"
                visible: !sheet.auth.signedIn
                Layout.fillWidth: true
                Layout.leftMargin: 36
                Layout.rightMargin: 36
                text: "Escribes tus datos solo en la página de Google. Nimbelora guarda únicamente una sesión en tu servidor privado."
                font: TextStyle.caption
                color: Colors.tertiaryLabel
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
            }
        }
    }

    LoginLauncher {
        auth: sheet.auth
        shown: sheet.showLogin
        onClosed: sheet.showLogin = false
    }
}
