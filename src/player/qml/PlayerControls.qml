// The overlay controls over the video: the top bar (minimise, quality,
// captions, audio output, picture in picture, options), the transport row and the
// timeline, on a dark gradient. They fade with the sheet's showControls and
// take no touches while hidden.
import QtQuick
import QtQuick.Layouts
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Playback
import Nimbelora.Player

Item {
    id: controls

    required property PlayerStore player
    required property PlayerOverlayModel overlay
    property bool landscape: false

    // Where the time row begins, for what must stay clear of it.
    readonly property real timelineTop: timeline.y
    readonly property real sidePadding: landscape ? 44 : 12
    readonly property real endPadding: landscape ? 18 : 8

    opacity: overlay.showControls ? 1 : 0
    Behavior on opacity { NumberAnimation { duration: 250; easing.type: Easing.InOutQuad } }
    enabled: overlay.showControls
    visible: opacity > 0.001

    Rectangle {
        anchors.fill: parent
        enabled: false
        gradient: Gradient {
            GradientStop { position: 0.0; color: Qt.rgba(0, 0, 0, 0.6) }
            GradientStop { position: 1 / 3; color: "transparent" }
            GradientStop { position: 2 / 3; color: "transparent" }
            GradientStop { position: 1.0; color: Qt.rgba(0, 0, 0, 0.7) }
        }
    }

    RowLayout {
        id: topBar
        objectName: "playerTopBar"
        x: controls.sidePadding
        y: controls.endPadding
        width: controls.width - 2 * controls.sidePadding
        height: 40
        spacing: 0

        OverlayButton {
            objectName: "collapseButton"
            symbol: "chevron.down"
            label: "Minimizar"
            onTriggered: controls.overlay.collapse()
        }
        Item { Layout.fillWidth: true }
        QualityBadge {
            player: controls.player
            overlay: controls.overlay
        }
        OverlayButton {
            objectName: "captionsButton"
            symbol: controls.player.activeCaption !== undefined && controls.player.activeCaption !== null
                    ? "captions.bubble.fill" : "captions.bubble"
            label: "Subtítulos"
            onTriggered: {
                controls.player.toggleCaptions()
                controls.overlay.scheduleHide()
            }
        }
        AirPlayButton {
            objectName: "airPlayButton"
            overlay: controls.overlay
        }
        OverlayButton {
            objectName: "pipButton"
            visible: controls.player.pipPossible
            symbol: controls.player.pipActive ? "pip.exit" : "pip.enter"
            label: "Imagen en imagen"
            onTriggered: {
                const pip = controls.player.pip
                if (!pip)
                    return
                if (controls.player.pipActive)
                    pip.stop()
                else
                    pip.start()
            }
        }
        PlayerOptionsMenu {
            objectName: "optionsMenu"
            player: controls.player
            overlay: controls.overlay
        }
    }

    Row {
        id: transport
        objectName: "transportRow"
        anchors.horizontalCenter: parent.horizontalCenter
        y: topBar.y + topBar.height + (timeline.y - topBar.y - topBar.height - height) / 2
        spacing: controls.landscape ? 40 : 26

        OverlayButton {
            objectName: "previousButton"
            anchors.verticalCenter: parent.verticalCenter
            symbol: "backward.end.fill"
            glyph: 20
            box: 44
            label: "Anterior"
            dimming: controls.overlay.hasPlayed ? 1 : 0.4
            onTriggered: controls.overlay.previous()
        }
        OverlayButton {
            objectName: "backButton"
            anchors.verticalCenter: parent.verticalCenter
            symbol: "gobackward"
            glyph: 26
            box: 52
            label: "Atrás"
            onTriggered: controls.overlay.skip(-1)
        }
        OverlayButton {
            objectName: "playPauseButton"
            anchors.verticalCenter: parent.verticalCenter
            symbol: controls.player.isPlaying ? "pause.fill" : "play.fill"
            glyph: 34
            box: 72
            backed: true
            label: controls.player.isPlaying ? "Pausar" : "Reproducir"
            onTriggered: controls.overlay.playPause()
        }
        OverlayButton {
            objectName: "forwardButton"
            anchors.verticalCenter: parent.verticalCenter
            symbol: "goforward"
            glyph: 26
            box: 52
            label: "Adelante"
            onTriggered: controls.overlay.skip(1)
        }
        OverlayButton {
            objectName: "nextButton"
            anchors.verticalCenter: parent.verticalCenter
            symbol: "forward.end.fill"
            glyph: 20
            box: 44
            label: "Siguiente"
            onTriggered: controls.overlay.next()
        }
    }

    TimelineControls {
        id: timeline
        objectName: "timelineControls"
        x: controls.sidePadding
        y: controls.height - controls.endPadding - height
        width: controls.width - 2 * controls.sidePadding
        player: controls.player
        landscape: controls.landscape
        onInteract: controls.overlay.scheduleHide()
    }
}
