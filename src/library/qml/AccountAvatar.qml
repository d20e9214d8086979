// The round account picture of the home header and the settings: the
// account's avatar while signed in, else the person symbol.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Platform as Platform
import Nimbelora.Foundation
import Nimbelora.Library

Item {
    id: root

    required property AuthStore auth
    property real size: 30

    readonly property var account: auth.account

    width: size
    height: size
    implicitWidth: size
    implicitHeight: size

    AvatarView {
        objectName: "accountAvatarView"
        visible: !!root.account
        anchors.fill: parent
        size: root.size
        name: root.account ? root.account.name : ""
        url: root.account && root.account.avatar ? root.account.avatar : ""
    }

    Symbol {
        objectName: "accountSymbol"
        visible: !root.account
        anchors.centerIn: parent
        name: "person.crop.circle"
        size: 0.85 * root.size
        width: size
        height: size
        color: Platform.Colors.secondaryLabel
    }
}
