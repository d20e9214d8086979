// What the search shows while its field is active: the link row for a typed
// video link; with nothing typed, the paste button and the recent searches
// (swipe to remove); otherwise a row that searches the text and the
// backend's suggestions for it.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Shell

Flickable {
    id: list

    required property SearchModel search
    required property LibraryStore library
    readonly property string q: search.query
    // The recent searches listed: the ten newest.
    readonly property var recents: q === "" ? library.searches.slice(0, 10) : []

    function choose(text) {
        search.text = text
        search.run(text, false)
    }

    contentHeight: column.height
    boundsBehavior: Flickable.StopAtBounds
    clip: true
    ScrollIndicator.vertical: ScrollIndicator {}

    Column {
        id: column
        width: list.width

        SuggestionRow {
            objectName: "linkRow"
            visible: list.search.linkId !== ""
            width: parent.width
            symbol: "play.rectangle.fill"
            text: "Reproducir este enlace de YouTube"
            tint: Theme.accent
            onClicked: list.search.openLink()
        }

        SuggestionRow {
            objectName: "pasteRow"
            visible: list.q === ""
            width: parent.width
            symbol: "doc.on.clipboard"
            text: "Pegar enlace de YouTube"
            tint: Theme.accent
            onClicked: list.search.pasteLink()
        }

        Item {
            objectName: "recentHeader"
            visible: list.recents.length > 0
            width: parent.width
            height: 44

            Text {
                id: recentTitle
                x: 16
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 6
                text: "Recientes"
                font: TextStyle.font(15, Font.DemiBold)
                color: Colors.label
            }

            FadingButton {
                objectName: "clearRecents"
                anchors.right: parent.right
                anchors.rightMargin: 16
                anchors.baseline: recentTitle.baseline
                padding: 0
                horizontalPadding: 0
                focusPolicy: Qt.NoFocus
                text: "Borrar"
                font: TextStyle.footnote
                onClicked: list.library.clearSearches()
            }
        }

        Repeater {
            model: list.recents

            SwipeRow {
                id: recent
                required property string modelData

                objectName: "recentRow"
                width: column.width
                actions: [{ label: "Borrar", symbol: "trash", destructive: true }]
                // Later: the row goes away with its entry.
                onTriggered: Qt.callLater(list.library.removeSearch, recent.modelData)

                SuggestionRow {
                    width: recent.width
                    symbol: "clock.arrow.circlepath"
                    symbolColor: Colors.secondaryLabel
                    text: recent.modelData
                    arrow: true
                    onClicked: list.choose(recent.modelData)
                    onFilled: list.search.text = recent.modelData
                }
            }
        }

        SuggestionRow {
            objectName: "searchRow"
            visible: list.q !== ""
            width: parent.width
            symbol: "magnifyingglass"
            text: "Buscar «" + list.q + "»"
            onClicked: list.search.run(list.q, false)
        }

        Repeater {
            model: list.q !== "" ? list.search.suggestions : []

            SuggestionRow {
                required property string modelData

                objectName: "suggestionRow"
                width: column.width
                symbol: "magnifyingglass"
                symbolColor: Colors.secondaryLabel
                text: modelData
                arrow: true
                onClicked: list.choose(modelData)
                onFilled: list.search.text = modelData
            }
        }
    }
}
