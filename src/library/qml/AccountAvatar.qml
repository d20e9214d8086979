// The round account picture of the home header and the settings: the
// account's avatar while signed in, else the person symbol.
import QtQuick
import Nimbelora.Platform
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
        visible: root.auth.signedIn
        anchors.fill: parent
        size: root.size
        name: root.auth.signedIn ? root.account.name : ""
        url: root.auth.signedIn && root.account.avatar ? root.account.avatar : ""
    }

    Symbol {
        objectName: "accountSymbol"
        visible: !root.auth.signedIn
        anchors.centerIn: parent
        name: "person.crop.circle"
        size: 0.85 * root.size
        width: size
        height: size
        color: Colors.secondaryLabel
    }
}
