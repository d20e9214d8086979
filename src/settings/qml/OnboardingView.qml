// The first-run welcome: three swipeable pages over the brand gradient, then a
// choice between signing in and starting without an account. It ends (finish)
// by "Saltar", by "Empezar sin cuenta", or when an account signs in while it
// is shown; the presenter decides what ending means.
import Nimbelora.Platform
import QtQuick
import QtQuick.Controls.Basic as Basic
import QtQuick.Layouts
import QtQuick.Shapes
import Nimbelora.Foundation
import Nimbelora.Library

Item {
    id: view

    required property AuthStore auth
    signal finish()

    property int page: 0
    property bool showLogin: false
    readonly property var pages: [
        { symbol: "play.slash.fill", title: "Sin anuncios, de verdad",
          text: "Ni antes, ni durante, ni después. Además salta los patrocinios dentro de los vídeos." },
        { symbol: "bolt.fill", title: "Rápida y fluida",
          text: "Los vídeos arrancan casi al instante y todo se guarda para que la app abra al momento." },
        { symbol: "person.crop.circle.fill", title: "Con tu cuenta, si quieres",
          text: "Inicia sesión para ver tus recomendaciones, suscripciones e historial. Es opcional." }
    ]
    readonly property bool lastPage: page >= pages.length - 1

    // Only a sign-in that happens while the pages are shown ends them.
    Connections {
        target: view.auth
        function onDidSignIn() { view.finish() }
    }

    Shape {
        anchors.fill: parent
        ShapePath {
            strokeWidth: -1
            strokeColor: "transparent"
            fillGradient: LinearGradient {
                x1: 0; y1: 0
                x2: view.width; y2: view.height
                GradientStop { position: 0; color: Theme.welcomeLight }
                GradientStop { position: 1; color: Theme.welcomeDeep }
            }
            startX: 0; startY: 0
            PathLine { x: view.width; y: 0 }
            PathLine { x: view.width; y: view.height }
            PathLine { x: 0; y: view.height }
            PathLine { x: 0; y: 0 }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            Layout.fillHeight: true
            Layout.minimumHeight: 30
        }

        Item {
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: 96
            implicitHeight: 96

            // Shadow 10 below the mark, for a 20 blur.
            SoftShadow {
                anchors.fill: parent
                radius: 0.225 * 96
                spread: 10
                layers: 5
                offsetY: 10
            }
            AppMark {
                objectName: "onboardingMark"
                size: 96
            }
        }

        Text {
            objectName: "onboardingName"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 16
            text: "Nimbelora"
            font.family: TextStyle.family
            font.pixelSize: 34
            font.weight: Font.Bold
            color: "white"
        }

        Item {
            Layout.fillWidth: true
            Layout.preferredHeight: 280

            Basic.SwipeView {
                id: pager
                objectName: "onboardingPages"
                anchors.fill: parent
                anchors.bottomMargin: 30
                clip: true
                currentIndex: view.page
                onCurrentIndexChanged: view.page = currentIndex

                Repeater {
                    model: view.pages

                    Item {
                        id: onePage
                        required property var modelData
                        required property int index
                        objectName: "onboardingPage" + index

                        ColumnLayout {
                            anchors.centerIn: parent
                            width: parent.width
                            spacing: 12

                            Rectangle {
                                Layout.alignment: Qt.AlignHCenter
                                implicitWidth: 70
                                implicitHeight: 70
                                radius: 20
                                color: Qt.rgba(1, 1, 1, 0.16)
                                Symbol {
                                    anchors.centerIn: parent
                                    name: onePage.modelData.symbol
                                    color: "white"
                                    size: 38
                                }
                            }
                            Text {
                                objectName: "onboardingTitle"
                                Layout.alignment: Qt.AlignHCenter
                                text: onePage.modelData.title
                                textFormat: Text.PlainText
                                font.family: TextStyle.title2.family
                                font.pixelSize: TextStyle.title2.pixelSize
                                font.weight: Font.Bold
                                color: "white"
                            }
                            Text {
                                objectName: "onboardingText"
                                Layout.fillWidth: true
                                Layout.leftMargin: 36
                                Layout.rightMargin: 36
                                text: onePage.modelData.text
                                textFormat: Text.PlainText
                                font: TextStyle.body
                                color: Qt.rgba(1, 1, 1, 0.85)
                                wrapMode: Text.Wrap
                                horizontalAlignment: Text.AlignHCenter
                            }
                        }
                    }
                }
            }

            Basic.PageIndicator {
                objectName: "onboardingDots"
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 6
                count: view.pages.length
                currentIndex: view.page
                spacing: 9
                delegate: Rectangle {
                    required property int index
                    implicitWidth: 8
                    implicitHeight: 8
                    radius: 4
                    color: "white"
                    opacity: index === view.page ? 1 : 0.35
                }
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 30
            Layout.rightMargin: 30
            Layout.bottomMargin: 30
            spacing: 12

            OnboardingButton {
                objectName: view.lastPage ? "onboardingSignIn" : "onboardingContinue"
                Layout.fillWidth: true
                // "Continuar" turns into the sign-in: a double click walks one page.
                PointerGate.once: true
                text: view.lastPage ? "Iniciar sesión con YouTube" : "Continuar"
                onClicked: {
                    if (view.lastPage) {
                        view.showLogin = true
                        return
                    }
                    view.page = Math.min(view.page + 1, view.pages.length - 1)
                }
            }

            FadingButton {
                objectName: view.lastPage ? "onboardingNoAccount" : "onboardingSkip"
                Layout.alignment: Qt.AlignHCenter
                text: view.lastPage ? "Empezar sin cuenta" : "Saltar"
                color: "white"
                restingOpacity: view.lastPage ? 1 : 0.8
                onClicked: view.finish()
            }
        }
    }

    // The main button: white, deep-red text.
    component OnboardingButton: Basic.Button {
        id: main
        topPadding: 15
        bottomPadding: 15
        background: Rectangle {
            radius: 12
            color: "white"
            opacity: main.down ? 0.85 : 1
        }
        contentItem: Text {
            text: main.text
            font: TextStyle.headline
            color: Theme.deep
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    LoginLauncher {
        auth: view.auth
        shown: view.showLogin
        onClosed: view.showLogin = false
    }
}
