#pragma once
// A real player store over the scripted engine, with a library, for the
// player screens' tests, and the test object they all start from; the probe
// that reaches the store's own setters.
#include "API.h"
#include "AppFixture.h"
#include "AvatarStore.h"
#include "Defaults.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "Orientation.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "Router.h"
#include "SimulatedEngine.h"
#include "TestBackend.h"
#include "TestDirs.h"

#include <QDir>
#include <QObject>
#include <QTest>
#include <memory>

class PlayerStoreProbe
{
public:
    static void setDetail(PlayerStore &s, std::optional<VideoDetail> v) { s.setDetail(std::move(v)); }
    static void setErrorMessage(PlayerStore &s, std::optional<QString> v) { s.setErrorMessage(std::move(v)); }
    static void setIsBuffering(PlayerStore &s, bool v) { s.setIsBuffering(v); }
    static void setActiveQuality(PlayerStore &s, qint64 v) { s.setActiveQuality(v); }
    static void setSegments(PlayerStore &s, QList<SponsorSegment> v) { s.setSegments(std::move(v)); }
    static void setLoopA(PlayerStore &s, std::optional<double> v) { s.setLoopA(v); }
    static void setUpNext(PlayerStore &s, std::optional<Video> v) { s.setUpNext(std::move(v)); }
    static void setCountdown(PlayerStore &s, qint64 v) { s.setCountdown(v); }
    static void setToast(PlayerStore &s, std::optional<QString> v) { s.setToast(std::move(v)); }
    static void setBoosted(PlayerStore &s, bool v) { s.setBoosted(v); }
    static void setDuration(PlayerStore &s, double v) { s.setDuration(v); }
    static void setRelated(PlayerStore &s, QList<Video> v) { s.setRelated(std::move(v)); }
    static void setCaptionTracks(PlayerStore &s, QList<CaptionTrack> v) { s.setCaptionTracks(std::move(v)); }
};

namespace playertest {

inline Video makeVideo(const QString &id, qint64 duration = 600)
{
    Video v;
    v.id = id;
    v.title = QStringLiteral("Vídeo ") + id;
    v.channel = QStringLiteral("Canal ") + id;
    v.duration = duration;
    return v;
}

inline QVariant qmlObject(QObject *o) { return QVariant::fromValue(o); }

inline QUrl playerSheet() { return QUrl(QStringLiteral("qrc:/Nimbelora/Player/qml/PlayerSheet.qml")); }

// The mini bar docked over a page, as the tab bar leaves room for it.
inline const QByteArray kBarOnPage = R"(
import QtQuick
import Nimbelora.Playback
import Nimbelora.Player
Rectangle {
    required property PlayerStore player
    color: "white"
    MiniPlayerBar {
        objectName: "bar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 52
        player: parent.player
    }
}
)";

// Every test process: isolated folders, the in-process backend, settings in
// memory with the registered defaults.
inline void setUpProcess(TestBackend &backend)
{
    TestDirs::isolate();
    QVERIFY(backend.isRunning());
    API::shared().setBaseUrl(QUrl(backend.origin()));
    Pref::registerDefaults();
}

inline void setUpTest()
{
    AppFixture::clearData();
    Orientation::clearHistory();
    Haptics::shared().clear();
}

struct Rig
{
    SimulatedEngine *engine = new SimulatedEngine;
    std::unique_ptr<PlayerStore> owner = std::make_unique<PlayerStore>(engine);
    PlayerStore &store = *owner;
    std::unique_ptr<LibraryStore> library = std::make_unique<LibraryStore>();
    Router router;
    AvatarStore avatars;

    Rig() { store.attach(library.get()); }

    // What the player sheet is given.
    QVariantMap stores()
    {
        return {{QStringLiteral("player"), qmlObject(&store)},
                {QStringLiteral("library"), qmlObject(library.get())},
                {QStringLiteral("router"), qmlObject(&router)},
                {QStringLiteral("avatars"), qmlObject(&avatars)}};
    }

    // The player sheet over these stores, in `h`'s window.
    QQuickItem *loadSheet(QmlHarness &h) { return h.load(playerSheet(), stores()); }

    // Plays `v` and lets the engine report it ready and playing.
    void start(const Video &v, double mediaDuration = 600)
    {
        store.play(v, std::nullopt, true);
        engine->makeReady(mediaDuration);
    }
};

// The test object of a player test: the process set up once against the
// in-process backend, every case from a clean slate. A test that needs more
// calls these first.
class PlayerTestCase : public QObject
{
    Q_OBJECT

protected:
    TestBackend backend;

protected slots:
    void initTestCase() { setUpProcess(backend); }
    void init() { setUpTest(); }
};

} // namespace playertest
