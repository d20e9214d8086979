// Which screen shows each route, and the few screens the root itself
// presents. The one place that names screen files: screens ask for a route
// with Router.open(route) and never name a file of another layer.
//
// destination(route, kind) gives { source, properties } for a route of the
// kind Router.kindOf() tells, or null for a route no screen shows.
pragma Singleton
import QtQuick
import Nimbelora.Foundation
import Nimbelora.Shell
import Nimbelora.Screens

QtObject {
    readonly property string _shell: "qrc:/Nimbelora/Shell/qml/"
    readonly property string _screens: "qrc:/Nimbelora/Screens/qml/"
    readonly property string _settings: "qrc:/Nimbelora/Settings/qml/"

    // The root screen of each tab, in AppTab order.
    readonly property var tabRoots: [
        _shell + "HomeView.qml",
        "qrc:/Nimbelora/Shorts/qml/ShortsView.qml",
        _shell + "SearchView.qml",
        _screens + "SubscriptionsView.qml",
        _screens + "LibraryView.qml"
    ]
    readonly property url miniPlayer: "qrc:/Nimbelora/Player/qml/MiniPlayerBar.qml"
    readonly property url playerSheet: "qrc:/Nimbelora/Player/qml/PlayerSheet.qml"
    readonly property url onboarding: _settings + "OnboardingView.qml"
    readonly property url addToPlaylist: _screens + "AddToPlaylistSheet.qml"

    function destination(route, kind) {
        switch (kind) {
        case "channel":
            return { source: _screens + "ChannelView.qml", properties: { route: route } }
        case "ytPlaylist":
            return { source: _settings + "YTPlaylistScreen.qml", properties: { playlistId: route.id } }
        case "library":
            return _library(route)
        }
        return null
    }

    function _library(route) {
        switch (route.name) {
        case "history":
            return { source: _settings + "HistoryScreen.qml", properties: {} }
        case "liked":
            return { source: _screens + "VideoListScreen.qml", properties: { list: LocalListModel.Liked } }
        case "later":
            return { source: _screens + "VideoListScreen.qml", properties: { list: LocalListModel.Later } }
        case "settings":
            return { source: _settings + "SettingsView.qml", properties: {} }
        case "playlists":
            return { source: _screens + "PlaylistsScreen.qml", properties: {} }
        case "playlist":
            return { source: _screens + "PlaylistDetailScreen.qml", properties: { playlistId: route.payload } }
        case "hidden":
            return { source: _screens + "HiddenChannelsScreen.qml", properties: {} }
        case "stats":
            return { source: _settings + "StatsScreen.qml", properties: {} }
        case "remote":
            return { source: _screens + "RemoteListScreen.qml", properties: { kind: route.payload } }
        case "sponsorCategories":
            return { source: _settings + "SponsorCategoriesScreen.qml", properties: {} }
        case "homeCategories":
            return { source: _settings + "CategoriesScreen.qml", properties: {} }
        case "changelog":
            return { source: _settings + "ChangelogView.qml", properties: {} }
        }
        return null
    }
}
