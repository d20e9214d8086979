// The player's viewer options on the scripted engine against the in-process
// development backend: which caption track is chosen, which cue shows at the
// play head, replies that come too late, the sponsor category setting, the
// quality and audio-only switches, speed, boost, mute and the loop points.
#include "API.h"
#include "AppFixture.h"
#include "Defaults.h"
#include "FaultSwitches.h"
#include "Haptics.h"
#include "JsonList.h"
#include "Pref.h"
#include "SampleVideos.h"
#include "StoreRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <limits>

class PlayerStoreProbe
{
public:
    static void setCaptionTracks(PlayerStore &s, QList<CaptionTrack> v) { s.setCaptionTracks(std::move(v)); }
    static void setActiveCaption(PlayerStore &s, const QString &lang) { s.setActiveCaption(lang); }
    static void setCues(PlayerStore &s, QList<Cue> v) { s.m_cues = std::move(v); }
    static void tick(PlayerStore &s, double t) { s.tick(t); }
};

namespace {

using Probe = PlayerStoreProbe;

Video makeVideo(const QString &id) { return sampleVideo(id); }

QList<CaptionTrack> tracks(const QStringList &langs)
{
    QList<CaptionTrack> list;
    for (const QString &lang : langs)
        list << CaptionTrack{lang, QStringLiteral("Pista ") + lang, false};
    return list;
}

QString quality(const QUrl &url) { return QUrlQuery(url).queryItemValue(QStringLiteral("q")); }
std::optional<QString> text(const char *t) { return QString::fromUtf8(t); }

struct Rig : StoreRig
{
    Rig() : StoreRig({5000, 20}, Seeks::atOnce) {}

    void playAt(const QString &id, double t = 0) { StoreRig::playAt(makeVideo(id), t); }
    // The line at `t`, as the clock shows it.
    std::optional<QString> lineAt(double t)
    {
        Probe::tick(store, t);
        return store.captionText();
    }
    bool settle()
    {
        return TestTime::waitFor([&] { return store.commentsState().isLoaded() || store.commentsState().isFailed(); },
                               8000);
    }
    SimulatedEngine::Load lastLoad() const { return engine->loads().last(); }
};

} // namespace

class TestPlayerOptions : public QObject
{
    Q_OBJECT

private:
    AppFixture backend;

    void serve(const QString &path, const QByteArray &body, int delayMs = 0, int status = 0)
    {
        FaultRule r;
        r.pathPrefix = path;
        if (status) {
            r.status = status;
            r.message = QStringLiteral("caído");
        } else {
            r.body = FaultRule::Body::Raw;
            r.rawBody = body;
        }
        r.delayMs = delayMs;
        backend->addFault(r);
    }
    static QString cuesPath(const QString &id, const QString &lang)
    {
        return QStringLiteral("/api/captions/%1/%2").arg(id, lang);
    }
    void serveCues(const QString &id, const QString &lang, const QList<Cue> &cues, int delayMs = 0)
    {
        serve(cuesPath(id, lang), jsonList(cues), delayMs);
    }
    void failCues(const QString &id, const QString &lang, int delayMs = 0)
    {
        serve(cuesPath(id, lang), {}, delayMs, 500);
    }

private slots:
    void initTestCase() { QVERIFY2(backend.start(), qPrintable(backend.error())); }

    void init()
    {
        AppFixture::clearData();
        // Only what a test asks for moves the play head.
        Defaults::shared().setValue(Pref::skipSponsors, false);
        Defaults::shared().setValue(Pref::captions, false);
        backend->clearFaults();
        Haptics::shared().clear();
    }

    void cleanup() { LibraryStore::waitForWrites(); }

    // ---- captions

    void automaticTrackChoice_data()
    {
        QTest::addColumn<QStringList>("langs");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("es before its original and en") << QStringList{"en", "es-orig", "es"} << "es";
        QTest::newRow("original es before en") << QStringList{"en", "es-orig"} << "es-orig";
        QTest::newRow("en-orig when nothing better") << QStringList{"fr", "en-orig"} << "en-orig";
        QTest::newRow("else the first track") << QStringList{"fr", "de"} << "fr";
        QTest::newRow("codes match exactly") << QStringList{"ES", "es-MX"} << "ES";
    }

    void automaticTrackChoice()
    {
        QFETCH(QStringList, langs);
        QFETCH(QString, chosen);
        const QString id = QStringLiteral("auto%1").arg(QTest::currentDataTag()).remove(QLatin1Char(' '));
        serveCues(id, chosen, {{0, 5, QStringLiteral("Hola")}});
        Rig rig;
        rig.playAt(id);
        Probe::setCaptionTracks(rig.store, tracks(langs));
        rig.store.toggleCaptions();
        QCOMPARE(rig.store.activeCaption(), std::optional<QString>(chosen));
        QTRY_COMPARE(rig.store.cues().size(), 1);
        QVERIFY(!rig.store.toast());
    }

    // Cues that cannot be had switch captions off, with a message. (A video
    // without tracks says so too: the sheet's test clicks that.)
    void failedLoadSwitchesOff()
    {
        const QString id = QStringLiteral("broken");
        failCues(id, QStringLiteral("es"));
        Rig rig;
        rig.playAt(id);
        rig.store.selectCaption(QVariant(QStringLiteral("es")));
        QTRY_VERIFY(!rig.store.activeCaption());
        QCOMPARE(rig.store.toast(), text("No se pudieron cargar los subtítulos"));
    }

    void manualChoiceAndOff()
    {
        const QString id = QStringLiteral("manual");
        serveCues(id, QStringLiteral("es"), {{0, 10, QStringLiteral("Hola")}});
        serveCues(id, QStringLiteral("en"), {{0, 10, QStringLiteral("Hello")}});
        Rig rig;
        rig.playAt(id);
        rig.store.selectCaption(QVariant(QStringLiteral("es")));
        QTRY_VERIFY(!rig.store.cues().isEmpty());
        QCOMPARE(rig.lineAt(3), text("Hola"));

        // Another track: the old line goes at the next tick, before the new cues come.
        rig.store.selectCaption(QVariant(QStringLiteral("en")));
        QVERIFY(rig.store.cues().isEmpty());
        QVERIFY(!rig.lineAt(3.5));
        QTRY_VERIFY(!rig.store.cues().isEmpty());
        QCOMPARE(rig.lineAt(4), text("Hello"));

        // Off from QML (null) and by the button, silently.
        rig.store.selectCaption(QVariant::fromValue(nullptr));
        QVERIFY(!rig.store.activeCaption() && !rig.store.captionText() && rig.store.cues().isEmpty());
        rig.store.selectCaption(QVariant(QStringLiteral("es")));
        QTRY_VERIFY(!rig.store.cues().isEmpty());
        QVERIFY(rig.lineAt(4.5));
        rig.store.toggleCaptions();
        QVERIFY(!rig.store.activeCaption() && !rig.store.captionText() && rig.store.cues().isEmpty());
        QVERIFY(!rig.store.toast());
    }

    // Both ends of a cue count; on a boundary two cues share, the one the
    // bisection probes first wins. The line is written only when it changes.
    void cueAtThePlayHead_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("t");
        QTest::addColumn<QString>("line"); // empty: none
        QTest::newRow("two: boundary, first probe is the first cue") << 2 << 2.0 << "a";
        QTest::newRow("two: last end") << 2 << 4.0 << "b";
        QTest::newRow("four: before the first") << 4 << -0.5 << "";
        QTest::newRow("four: boundary, first probe is the second cue") << 4 << 2.0 << "b";
        QTest::newRow("four: just before it") << 4 << 1.999 << "a";
        QTest::newRow("four: gap") << 4 << 5.0 << "";
        QTest::newRow("four: boundary found in the upper half") << 4 << 8.0 << "c";
        QTest::newRow("four: last end") << 4 << 12.0 << "d";
        QTest::newRow("four: after the last") << 4 << 12.01 << "";
    }

    void cueAtThePlayHead()
    {
        QFETCH(int, count);
        QFETCH(double, t);
        QFETCH(QString, line);
        const QList<Cue> four{{0, 2, QStringLiteral("a")},
                              {2, 4, QStringLiteral("b")},
                              {6, 8, QStringLiteral("c")},
                              {8, 12, QStringLiteral("d")}};
        Rig rig;
        rig.playAt(QStringLiteral("cues"));
        Probe::setActiveCaption(rig.store, QStringLiteral("es"));
        QVERIFY(!rig.lineAt(t)); // active, no cues yet
        Probe::setCues(rig.store, four.first(count));

        QSignalSpy changed(&rig.store, &PlayerStore::captionTextChanged);
        rig.lineAt(t);
        const std::optional<QString> expected = line.isEmpty() ? std::nullopt : std::optional<QString>(line);
        QCOMPARE(rig.lineAt(t), expected);
        QCOMPARE(changed.size(), line.isEmpty() ? 0 : 1);
    }

    // A reply for a choice the user has left (another video, or another track
    // of the same video) changes nothing, success or failure; in particular a
    // late failure does not switch off what is shown now and shows no message.
    void lateRepliesAreDropped_data()
    {
        QTest::addColumn<bool>("otherVideo");
        QTest::addColumn<bool>("lateFails");
        QTest::newRow("other video, late cues") << true << false;
        QTest::newRow("other video, late failure") << true << true;
        QTest::newRow("other track, late cues") << false << false;
        QTest::newRow("other track, late failure") << false << true;
    }

    void lateRepliesAreDropped()
    {
        QFETCH(bool, otherVideo);
        QFETCH(bool, lateFails);
        const QString first = QStringLiteral("late%1%2").arg(int(otherVideo)).arg(int(lateFails));
        const QString second = otherVideo ? first + QStringLiteral("next") : first;
        const QString oldLang = QStringLiteral("es");
        const QString newLang = otherVideo ? QStringLiteral("es") : QStringLiteral("en");
        if (lateFails)
            failCues(first, oldLang, 600);
        else
            serveCues(first, oldLang, {{0, 100, QStringLiteral("viejo")}}, 600);
        serveCues(second, newLang, {{0, 100, QStringLiteral("nuevo")}});

        Rig rig;
        rig.playAt(first);
        Probe::setCaptionTracks(rig.store, tracks({oldLang}));
        rig.store.selectCaption(QVariant(oldLang));
        if (otherVideo) {
            rig.playAt(second);
            Probe::setCaptionTracks(rig.store, tracks({newLang}));
            rig.store.toggleCaptions(); // the same language, for the new video
        } else {
            rig.store.selectCaption(QVariant(newLang));
        }
        QTRY_VERIFY(!rig.store.cues().isEmpty());
        QSignalSpy toast(&rig.store, &PlayerStore::toastChanged);
        QSignalSpy active(&rig.store, &PlayerStore::activeCaptionChanged);
        // Until the late reply has surely come and gone.
        QTRY_VERIFY(backend->requests().last(cuesPath(first, oldLang)).has_value());
        QTest::qWait(900);

        QCOMPARE(toast.size(), 0);
        QCOMPARE(active.size(), 0);
        QCOMPARE(rig.store.activeCaption(), std::optional<QString>(newLang));
        QCOMPARE(rig.lineAt(50), text("nuevo"));
    }

    // ---- sponsor categories

    // The setting is read when a video's segments arrive: a change counts
    // from the next video on.
    void sponsorCategoriesCountFromTheNextVideo()
    {
        const QList<SponsorSegment> all{{10, 20, QStringLiteral("sponsor")}, {30, 40, QStringLiteral("intro")}};
        for (const char *id : {"cats1", "cats2"})
            serve(QStringLiteral("/api/sponsor/") + QLatin1String(id), jsonList(all));
        Defaults::shared().setValue(Pref::sponsorCats, QStringLiteral("sponsor"));
        Rig rig;
        rig.playAt(QStringLiteral("cats1"));
        QVERIFY(rig.settle());
        QCOMPARE(rig.store.segments(), (QList<SponsorSegment>{all.at(0)}));
        Defaults::shared().setValue(Pref::sponsorCats, QStringLiteral("intro"));
        QCOMPARE(rig.store.segments(), (QList<SponsorSegment>{all.at(0)}));
        rig.playAt(QStringLiteral("cats2"));
        QVERIFY(rig.settle());
        QCOMPARE(rig.store.segments(), (QList<SponsorSegment>{all.at(1)}));
    }

    // ---- quality and audio only

    // Without a video a quality changes nothing, while the audio-only switch
    // flips and is remembered: the next video comes as audio only.
    void withoutAVideo()
    {
        Defaults::shared().setValue(Pref::quality, 1080);
        Rig rig;
        QSignalSpy quality(&rig.store, &PlayerStore::activeQualityChanged);
        rig.store.setQuality(480);
        QCOMPARE(quality.size(), 0);
        rig.store.setAudioOnly(true);
        QVERIFY(rig.store.audioOnly());
        QCOMPARE(rig.store.activeQuality(), 720); // untouched
        QCOMPARE(rig.store.qualityBeforeAudio(), 720);
        QCOMPARE(rig.store.toast(), text("Solo audio: ahorra datos"));
        QVERIFY(rig.engine->loads().isEmpty());
        rig.store.play(makeVideo(QStringLiteral("later")), std::nullopt, true);
        QCOMPARE(rig.store.activeQuality(), 144);
    }

    // A new quality reloads HLS where the old item stood, playing or paused;
    // the same quality reloads only to leave the progressive stream.
    void setQuality_data()
    {
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<bool>("reloads");
        QTest::newRow("other quality, playing") << false << false << 1080 << true;
        QTest::newRow("other quality, paused") << false << true << 360 << true;
        QTest::newRow("same quality on HLS") << false << false << 720 << false;
        QTest::newRow("progressive, same quality back to HLS") << true << false << 360 << true;
    }

    void setQuality()
    {
        QFETCH(bool, progressive);
        QFETCH(bool, paused);
        QFETCH(int, chosen);
        QFETCH(bool, reloads);
        Defaults::shared().setValue(Pref::quality, 720);
        Rig rig;
        const QString id = QStringLiteral("q");
        rig.store.play(makeVideo(id), std::nullopt, true);
        if (progressive)
            rig.engine->fail();
        rig.engine->makeReady(600);
        rig.engine->advance(42.5);
        if (paused)
            rig.store.togglePlay();
        const qsizetype before = rig.engine->loads().size();

        rig.store.setQuality(chosen);
        QCOMPARE(rig.store.activeQuality(), chosen);
        QCOMPARE(rig.engine->loads().size(), before + (reloads ? 1 : 0));
        if (!reloads)
            return;
        QCOMPARE(rig.lastLoad().url, API::shared().hlsURL(id, chosen));
        QCOMPARE(rig.readyAt(), 42.5);
        QCOMPARE(rig.engine->isPaused(), paused);
        QVERIFY(!rig.store.usingLegacy());
    }

    void audioOnlyRoundTrip()
    {
        Defaults::shared().setValue(Pref::quality, 720);
        Rig rig;
        rig.playAt(QStringLiteral("radio"), 10);
        rig.store.setAudioOnly(true);
        QCOMPARE(quality(rig.lastLoad().url), QStringLiteral("144"));
        QCOMPARE(rig.store.toast(), text("Solo audio: ahorra datos"));
        const qsizetype loads = rig.engine->loads().size();
        rig.store.setAudioOnly(true);
        QCOMPARE(rig.engine->loads().size(), loads);

        // A quality chosen meanwhile plays, and audio only stays on.
        rig.engine->makeReady(600);
        rig.store.setQuality(480);
        QCOMPARE(quality(rig.lastLoad().url), QStringLiteral("480"));
        QVERIFY(rig.store.audioOnly());

        // Off: back to the quality from before, without a message.
        QSignalSpy toast(&rig.store, &PlayerStore::toastChanged);
        rig.store.setAudioOnly(false);
        QCOMPARE(quality(rig.lastLoad().url), QStringLiteral("720"));
        QCOMPARE(toast.size(), 0);
    }

    // ---- speed, boost, mute

    // A paused player stays paused under a new speed and resumes at it; the
    // speed comes back from the settings file at the next launch.
    void speedIsAppliedAndSaved()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("settings.ini"));
        Defaults::useFile(file);
        {
            Rig rig;
            rig.playAt(QStringLiteral("fast"), 3);
            rig.store.setSpeed(1.25f);
            QCOMPARE(rig.engine->rate(), 1.25);
            rig.store.togglePlay();
            rig.store.setSpeed(1.1f);
            QVERIFY(rig.engine->isPaused());
            rig.store.togglePlay();
            QCOMPARE(rig.engine->rate(), double(1.1f));
        }
        Defaults::shared().sync();
        Defaults::useFile(file);
        Rig again;
        QCOMPARE(again.store.speed(), 1.1f);
        Defaults::useMemory();
    }

    // The boost setting, when not a number or under 1.25, boosts to 1.25;
    // the chosen speed stays and comes back on release. Paused, the boost
    // only sets the rate the next play uses.
    void boost_data()
    {
        QTest::addColumn<QVariant>("setting");
        QTest::addColumn<double>("boosted");
        QTest::addColumn<bool>("paused");
        QTest::newRow("1.0 is too little") << QVariant(1.0) << 1.25 << false;
        QTest::newRow("exactly the least") << QVariant(1.25) << 1.25 << false;
        QTest::newRow("3.0") << QVariant(3.0) << 3.0 << false;
        QTest::newRow("NaN") << QVariant(std::numeric_limits<double>::quiet_NaN()) << 1.25 << false;
        QTest::newRow("paused") << QVariant(2.0) << 2.0 << true;
    }

    void boost()
    {
        QFETCH(QVariant, setting);
        QFETCH(double, boosted);
        QFETCH(bool, paused);
        Defaults::shared().setValue(Pref::boostSpeed, setting);
        Defaults::shared().setValue(Pref::haptics, true);
        Rig rig;
        rig.playAt(QStringLiteral("boost"), 1);
        rig.store.setSpeed(1.5f);
        if (paused)
            rig.store.togglePlay();

        rig.store.boost(true);
        rig.store.boost(true); // held on: nothing more
        QCOMPARE(rig.engine->defaultRate(), boosted);
        QCOMPARE(rig.engine->rate(), paused ? 0.0 : boosted);
        QCOMPARE(rig.store.speed(), 1.5f);
        QCOMPARE(Defaults::shared().doubleValue(Pref::speed), 1.5);
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});

        rig.store.boost(false);
        QCOMPARE(rig.engine->defaultRate(), 1.5);
        QCOMPARE(rig.engine->rate(), paused ? 0.0 : 1.5);
    }

    void muteCarriesOver()
    {
        Rig rig;
        rig.playAt(QStringLiteral("loud"));
        rig.store.toggleMute();
        rig.playAt(QStringLiteral("loud2"));
        QVERIFY(rig.engine->isMuted());
        rig.store.toggleMute();
        QVERIFY(!rig.store.muted());
        QVERIFY(!rig.engine->isMuted());
    }

    // ---- loop points

    void loopPoints()
    {
        Rig rig;
        rig.playAt(QStringLiteral("loop"), 42);
        rig.store.markLoopA();
        QCOMPARE(rig.store.loopA(), std::optional<double>(42.0));
        QCOMPARE(rig.store.toast(), text("Inicio del bucle marcado"));

        // A new start drops the end (the clock's loop is tested with the
        // clock): no loop until one is set again.
        rig.store.setLoopB(50.0);
        rig.engine->setTime(45);
        rig.store.markLoopA();
        QVERIFY(!rig.store.loopB());
        const qsizetype seeks = rig.engine->seeks().size();
        rig.engine->advance(10.0);
        QCOMPARE(rig.engine->seeks().size(), seeks);

        rig.store.setLoopB(60.0);
        rig.store.clearLoop();
        QVERIFY(!rig.store.loopA() && !rig.store.loopB());
        rig.engine->advance(10.0);
        QCOMPARE(rig.engine->seeks().size(), seeks);
    }
};

QTEST_MAIN(TestPlayerOptions)
#include "tst_playeroptions.moc"
