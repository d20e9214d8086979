// Four placeholder cards in the video grid's columns, while a first page loads.
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Shell

Grid {
    id: skeletons

    // The width the cards share, as the video grid would lay them out.
    property real availableWidth: 340

    objectName: "skeletonGrid"
    columns: Math.max(1, Math.floor((availableWidth + 22) / (340 + 22)))
    columnSpacing: 22
    rowSpacing: 26
    readonly property real columnWidth: (availableWidth - (columns - 1) * columnSpacing) / columns

    Repeater {
        model: VideoListModel { placeholders: 4 }
        delegate: SkeletonCard {
            width: skeletons.columnWidth
        }
    }
}
