// The one error view of the loading screens: what failed, and "Reintentar"
// only when the screen can retry. A double click retries once: what the retry
// brings in lands under the pointer, and a retry that fails at once brings
// the same button back.
import QtQuick
import Nimbelora.Platform
import Nimbelora.Foundation

Item {
    id: root

    // Shown as it stands.
    property string message
    // A function without arguments, or null for no retry.
    property var retry: null
    readonly property bool canRetry: typeof retry === "function"

    implicitWidth: unavailable.implicitWidth
    implicitHeight: unavailable.implicitHeight + 40

    EmptyState {
        id: unavailable
        anchors.fill: parent
        anchors.topMargin: 40
        symbol: "wifi.exclamationmark"
        title: "No se pudo cargar"
        description: root.message

        BorderedButton {
            objectName: "retryButton"
            visible: root.canRetry
            PointerGate.once: true
            text: "Reintentar"
            prominent: true
            font: TextStyle.headline
            minimumHeight: 36
            leftPadding: 16
            rightPadding: 16
            topPadding: 8
            bottomPadding: 8
            onClicked: {
                if (root.canRetry)
                    root.retry()
            }
        }
    }
}
