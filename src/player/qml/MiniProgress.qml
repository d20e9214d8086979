// The thin accent line of the mini player: as long as the played share of
// the bar. Along the bar's rounded bottom corners it follows their curve.
import QtQuick
import QtQuick.Shapes
import Nimbelora.Foundation
import Nimbelora.Player

Item {
    id: progress

    // 0 … 1.
    property real fraction: 0
    // The radius of the bottom corners the line sits in.
    property real cornerRadius: 0
    // Off while the bar is covered or on a hidden tab: the glide would
    // redraw the outline every frame for nobody.
    property bool animated: true

    implicitHeight: 2
    enabled: false

    MiniPlayerModel { id: outline }

    property real filled: width * fraction
    Behavior on filled { enabled: progress.animated; NumberAnimation { duration: 500; easing.type: Easing.Linear } }

    Shape {
        objectName: "miniProgressFill"
        width: progress.filled
        height: progress.height
        ShapePath {
            fillColor: Theme.accent
            strokeWidth: -1
            strokeColor: "transparent"
            PathPolyline {
                path: outline.progressOutline(progress.width, progress.height,
                                               progress.cornerRadius, progress.filled)
            }
        }
    }
}
