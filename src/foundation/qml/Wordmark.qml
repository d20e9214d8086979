// The mark beside the product name, as in the home screen's header.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Row {
    spacing: 8

    AppMark {
        anchors.verticalCenter: parent.verticalCenter
        size: 28
    }

    Text {
        objectName: "wordmarkName"
        anchors.verticalCenter: parent.verticalCenter
        text: "Nimbelora"
        color: Colors.label
        font.family: TextStyle.family
        font.pixelSize: 21
        font.weight: Font.Bold
        font.letterSpacing: -0.4
    }
}
