// "Ajustes": every preference with a row, bound straight to its setting and
// written at once; the account entry, the category choosers, the app icon,
// the backup, two data actions and "Acerca de" with the update badge. The
// cache size and the release notes are asked for each time it is shown.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Shell
import Nimbelora.Settings

Rectangle {
    id: root

    required property LibraryStore library
    required property AuthStore auth
    required property Router router
    property bool active: true

    readonly property string title: "Ajustes"
    readonly property bool skipSponsors: Preferences.skipSponsors
    readonly property SettingsModel model: settings
    readonly property alias list: scroller

    color: Colors.groupedBackground

    SettingsModel { id: settings }

    Appearance {
        active: root.active
        onAppeared: settings.appear()
    }

    Flickable {
        id: scroller
        objectName: "settingsList"
        anchors.fill: parent
        contentHeight: content.height + 32
        boundsBehavior: Flickable.StopAtBounds
        Basic.ScrollIndicator.vertical: Basic.ScrollIndicator {}

        Column {
            id: content
            width: scroller.width
            topPadding: 8
            spacing: 28

            // The header card, on the form's background.
            Column {
                width: parent.width
                topPadding: 8
                bottomPadding: 8
                spacing: 10

                Item {
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: 76
                    height: 76
                    // The accent shadow: opacity 0.35, radius 14, 6 down.
                    SoftShadow {
                        anchors.fill: parent
                        radius: 17
                        spread: 10.5
                        offsetY: 6
                        color: Theme.accent
                        strength: 0.35
                    }
                    AppMark { size: 76 }
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "Nimbelora"
                    font: TextStyle.title2
                    color: Colors.label
                    Component.onCompleted: font.bold = true
                }
                Text {
                    objectName: "versionLine"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "YouTube sin anuncios · Versión " + settings.version
                    textFormat: Text.PlainText
                    font: TextStyle.footnote
                    color: Colors.secondaryLabel
                }
            }

            GroupedSection {
                objectName: "accountSection"
                footer: root.auth.signedIn ? "Historial, «me gusta» y suscripciones que hagas aquí se guardan también en tu cuenta." : ""

                GroupedRow {
                    objectName: "accountRow"
                    text: root.auth.signedIn ? root.auth.account.name : "Iniciar sesión con YouTube"
                    subtitle: root.auth.signedIn ? "Cuenta conectada" : "Recomendaciones, suscripciones e historial"
                    chevron: true
                    leading: Component { AccountAvatar { auth: root.auth; size: 40 } }
                    onClicked: accountSheet.open()
                }
                ToggleRow {
                    objectName: "syncRow"
                    visible: root.auth.signedIn
                    text: "Sincronizar con YouTube"
                    symbol: "arrow.triangle.2.circlepath"
                    tint: Colors.blue
                    isOn: Preferences.sync
                    onSwitched: (on) => Preferences.sync = on
                }
            }

            GroupedSection {
                header: "Reproducción"
                footer: "Gestos en el vídeo: desliza a la izquierda para el brillo, a la derecha para el volumen y en horizontal para avanzar. Pellizca para rellenar la pantalla."

                PickerRow {
                    text: "Calidad preferida"; symbol: "sparkles.tv.fill"; tint: Colors.purple
                    value: Preferences.quality
                    options: Preferences.qualityChoices
                    onPicked: (value) => Preferences.quality = value
                }
                PickerRow {
                    text: "Con datos móviles"; symbol: "antenna.radiowaves.left.and.right"; tint: Colors.green
                    value: Preferences.cellularCap
                    options: Preferences.cellularCapChoices
                    onPicked: (value) => Preferences.cellularCap = value
                }
                ToggleRow { text: "Reproducción automática"; symbol: "play.circle.fill"; tint: Colors.teal; isOn: Preferences.autoplay; onSwitched: (on) => Preferences.autoplay = on }
                ToggleRow { text: "Cuenta atrás al terminar"; symbol: "timer"; tint: Colors.mint; isOn: Preferences.countdown; onSwitched: (on) => Preferences.countdown = on }
                ToggleRow { text: "Subtítulos por defecto"; symbol: "captions.bubble.fill"; tint: Colors.indigo; isOn: Preferences.captions; onSwitched: (on) => Preferences.captions = on }
                PickerRow {
                    text: "Al reabrir un vídeo"; symbol: "arrow.counterclockwise"; tint: Colors.orange
                    value: Preferences.resumeMode
                    options: Preferences.resumeModeChoices
                    onPicked: (value) => Preferences.resumeMode = value
                }
                PickerRow {
                    text: "Saltos con doble toque"; symbol: "goforward.10"; tint: Colors.blue
                    value: Preferences.seekStep
                    options: Preferences.seekStepChoices
                    onPicked: (value) => Preferences.seekStep = value
                }
                PickerRow {
                    text: "Mantener pulsado"; symbol: "forward.fill"; tint: Colors.pink
                    value: Preferences.boostSpeed
                    options: Preferences.boostSpeedChoices
                    onPicked: (value) => Preferences.boostSpeed = value
                }
                ToggleRow { text: "Pausar al desconectar auriculares"; symbol: "headphones"; tint: Colors.gray; isOn: Preferences.pauseOnUnplug; onSwitched: (on) => Preferences.pauseOnUnplug = on }
                PickerRow {
                    text: "Recordatorio de descanso"; symbol: "cup.and.saucer.fill"; tint: Colors.brown
                    value: Preferences.breakReminder
                    options: Preferences.breakReminderChoices
                    onPicked: (value) => Preferences.breakReminder = value
                }
                ToggleRow {
                    objectName: "skipSponsorsRow"
                    text: "Saltar patrocinios"; symbol: "forward.end.fill"; tint: Theme.accent; isOn: Preferences.skipSponsors; onSwitched: (on) => Preferences.skipSponsors = on
                }
                GroupedRow {
                    objectName: "sponsorCategoriesRow"
                    visible: root.skipSponsors
                    text: "Qué saltar"; symbol: "checklist"; tint: Colors.red; chevron: true
                    onClicked: root.router.open(LibraryRoutes.sponsorCategories())
                }
            }

            GroupedSection {
                header: "Aspecto"

                PickerRow {
                    text: "Apariencia"; symbol: "circle.lefthalf.filled"; tint: Colors.gray
                    value: Preferences.theme
                    options: Preferences.themeChoices
                    onPicked: (value) => Preferences.theme = value
                }
                PickerRow {
                    text: "Vista del inicio"; symbol: "rectangle.grid.1x2.fill"; tint: Colors.cyan
                    value: Preferences.homeLayout
                    options: Preferences.homeLayoutChoices
                    onPicked: (value) => Preferences.homeLayout = value
                }
                ToggleRow { text: "Ocultar vídeos ya vistos"; symbol: "eye.slash.fill"; tint: Colors.gray; isOn: Preferences.hideWatched; onSwitched: (on) => Preferences.hideWatched = on }
                GroupedRow {
                    objectName: "homeCategoriesRow"
                    text: "Categorías del inicio"; symbol: "square.grid.2x2.fill"; tint: Colors.orange; chevron: true
                    onClicked: root.router.open(LibraryRoutes.homeCategories())
                }
                ToggleRow { text: "Progreso en miniaturas"; symbol: "chart.bar.fill"; tint: Colors.yellow; isOn: Preferences.showProgress; onSwitched: (on) => Preferences.showProgress = on }
                ToggleRow { text: "Respuesta háptica"; symbol: "iphone.radiowaves.left.and.right"; tint: Colors.gray; isOn: Preferences.haptics; onSwitched: (on) => Preferences.haptics = on }
                Item {
                    width: parent.width
                    height: iconColumn.height
                    Column {
                        id: iconColumn
                        width: parent.width
                        spacing: 0
                        GroupedRow {
                            interactive: false
                            isFirst: false
                            isLast: true
                            text: "Icono de la app"; symbol: "app.badge.fill"; tint: Colors.purple
                        }
                        AppIconPicker {
                            x: 16
                            width: parent.width - 16
                        }
                    }
                }
            }

            GroupedSection {
                header: "Privacidad"
                footer: "No guarda historial, posición de reproducción ni sincroniza lo que ves con tu cuenta."
                ToggleRow { text: "Modo incógnito"; symbol: "eyeglasses"; tint: "black"; isOn: Preferences.incognito; onSwitched: (on) => Preferences.incognito = on }
            }

            BackupSection {
                objectName: "backupSection"
                library: root.library
            }

            GroupedSection {
                header: "Datos"

                GroupedRow {
                    text: "Canales ocultos"; symbol: "eye.slash.fill"; tint: Colors.gray; chevron: true
                    onClicked: root.router.open(LibraryRoutes.hidden())
                }
                GroupedRow {
                    objectName: "clearSearchesRow"
                    text: "Borrar búsquedas recientes"; symbol: "magnifyingglass"; tint: Colors.red
                    titleColor: Colors.red
                    onClicked: root.library.clearSearches()
                }
                GroupedRow {
                    objectName: "clearCacheRow"
                    text: "Vaciar caché"; symbol: "trash.fill"; tint: Colors.red
                    titleColor: Colors.red
                    onClicked: clearCache.open()
                    Text {
                        objectName: "cacheSize"
                        text: settings.cacheText
                        textFormat: Text.PlainText
                        font: TextStyle.footnote
                        color: Colors.secondaryLabel
                    }
                }
            }

            GroupedSection {
                header: "Acerca de"

                GroupedRow {
                    objectName: "changelogRow"
                    text: "Novedades"; symbol: "sparkles"; tint: Colors.orange; chevron: true
                    onClicked: root.router.open(LibraryRoutes.changelog())
                    Rectangle {
                        objectName: "updateBadge"
                        visible: settings.hasUpdate
                        width: badgeText.implicitWidth + 16
                        height: badgeText.implicitHeight + 6
                        radius: height / 2
                        color: Theme.accent
                        Text {
                            id: badgeText
                            anchors.centerIn: parent
                            text: settings.badge
                            textFormat: Text.PlainText
                            font.family: TextStyle.caption.family
                            font.pixelSize: TextStyle.caption.pixelSize
                            font.weight: Font.DemiBold
                            color: "white"
                        }
                    }
                }
                GroupedRow {
                    text: "Sitio web"; symbol: "globe"; tint: Colors.blue
                    onClicked: if (settings.website.toString().length > 0) Opener.open(settings.website)
                }
                GroupedRow {
                    text: "Compartir Nimbelora"; symbol: "square.and.arrow.up.fill"; tint: Colors.green
                    onClicked: ShareSheet.share(settings.website, "")
                }
                GroupedRow {
                    objectName: "onboardingRow"
                    text: "Ver la bienvenida otra vez"; symbol: "hand.wave.fill"; tint: Colors.yellow
                    onClicked: Preferences.onboarded = false
                }
            }
        }
    }

    Confirm {
        id: clearCache
        objectName: "clearCacheConfirm"
        title: "¿Vaciar la caché?"
        message: "Se borran imágenes y listas guardadas. Tu biblioteca no se toca."
        actionText: "Vaciar"
        onConfirmed: settings.clearCache()
    }

    // "Cuenta", made from its file the first time it is asked for and kept.
    SheetLoader {
        id: accountSheet
        sourceComponent: AccountSheet { auth: root.auth }
    }
}
