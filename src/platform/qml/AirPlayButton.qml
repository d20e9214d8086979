import QtQuick
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import QtQuick.Controls

// The audio output picker of the player's controls: the icon opens a menu of
// the outputs; the icon takes `activeColor` while an output other than the
// default one is in use. The caller binds `activeColor` to the brand accent.
Item {
    id: root

    property color color: "white"
    property color activeColor: Platform.Colors.label
    property real size: 22

    implicitWidth: 44
    implicitHeight: 44

    Symbol {
        objectName: "airPlayIcon"
        anchors.centerIn: parent
        name: "airplayvideo"
        size: root.size
        color: RoutePicker.active ? root.activeColor : root.color
    }

    MouseArea {
        objectName: "airPlayArea"
        anchors.fill: parent
        onClicked: menu.popup(root, 0, root.height)
    }

    Menu {
        id: menu
        objectName: "airPlayMenu"
        // The menus' one look, dark inside dark surfaces.
        palette.window: Platform.Colors.menuBackground
        palette.windowText: Platform.Colors.label
        palette.text: Platform.Colors.label
        palette.buttonText: Platform.Colors.label
        palette.midlight: Platform.Colors.fill
        palette.mid: Platform.Colors.fill
        palette.light: Platform.Colors.fill
        palette.dark: Platform.Colors.label
        palette.base: Platform.Colors.menuBackground

        Instantiator {
            model: RoutePicker.devices
            delegate: MenuItem {
                required property var modelData
                objectName: "route_" + modelData.name
                text: modelData.title
                checkable: true
                checked: modelData.current
                onTriggered: {
                    // The mark follows the output actually in use, not the click.
                    checked = Qt.binding(() => modelData.current)
                    RoutePicker.choose(modelData.name)
                }
            }
            onObjectAdded: (index, object) => menu.insertItem(index, object)
            onObjectRemoved: (index, object) => menu.removeItem(object)
        }
    }
}
