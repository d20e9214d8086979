// The two buttons that start a whole list, sharing the width: "Reproducir"
// (or the given title) in order, "Aleatorio" shuffled.
import QtQuick
import Nimbelora.Foundation

Row {
    id: buttons

    property string playTitle: "Reproducir"
    signal playAll()
    signal shuffle()

    spacing: 10

    BorderedButton {
        objectName: "playAllButton"
        width: (buttons.width - buttons.spacing) / 2
        text: buttons.playTitle
        symbol: "play.fill"
        prominent: true
        onClicked: buttons.playAll()
    }
    BorderedButton {
        objectName: "shuffleButton"
        width: (buttons.width - buttons.spacing) / 2
        text: "Aleatorio"
        symbol: "shuffle"
        onClicked: buttons.shuffle()
    }
}
