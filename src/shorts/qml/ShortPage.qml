// One Short: its blurred thumbnail behind everything; on the current page the
// video, its spinner, the play symbol while paused and the progress line;
// the channel, the title and the side buttons at the bottom. A tap pauses or
// resumes the current page and does nothing on another.
import QtQuick
import QtQuick.Controls.Basic as Basic
import QtQuick.Layouts
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Shorts

Item {
    id: page

    required property video video
    required property ShortsStore store
    required property LibraryStore library
    required property AvatarStore avatars

    readonly property bool current: store.currentID.length > 0 && store.currentID === video.id
    readonly property string link: store.shareLink(video.id)
    // Re-read whenever the library changes.
    readonly property bool liked: library.revision, library.isLiked(video.id)
    readonly property bool later: library.revision, library.isWatchLater(video.id)

    clip: true

    Rectangle {
        anchors.fill: parent
        color: "black"
    }

    // A quarter-size picture: blurred, it looks the same scaled up.
    Image {
        objectName: "shortBackdrop"
        anchors.fill: parent
        sourceSize: Qt.size(Math.max(1, Math.ceil(page.width / 4)), Math.max(1, Math.ceil(page.height / 4)))
        source: page.height > 0 ? ImageLoader.blurredThumbSource(page.video.id, 24 / page.height) : ""
        fillMode: Image.PreserveAspectCrop
        asynchronous: true
        smooth: true
        opacity: status === Image.Ready ? 0.5 : 0
        Behavior on opacity { NumberAnimation { duration: 200; easing.type: Easing.OutQuad } }
    }

    Loader {
        anchors.fill: parent
        active: page.current
        sourceComponent: Item {
            VideoSurface {
                objectName: "shortSurface"
                anchors.fill: parent
                engine: page.store.player
                fillMode: VideoSurface.AspectFill
                opacity: page.store.ready ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: 250; easing.type: Easing.OutQuad } }
            }
            Basic.BusyIndicator {
                objectName: "shortSpinner"
                anchors.centerIn: parent
                width: 56
                height: 56
                visible: !page.store.ready
                running: visible
                palette.dark: "white"
            }
        }
    }

    Item {
        objectName: "shortTapArea"
        anchors.fill: parent
        TapHandler {
            onTapped: {
                if (!page.current)
                    return
                Haptics.light()
                page.store.togglePause()
            }
        }
    }

    ShadowSymbol {
        objectName: "shortPlaySymbol"
        readonly property bool wanted: page.current && page.store.paused
        anchors.centerIn: parent
        name: "play.fill"
        // The icon's triangle fills about 9/16 of its box: this box draws it
        // as large as a 54-point symbol (about 47 px tall).
        size: 84
        color: Qt.rgba(1, 1, 1, 0.9)
        shadowRadius: 8
        visible: opacity > 0
        scale: wanted ? 1 : 0.01
        opacity: wanted ? 1 : 0
        Behavior on scale { Spring { response: 0.3; dampingFraction: 0.8 } }
        Behavior on opacity { Spring { response: 0.3; dampingFraction: 0.8 } }
    }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0.5; color: "transparent" }
            GradientStop { position: 1; color: Qt.rgba(0, 0, 0, 0.65) }
        }
    }

    component SideButton: PressableStyle {
        id: button
        property string symbol
        property color tint: "white"
        contentItem: Column {
            spacing: 4
            ShadowSymbol {
                anchors.horizontalCenter: parent.horizontalCenter
                name: button.symbol
                size: 26
                color: button.tint
                shadowRadius: 3
                shadowColor: Qt.rgba(0, 0, 0, 0.4)
            }
            ShadowText {
                anchors.horizontalCenter: parent.horizontalCenter
                text: button.text
                font: TextStyle.font(11, Font.DemiBold)
                color: button.tint
                shadowRadius: 3
                shadowColor: Qt.rgba(0, 0, 0, 0.4)
            }
        }
    }

    RowLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.bottomMargin: 24
        spacing: 8

        ColumnLayout {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignBottom
            spacing: 8

            RowLayout {
                Layout.fillWidth: true
                spacing: 8
                ChannelAvatar {
                    avatars: page.avatars
                    video: page.video
                    size: 32
                }
                Text {
                    objectName: "shortChannel"
                    Layout.fillWidth: true
                    text: page.video.channel
                    textFormat: Text.PlainText
                    font: TextStyle.font(15, Font.DemiBold)
                    color: "white"
                    elide: Text.ElideRight
                    maximumLineCount: 1
                }
            }
            Text {
                objectName: "shortTitle"
                Layout.fillWidth: true
                text: page.video.title
                textFormat: Text.PlainText
                font: TextStyle.subheadline
                color: "white"
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }
        }

        Item {
            Layout.preferredWidth: 12
        }

        Column {
            Layout.alignment: Qt.AlignBottom
            spacing: 22

            SideButton {
                objectName: "shortLike"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Me gusta"
                symbol: page.liked ? "hand.thumbsup.fill" : "hand.thumbsup"
                tint: page.liked ? Theme.accent : "white"
                onClicked: {
                    Haptics.success()
                    page.library.toggleLike(page.video)
                }
            }
            SideButton {
                objectName: "shortLater"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Luego"
                symbol: page.later ? "clock.badge.checkmark.fill" : "clock"
                tint: page.later ? Theme.accent : "white"
                onClicked: {
                    Haptics.light()
                    page.library.toggleWatchLater(page.video)
                }
            }
            Basic.AbstractButton {
                id: share
                objectName: "shortShare"
                anchors.horizontalCenter: parent.horizontalCenter
                visible: page.link.length > 0
                text: "Enviar"
                onClicked: ShareSheet.share(page.link)
                contentItem: Column {
                    spacing: 4
                    Symbol {
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: "arrowshape.turn.up.right.fill"
                        size: 26
                        color: "white"
                    }
                    Text {
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: share.text
                        font: TextStyle.font(11, Font.DemiBold)
                        color: "white"
                    }
                }
            }
        }
    }

    Rectangle {
        objectName: "shortProgress"
        visible: page.current
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 2
        color: Qt.rgba(1, 1, 1, 0.25)

        Rectangle {
            objectName: "shortProgressFill"
            width: parent.width * page.store.progress
            height: parent.height
            color: "white"
        }
    }
}
