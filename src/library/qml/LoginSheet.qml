// The sign-in sheet: the provider's page in a web view. Once the page hands
// the account cookies over, the exchange runs with the page dimmed under a
// progress card and the sheet cannot be dragged away; it closes itself when
// an account is signed in, else the store's error shows in a banner.
// Each sheet makes its own web view: a page hands over only once.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import QtQuick.Layouts
import QtWebEngine
import Nimbelora.Foundation
import Nimbelora.Library

BottomSheet {
    id: sheet

    required property AuthStore auth
    readonly property bool finishing: coordinator.finishing

    color: Colors.sheetBackground
    title: "Iniciar sesión"
    detents: ["large"]
    dismissable: !finishing
    leading: SheetBarButton {
        objectName: "loginCancel"
        text: "Cancelar"
        onClicked: sheet.close()
    }

    LoginCoordinator {
        id: coordinator
        auth: sheet.auth
        onDismissRequested: sheet.close()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            Loader {
                id: page
                anchors.fill: parent
                // Without a web profile (tests in memory) there is no page.
                active: !!sheet.auth.web.profile
                opacity: sheet.finishing ? 0.15 : 1
                enabled: !sheet.finishing

                sourceComponent: WebEngineView {
                    id: web
                    objectName: "loginWebView"
                    profile: sheet.auth.web.profile
                    url: sheet.auth.web.signInPage
                    backgroundColor: "transparent"
                    // A page's request gives up after 60 s.
                    Timer { interval: 60000; running: web.loading; onTriggered: web.stop() }
                    onLoadingChanged: loadingInfo => {
                        if (loadingInfo.status === WebEngineView.LoadSucceededStatus)
                            coordinator.pageFinished(web.url)
                    }
                }
            }

            Rectangle {
                objectName: "loginProgress"
                visible: sheet.finishing
                anchors.centerIn: parent
                width: card.implicitWidth + 56
                height: card.implicitHeight + 56
                radius: 22
                color: Colors.alpha(Colors.sheetSecondaryBackground, 0.92)

                ColumnLayout {
                    id: card
                    anchors.centerIn: parent
                    spacing: 14

                    Basic.BusyIndicator {
                        Layout.alignment: Qt.AlignHCenter
                        running: sheet.finishing
                        implicitWidth: 44
                        implicitHeight: 44
                    }
                    Text {
                        Layout.alignment: Qt.AlignHCenter
                        text: "Conectando con tu cuenta…"
                        font: TextStyle.headline
                        color: Colors.label
                    }
                }
            }
        }

        Rectangle {
            objectName: "loginError"
            visible: sheet.auth.error !== undefined
            Layout.fillWidth: true
            implicitHeight: errorText.implicitHeight + 24
            color: Theme.accent

            Text {
                id: errorText
                objectName: "loginErrorText"
                anchors.fill: parent
                anchors.margins: 12
                text: sheet.auth.error !== undefined ? sheet.auth.error : ""
                textFormat: Text.PlainText
                font: TextStyle.footnote
                color: "white"
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
        }
    }
}
