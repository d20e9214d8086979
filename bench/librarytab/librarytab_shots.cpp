// Saves the library tab and its screens, in light and dark, for a look by
// eye: the tab signed out and empty, signed in and full, the liked list
// searched, the own playlists empty and filled, one playlist, the history,
// an account list, and a playlist of the video site with its error; rows of
// the history and the hidden channels caught while they fade out.
#include "Fixtures.h"
#include "HomeRig.h"
#include "LibraryRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTest>
#include <functional>

using namespace librarytab;

namespace {

QString g_dir;
int g_failures = 0;

void grab(LibraryRig &rig, const QString &name, int theme)
{
    const QString path = QDir(g_dir).absoluteFilePath(name + (theme == 2 ? u"-dark.png"_qs : u"-light.png"_qs));
    const bool ok = rig.window()->grabWindow().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    g_failures += !ok;
}

void save(LibraryRig &rig, const QString &name, int theme)
{
    QTest::qWait(900); // transitions, thumbnails and avatars
    grab(rig, name, theme);
}

// `step` takes rows out; the screen is saved while they fade.
void saveMidRemoval(LibraryRig &rig, const QString &name, int theme, const std::function<void()> &step)
{
    QTest::qWait(900);
    step();
    QTest::qWait(110);
    grab(rig, name, theme);
}

bool wait(const char *what, const std::function<bool()> &pred, int ms = 8000)
{
    if (QmlHarness::waitFor(pred, ms))
        return true;
    std::fprintf(stderr, "timed out waiting for %s\n", what);
    ++g_failures;
    return false;
}

// History over the last days, likes, a playlist or two, a queue, hidden channels.
void fill(LibraryRig &rig)
{
    const QList<Video> videos = LibraryRig::videos() + LibraryRig::videos(u"foryou"_qs, 1);
    LibraryStore &library = rig.library();
    QDateTime t = QDateTime::currentDateTime().addDays(-3);
    for (qsizetype i = 0; i < 15 && i < videos.size(); ++i) {
        Clock::setSource([t] { return t; });
        library.addToHistory(videos.at(i));
        t = t.addSecs(5 * 3600);
    }
    Clock::setSource({});
    for (qsizetype i = 3; i < 11; ++i)
        library.toggleLike(videos.at(i));
    for (qsizetype i = 6; i < 9; ++i)
        library.toggleWatchLater(videos.at(i));
    const QString trip = library.createPlaylist(u"Para el viaje"_qs, QVariant::fromValue(videos.at(2)));
    for (qsizetype i = 12; i < 16; ++i)
        library.add(videos.at(i), trip);
    library.createPlaylist(u"  Lista sin vídeos "_qs);
    rig.app().player()->setQueue(videos.mid(20, 6));
    library.hideChannel(videos.at(27).channel);
    library.hideChannel(videos.at(28).channel);
}

} // namespace

int main(int argc, char *argv[])
{
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    g_dir = homefeed::shotsFolder(argc, argv);

    LibraryRig rig;
    if (!rig.start())
        return 1;
    rig.backend().prepareMedia();
    const QString mix = rig.backend().fixtures().playlists().at(rig.backend().fixtures().playlists().size() - 3).id;

    for (int theme : {1, 2}) {
        rig.reset(theme);
        if (rig.load())
            save(rig, u"library-empty"_qs, theme);

        rig.reset(theme, true);
        fill(rig);
        if (rig.load()) {
            save(rig, u"library-full"_qs, theme);
            rig.open(LibraryRoutes::liked());
            if (wait("liked", [&] { return rig.top() && rig.top()->property("title") == u"Me gusta"_qs; })) {
                QmlHarness::findIn(rig.top(), u"searchInput"_qs)->setProperty("text", u"  directo "_qs);
                save(rig, u"liked-searched"_qs, theme);
            }
            rig.open(LibraryRoutes::playlists());
            save(rig, u"playlists"_qs, theme);
            // The oldest list, opened by a tap on its row.
            const QList<QQuickItem *> rows = QmlHarness::findAllIn(rig.top(), u"playlistRow"_qs);
            rig.qml().click(rows.isEmpty() ? nullptr : rows.last());
            if (wait("playlist detail", [&] { return rig.top() && rig.top()->property("title") == u"Para el viaje"_qs; }))
                save(rig, u"playlist-detail"_qs, theme);
            rig.open(LibraryRoutes::history());
            save(rig, u"history"_qs, theme);
            saveMidRemoval(rig, u"history-removing"_qs, theme,
                           [&] { rig.library().removeFromHistory(rig.library().history().at(1).video.id); });
            rig.open(LibraryRoutes::hidden());
            save(rig, u"hidden"_qs, theme);
            saveMidRemoval(rig, u"hidden-removing"_qs, theme,
                           [&] { rig.library().unhideChannel(rig.library().hiddenChannels().first()); });
            rig.open(LibraryRoutes::history());
            saveMidRemoval(rig, u"history-clearing"_qs, theme, [&] { rig.library().clearHistory(); });
            rig.open(LibraryRoutes::remote(u"liked"_qs));
            if (wait("account list", [&] { return !QmlHarness::shownItems(rig.top(), u"videoRow"_qs).isEmpty(); }))
                save(rig, u"account-liked"_qs, theme);
            rig.open(YTPlaylistRoute{mix});
            if (wait("playlist", [&] { return !QmlHarness::shownItems(rig.top(), u"videoRow"_qs).isEmpty(); }))
                save(rig, u"ytplaylist"_qs, theme);
            rig.backend().failPath(u"/api/playlist"_qs, 500, u"La lista no está disponible."_qs);
            rig.open(LibraryRoutes::later());
            rig.open(YTPlaylistRoute{mix});
            if (wait("playlist error", [&] { return !QmlHarness::shownItems(rig.top(), u"retryButton"_qs).isEmpty(); }))
                save(rig, u"ytplaylist-error"_qs, theme);
        }

        rig.reset(theme);
        if (rig.load()) {
            rig.open(LibraryRoutes::playlists());
            save(rig, u"playlists-empty"_qs, theme);
        }
    }
    rig.unload();
    return g_failures == 0 ? 0 : 1;
}
