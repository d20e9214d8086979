// The full player. Portrait: the 16:9 video area at the top and the details
// below it; landscape (wider than tall): the video area fills the sheet.
// The video area stacks, back to front: the picture, the spinner, the touch
// layer, captions, the speed-boost badge, the gesture display, the
// statistics, then the error view, the unlock button or the overlay
// controls, the up-next card and the toast. The queue and comments sheets
// open over the sheet. Keys while shown and unlocked: Left and Right skip
// like a double tap, Space plays or pauses; Escape minimises in any state.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Player

Item {
    id: sheet

    required property PlayerStore player
    required property LibraryStore library
    required property Router router
    required property AvatarStore avatars

    // Dark whatever the app's theme, with the sheets it opens.
    Colors.dark: true

    readonly property bool landscape: width > height
    readonly property alias overlay: overlayModel
    readonly property alias details: detailsModel
    readonly property real captionScale: Preferences.captionSize
    readonly property bool captionBg: Preferences.captionBg

    function has(value) { return value !== undefined && value !== null }
    readonly property bool hasError: has(player.errorMessage)

    PlayerOverlayModel {
        id: overlayModel
        player: sheet.player
    }
    Component.onCompleted: overlayModel.scheduleHide()

    readonly property bool keysEnabled: player.expanded && !overlayModel.locked
    Shortcut {
        sequence: "Left"
        enabled: sheet.keysEnabled
        onActivated: gestures.model.doubleTap(-1)
    }
    Shortcut {
        sequence: "Right"
        enabled: sheet.keysEnabled
        onActivated: gestures.model.doubleTap(1)
    }
    Shortcut {
        sequence: "Space"
        enabled: sheet.keysEnabled
        onActivated: {
            Haptics.light()
            overlayModel.playPause()
        }
    }

    // The way out works in every state, failed and locked included; a sheet
    // or menu open over the player takes Escape first.
    Shortcut {
        sequence: "Esc"
        enabled: sheet.player.expanded
        onActivated: overlayModel.collapse()
    }

    DetailsModel {
        id: detailsModel
        player: sheet.player
        library: sheet.library
        router: sheet.router
        overlay: overlayModel
    }

    Rectangle {
        anchors.fill: parent
        color: "black"
    }

    Item {
        id: playerArea
        objectName: "playerArea"
        width: sheet.width
        height: sheet.landscape ? sheet.height : Math.round(sheet.width * 9 / 16)
        clip: true

        Rectangle {
            anchors.fill: parent
            color: "black"
        }

        // Only the open player holds the picture; closing hands it back to
        // the mini player at once, also while the sheet slides away.
        SurfaceHost {
            id: host
            objectName: "sheetSurfaceHost"
            anchors.fill: parent
            surface: sheet.player.surface
            active: sheet.player.expanded
            fillMode: sheet.player.fillScreen ? VideoSurface.AspectFill : VideoSurface.AspectFit
        }

        Basic.BusyIndicator {
            objectName: "playerSpinner"
            anchors.centerIn: parent
            width: 44
            height: 44
            running: visible
            visible: sheet.player.isBuffering && !sheet.hasError
            palette.dark: "white"
        }

        PlayerGestures {
            id: gestures
            objectName: "gestureLayer"
            anchors.fill: parent
            player: sheet.player
            overlay: overlayModel
            // Failed or locked, a pan has nothing to do: the drag down that
            // closes the player gets it.
            panEnabled: !sheet.hasError && !overlayModel.locked
        }

        Item {
            id: captions
            objectName: "captionLayer"
            anchors.fill: parent
            enabled: false
            visible: sheet.has(sheet.player.captionText) && sheet.has(sheet.player.activeCaption)

            property real bottomPadding: overlayModel.showControls ? (sheet.landscape ? 76 : 56) : 14
            Behavior on bottomPadding { NumberAnimation { duration: 200; easing.type: Easing.InOutQuad } }

            Rectangle {
                objectName: "captionBox"
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottom: parent.bottom
                anchors.bottomMargin: captions.bottomPadding
                width: captionText.width + 20
                height: captionText.height + 8
                radius: 8
                color: sheet.captionBg ? Qt.rgba(0, 0, 0, 0.62) : "transparent"

                Text {
                    id: captionText
                    objectName: "captionText"
                    anchors.centerIn: parent
                    width: Math.min(implicitWidth, captions.width - 56 - 20)
                    text: captions.visible ? sheet.player.captionText : ""
                    textFormat: Text.PlainText
                    font: TextStyle.font(Math.round((sheet.landscape ? 20 : 14) * sheet.captionScale), Font.DemiBold)
                    color: "white"
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    // Without the box an outline stands in for the shadow.
                    style: sheet.captionBg ? Text.Normal : Text.Outline
                    styleColor: Qt.rgba(0, 0, 0, 0.9)
                }
            }
        }

        OverlayMaterial {
            objectName: "boostBadge"
            visible: sheet.player.boosted
            enabled: false
            anchors.horizontalCenter: parent.horizontalCenter
            y: sheet.landscape ? 18 : 54
            width: boostRow.implicitWidth + 24
            height: boostRow.implicitHeight + 12
            radius: height / 2

            Row {
                id: boostRow
                anchors.centerIn: parent
                spacing: 6
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "forward.fill"
                    size: 12
                    color: "white"
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Rápido"
                    font: TextStyle.font(12, Font.Bold)
                    color: "white"
                }
            }
        }

        PlayerHud {
            objectName: "hud"
            anchors.centerIn: parent
            shown: gestures.model.hudShown
            symbol: gestures.model.hudSymbol
            value: gestures.model.hudValue
        }

        // Layer 8: the statistics, while switched on.
        Loader {
            objectName: "statsLoader"
            active: overlayModel.showStats
            x: 12
            y: sheet.landscape ? 14 : 50
            sourceComponent: StatsOverlay {
                player: sheet.player
            }
        }

        PlayerErrorView {
            objectName: "errorView"
            anchors.fill: parent
            visible: sheet.hasError
            message: sheet.hasError ? sheet.player.errorMessage : ""
            onRetry: sheet.player.retry()
        }

        // The controls are not made while failed; their minimise button
        // stays where it always is.
        OverlayButton {
            objectName: "errorCollapseButton"
            visible: sheet.hasError
            x: sheet.landscape ? 44 : 12
            y: sheet.landscape ? 18 : 8
            symbol: "chevron.down"
            label: "Minimizar"
            onTriggered: overlayModel.collapse()
        }

        PressableStyle {
            id: unlock
            objectName: "unlockButton"
            visible: !sheet.hasError && overlayModel.locked
            anchors.centerIn: parent
            width: 52
            height: 52
            opacity: overlayModel.showControls ? 1 : 0
            // A press already on it when the timer hides it still unlocks:
            // it stays usable until that press has been handled, click included.
            property bool held: false
            onPressedChanged: {
                if (pressed)
                    held = true
                else
                    Qt.callLater(() => unlock.held = false)
            }
            enabled: overlayModel.showControls || held
            focusPolicy: Qt.NoFocus
            Accessible.name: "Desbloquear"
            onClicked: {
                Haptics.light()
                overlayModel.unlock()
            }
            background: OverlayMaterial { radius: width / 2 }
            contentItem: Item {
                Symbol {
                    anchors.centerIn: parent
                    name: "lock.open.fill"
                    size: 20
                    color: "white"
                }
            }
        }

        // Not made at all while locked or failed.
        Loader {
            id: controlsLoader
            objectName: "controlsLoader"
            anchors.fill: parent
            active: !sheet.hasError && !overlayModel.locked
            sourceComponent: PlayerControls {
                objectName: "playerControls"
                player: sheet.player
                overlay: overlayModel
                landscape: sheet.landscape
            }
        }

        // Over the controls, so its buttons take the taps, and above the
        // time row while the controls are up (as captions rise), so the
        // paused player's timeline stays in view.
        UpNextCard {
            objectName: "upNext"
            anchors.fill: parent
            bottomMargin: controlsLoader.item && overlayModel.showControls
                          ? playerArea.height - controlsLoader.item.timelineTop + 6 : 12
            video: sheet.player.upNext
            countdown: sheet.player.countdown
            onPlayNow: sheet.player.playNext()
            onCancel: sheet.player.cancelCountdown()
        }

        Toast {
            objectName: "playerToast"
            anchors.fill: parent
            edge: Qt.TopEdge
            edgeMargin: sheet.landscape ? 18 : 10
            text: sheet.has(sheet.player.toast) ? sheet.player.toast : ""
        }
    }

    // Under the video in portrait: the details of the video.
    Rectangle {
        id: details
        objectName: "detailsArea"
        visible: !sheet.landscape
        anchors.top: playerArea.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        color: Colors.background

        // Opened on a video that is still starting, the details wait until
        // its first pictures are up (half a second at most) and are then
        // made in slices between frames: until then the GUI thread belongs
        // to the engine's news and to drawing the video.
        Loader {
            id: detailsLoader
            objectName: "detailsLoader"
            anchors.fill: parent
            active: false
            Component.onCompleted: if (!sheet.player.isBuffering) active = true
            function makeLater() {
                if (active)
                    return
                asynchronous = true
                active = true
            }
            Connections {
                target: sheet.player
                enabled: !detailsLoader.active
                function onIsBufferingChanged() {
                    if (!sheet.player.isBuffering)
                        firstPictures.start()
                }
            }
            Timer {
                id: firstPictures
                interval: 100
                onTriggered: detailsLoader.makeLater()
            }
            Timer {
                running: !detailsLoader.active
                interval: 500
                onTriggered: detailsLoader.makeLater()
            }
            sourceComponent: PlayerDetails {
                player: sheet.player
                library: sheet.library
                router: sheet.router
                avatars: sheet.avatars
                details: detailsModel
                onShowQueue: overlayModel.showQueue = true
            }
        }
    }

    // Sheets over the player; closing one by hand clears its switch.
    SheetLoader {
        objectName: "queueSheetSlot"
        shown: overlayModel.showQueue
        onDismissed: overlayModel.showQueue = false
        sourceComponent: QueueSheet {
            player: sheet.player
            library: sheet.library
            avatars: sheet.avatars
            router: sheet.router
        }
    }

    SheetLoader {
        objectName: "commentsSheetSlot"
        shown: detailsModel.showComments
        onDismissed: detailsModel.showComments = false
        sourceComponent: CommentsSheet {
            player: sheet.player
        }
    }
}
