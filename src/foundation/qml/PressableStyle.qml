// The button of cards and chips: its content shrinks a little and fades while
// pressed. Give the content as contentItem (or as children) and handle
// clicked / pressAndHold as with any button.
import QtQuick
import QtQuick.Templates as T
import Nimbelora.Foundation

T.AbstractButton {
    id: root

    padding: 0
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    scale: down ? 0.975 : 1
    opacity: down ? 0.92 : 1
    Behavior on scale { Spring { response: 0.3; dampingFraction: 0.72 } }
    Behavior on opacity { Spring { response: 0.3; dampingFraction: 0.72 } }
}
