// The thin accent line of the mini player: as long as the played share of
// the bar. Along the bar's rounded bottom corners it follows their curve.
import QtQuick
import QtQuick.Shapes
import Nimbelora.Platform
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
    // The engine whose pictures the line moves with.
    property MediaEngine engine: null

    implicitHeight: 2
    enabled: false

    MiniPlayerModel { id: outline }

    FrameGlide {
        id: glide
        engine: progress.engine
        target: progress.width * progress.fraction
        animated: progress.animated
    }
    readonly property real filled: glide.value

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
