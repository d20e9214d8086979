// The search tab: "Buscar" and the search field, always shown; under them the
// suggestions while the field is active, the start page while no query has
// been run, else the filter chips over the results, paging from the last
// shown card. Hidden channels are left out here; the model keeps every result.
import QtQuick
import QtQuick.Controls.Basic
import Nimbelora.Platform
import Nimbelora.Foundation
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell

Rectangle {
    id: root

    required property PlayerStore player
    required property LibraryStore library
    required property Router router
    required property AvatarStore avatars

    readonly property SearchModel model: search
    readonly property string title: "Buscar"
    readonly property Item largeTitle: largeTitle

    color: Colors.background

    SearchModel {
        id: search
        library: root.library
        player: root.player
        router: root.router
        onDismissed: field.dismiss()
        onTextChanged: if (field.text !== text) field.text = text
    }

    Rectangle {
        id: header
        objectName: "searchHeader"
        z: 1
        width: parent.width
        height: largeTitle.height + 44
        color: root.color

        LargeTitle {
            id: largeTitle
            text: root.title
        }

        SearchField {
            id: field
            objectName: "searchField"
            x: 16
            y: largeTitle.height
            width: parent.width - 32 - (search.searching ? cancel.width + 12 : 0)
            placeholder: "Vídeos, canales o enlace de YouTube"
            onTextChanged: search.text = text
            onActiveChanged: if (active) search.searching = true
            onAccepted: (text) => search.run(text, false)
        }

        FadingButton {
            id: cancel
            objectName: "cancelSearch"
            visible: search.searching
            anchors.right: parent.right
            anchors.rightMargin: 16
            anchors.verticalCenter: field.verticalCenter
            padding: 0
            horizontalPadding: 0
            focusPolicy: Qt.NoFocus
            text: "Cancelar"
            onClicked: search.cancel()
        }

        // Escape ends the interaction as "Cancelar" does, keeping the text.
        Shortcut {
            sequence: "Esc"
            enabled: search.searching && root.visible
            onActivated: search.dismiss()
        }
    }

    Item {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom

        Loader {
            anchors.fill: parent
            active: search.searching
            sourceComponent: SearchSuggestions {
                objectName: "suggestionList"
                search: root.model
                library: root.library
            }
        }

        Loader {
            anchors.fill: parent
            active: !search.searching && search.term === ""
            sourceComponent: SearchStartPage {
                objectName: "startPage"
                search: root.model
            }
        }

        Column {
            anchors.fill: parent
            visible: !search.searching && search.term !== ""

            CategoryChips {
                id: chips
                objectName: "filterBar"
                width: parent.width
                height: implicitHeight
                categories: search.filters
                selected: search.filter
                chipPaddingX: 12
                chipPaddingY: 7
                iconSpacing: 5
                glow: false
                onPicked: (id) => search.pickFilter(id)
            }

            FeedView {
                objectName: "resultsGrid"
                width: parent.width
                height: parent.height - chips.height
                clip: true
                player: root.player
                library: root.library
                router: root.router
                avatars: root.avatars
                videos: search.results
                feedState: search.state
                loadingMore: search.loadingMore
                filtered: true
                topMargin: 16
                bottomMargin: 16
                moreBottom: 24
                errorOnTop: true
                emptySymbol: "magnifyingglass"
                emptyTitle: "Sin resultados para «" + search.term + "»"
                emptyDescription: "Comprueba la ortografía o prueba con otra búsqueda."
                retry: function() { search.retry() }
                onMoreWanted: search.fetchMore()
            }
        }
    }
}
