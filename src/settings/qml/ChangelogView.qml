// "Novedades": the release notes as the backend serves them, one section
// per release, one row per change with a badge for its kind. Loaded each
// time it is shown; an error shows only while nothing was ever loaded.
import QtQuick
import QtQuick.Controls.Basic as Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Settings

Rectangle {
    id: root

    property bool active: true
    readonly property string title: "Novedades"
    readonly property ChangelogModel model: log

    color: Colors.groupedBackground

    ChangelogModel { id: log }

    Appearance {
        active: root.active
        onAppeared: log.appear()
    }

    Basic.BusyIndicator {
        anchors.centerIn: parent
        visible: log.state.isLoading
        running: visible
    }

    ErrorState {
        objectName: "changelogError"
        anchors.fill: parent
        visible: log.state.isFailed
        message: log.state.message
    }

    Flickable {
        objectName: "changelogList"
        anchors.fill: parent
        visible: log.state.isLoaded
        contentHeight: releases.height + 48
        boundsBehavior: Flickable.StopAtBounds
        Basic.ScrollIndicator.vertical: Basic.ScrollIndicator {}

        Column {
            id: releases
            y: 20
            width: parent.width
            spacing: 28

            Repeater {
                model: log.releases

                Column {
                    id: release
                    required property var modelData
                    width: releases.width
                    spacing: 7

                    Column {
                        x: 32
                        width: parent.width - 64
                        spacing: 2
                        Text {
                            width: parent.width
                            text: "Versión " + release.modelData.version
                            textFormat: Text.PlainText
                            font: TextStyle.headline
                            color: Colors.label
                            wrapMode: Text.Wrap
                        }
                        Text {
                            width: parent.width
                            text: log.subtitle(release.modelData)
                            textFormat: Text.PlainText
                            font: TextStyle.caption
                            color: Colors.secondaryLabel
                            wrapMode: Text.Wrap
                        }
                    }

                    GroupedSection {
                        Repeater {
                            model: release.modelData.changes

                            GroupedRow {
                                id: change
                                required property var modelData
                                readonly property string badge: log.badgeText(modelData.type)
                                interactive: false
                                implicitHeight: changeText.implicitHeight + 26

                                Item {
                                    parent: change.contentItem
                                    anchors.fill: parent
                                    anchors.leftMargin: 16
                                    anchors.rightMargin: 16

                                    Rectangle {
                                        y: 13
                                        width: kind.implicitWidth + 14
                                        height: kind.implicitHeight + 6
                                        radius: height / 2
                                        color: change.badge === "Novedad" ? Colors.green
                                             : change.badge === "Corrección" ? Colors.orange : Colors.blue
                                        Text {
                                            id: kind
                                            anchors.centerIn: parent
                                            text: change.badge
                                            font.family: TextStyle.caption2.family
                                            font.pixelSize: TextStyle.caption2.pixelSize
                                            font.bold: true
                                            color: "white"
                                        }
                                    }
                                    Text {
                                        id: changeText
                                        x: 88
                                        y: 13
                                        width: parent.width - x
                                        text: change.modelData.text
                                        textFormat: Text.PlainText
                                        font: TextStyle.subheadline
                                        color: Colors.label
                                        wrapMode: Text.Wrap
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}
