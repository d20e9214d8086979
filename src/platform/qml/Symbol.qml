import QtQuick
import Nimbelora.Platform

// An icon by its SF Symbol name, tinted, `size` logical pixels square. Image
// asks the provider for sourceSize × the screen's pixel ratio, so it is
// drawn sharp at any density.
Image {
    property string name
    property color color: Colors.label
    property real size: 17

    fillMode: Image.PreserveAspectFit
    smooth: true
    sourceSize: Qt.size(Math.max(1, Math.ceil(size)), Math.max(1, Math.ceil(size)))
    source: name.length > 0
            ? "image://symbol/" + name + "?color=" + encodeURIComponent(color.toString())
            : ""
}
