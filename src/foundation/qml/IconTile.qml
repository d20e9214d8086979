// The coloured symbol tile that labels library, settings and playlist rows:
// a white semibold symbol on a rounded square filled with the colour's gradient.
import QtQuick
import Nimbelora.Platform

Item {
    id: tile

    property string symbol
    property color color

    width: 30
    height: 30
    implicitWidth: 30
    implicitHeight: 30

    Rectangle {
        objectName: "iconTileFill"
        anchors.fill: parent
        radius: 7
        antialiasing: true
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.lighter(tile.color, 1.12) }
            GradientStop { position: 1; color: tile.color }
        }
    }

    Symbol {
        objectName: "iconTileSymbol"
        anchors.centerIn: parent
        name: tile.symbol
        color: "white"
        size: 15
    }
}
