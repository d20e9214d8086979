// The player's viewer options on the scripted engine against the in-process
// development backend: which caption track is chosen, which cue shows at the
// play head, replies that come too late, the sponsor category setting, the
// quality and audio-only switches, speed, boost, mute and the loop points.
#include "API.h"
#include "AppFixture.h"
#include "Defaults.h"
#include "FaultSwitches.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "SimulatedEngine.h"
#include "StoreRig.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <limits>
#include <memory>

class PlayerStoreProbe
{
public:
    static void setCaptionTracks(PlayerStore &s, QList<CaptionTrack> v) { s.setCaptionTracks(std::move(v)); }
    static void updateCaption(PlayerStore &s, double t) { s.updateCaption(t); }
};

namespace {

using Probe = PlayerStoreProbe;
using Status = MediaEngine::TimeControlStatus;

Video makeVideo(const QString &id)
{
    Video v;
    v.id = id;
    v.title = QStringLiteral("Vídeo ") + id;
    v.channel = QStringLiteral("Canal");
    v.duration = 600;
    return v;
}

QList<CaptionTrack> tracks(const QStringList &langs)
{
    QList<CaptionTrack> list;
    for (const QString &lang : langs)
        list << CaptionTrack{lang, QStringLiteral("Pista ") + lang, false};
    return list;
}

QByteArray cuesJson(const QList<Cue> &cues)
{
    QJsonArray a;
    for (const Cue &c : cues)
        a.append(c.toJson());
    return QJsonDocument(a).toJson(QJsonDocument::Compact);
}

QByteArray segmentsJson(const QList<SponsorSegment> &list)
{
    QJsonArray a;
    for (const SponsorSegment &s : list)
        a.append(s.toJson());
    return QJsonDocument(a).toJson(QJsonDocument::Compact);
}

QString quality(const QUrl &url) { return QUrlQuery(url).queryItemValue(QStringLiteral("q")); }

struct Rig : StoreRig
{
    Rig() : StoreRig({5000, 20}, Seeks::atOnce) {}

    void playAt(const QString &id, double t = 0) { StoreRig::playAt(makeVideo(id), t); }
    bool settle()
    {
        return QTest::qWaitFor([&] { return store.commentsState().isLoaded() || store.commentsState().isFailed(); },
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

    void serveCues(const QString &id, const QString &lang, const QList<Cue> &cues, int delayMs = 0)
    {
        FaultRule r;
        r.pathPrefix = QStringLiteral("/api/captions/%1/%2").arg(id, lang);
        r.body = FaultRule::Body::Raw;
        r.rawBody = cuesJson(cues);
        r.delayMs = delayMs;
        backend->addFault(r);
    }
    void failCues(const QString &id, const QString &lang, int delayMs = 0)
    {
        FaultRule r;
        r.pathPrefix = QStringLiteral("/api/captions/%1/%2").arg(id, lang);
        r.status = 500;
        r.message = QStringLiteral("caído");
        r.delayMs = delayMs;
        backend->addFault(r);
    }
    bool asked(const QString &path) { return backend->requests().last(path).has_value(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(backend.start(), qPrintable(backend.error()));
    }

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
        QVERIFY(asked(QStringLiteral("/api/captions/%1/%2").arg(id, chosen)));
        QVERIFY(!rig.store.toast());
    }

    void toggleWithoutTracks()
    {
        Rig rig;
        rig.playAt(QStringLiteral("mute"));
        QSignalSpy active(&rig.store, &PlayerStore::activeCaptionChanged);
        rig.store.toggleCaptions();
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Este vídeo no tiene subtítulos")));
        QCOMPARE(active.size(), 0);
    }

    void manualChoiceAndOff()
    {
        const QString id = QStringLiteral("manual");
        serveCues(id, QStringLiteral("es"), {{0, 10, QStringLiteral("Hola")}});
        serveCues(id, QStringLiteral("en"), {{0, 10, QStringLiteral("Hello")}});
        Rig rig;
        rig.playAt(id);
        Probe::setCaptionTracks(rig.store, tracks({"es", "en"}));
        rig.store.toggleCaptions();
        QTRY_VERIFY(!rig.store.cues().isEmpty());
        Probe::updateCaption(rig.store, 3);
        QCOMPARE(rig.store.captionText(), std::optional<QString>(QStringLiteral("Hola")));

        // Another track: loading again, the old line goes at the next update.
        rig.store.selectCaption(QVariant(QStringLiteral("en")));
        QCOMPARE(rig.store.activeCaption(), std::optional<QString>(QStringLiteral("en")));
        QVERIFY(rig.store.cues().isEmpty());
        Probe::updateCaption(rig.store, 3);
        QVERIFY(!rig.store.captionText());
        QTRY_VERIFY(!rig.store.cues().isEmpty());
        Probe::updateCaption(rig.store, 3.25);
        QCOMPARE(rig.store.captionText(), std::optional<QString>(QStringLiteral("Hello")));

        // Off from QML (null) and by the button.
        rig.store.selectCaption(QVariant::fromValue(nullptr));
        QVERIFY(!rig.store.activeCaption());
        QVERIFY(!rig.store.captionText());
        QVERIFY(rig.store.cues().isEmpty());
        rig.store.selectCaption(QVariant(QStringLiteral("es")));
        QTRY_VERIFY(!rig.store.cues().isEmpty());
        Probe::updateCaption(rig.store, 4);
        rig.store.toggleCaptions();
        QVERIFY(!rig.store.activeCaption());
        QVERIFY(!rig.store.captionText());
        QVERIFY(rig.store.cues().isEmpty());
        QVERIFY(!rig.store.toast());
    }

    // Both ends of a cue count; on a boundary two cues share, the one the
    // bisection probes first wins.
    void cueAtThePlayHead_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("t");
        QTest::addColumn<QString>("text"); // empty: no line
        QTest::newRow("two: boundary, first probe is the first cue") << 2 << 2.0 << "a";
        QTest::newRow("two: after the last") << 2 << 4.5 << "";
        QTest::newRow("two: last end") << 2 << 4.0 << "b";
        QTest::newRow("four: before the first") << 4 << -0.5 << "";
        QTest::newRow("four: first start") << 4 << 0.0 << "a";
        QTest::newRow("four: boundary, first probe is the second cue") << 4 << 2.0 << "b";
        QTest::newRow("four: just before it") << 4 << 1.999 << "a";
        QTest::newRow("four: gap") << 4 << 5.0 << "";
        QTest::newRow("four: third start") << 4 << 6.5 << "c";
        QTest::newRow("four: boundary found in the upper half") << 4 << 8.0 << "c";
        QTest::newRow("four: last end") << 4 << 12.0 << "d";
        QTest::newRow("four: after the last") << 4 << 12.01 << "";
    }

    void cueAtThePlayHead()
    {
        QFETCH(int, count);
        QFETCH(double, t);
        QFETCH(QString, text);
        const QString id = QStringLiteral("cues%1").arg(count);
        const QList<Cue> two{{0, 2, QStringLiteral("a")}, {2, 4, QStringLiteral("b")}};
        const QList<Cue> four{{0, 2, QStringLiteral("a")},
                              {2, 4, QStringLiteral("b")},
                              {6, 8, QStringLiteral("c")},
                              {8, 12, QStringLiteral("d")}};
        serveCues(id, QStringLiteral("es"), count == 2 ? two : four);
        Rig rig;
        rig.playAt(id);
        rig.store.selectCaption(QVariant(QStringLiteral("es")));
        // Active, cues not there yet: no line.
        Probe::updateCaption(rig.store, t);
        QVERIFY(!rig.store.captionText());
        QTRY_COMPARE(rig.store.cues().size(), count);

        QSignalSpy changed(&rig.store, &PlayerStore::captionTextChanged);
        Probe::updateCaption(rig.store, t);
        Probe::updateCaption(rig.store, t);
        const std::optional<QString> expected = text.isEmpty() ? std::nullopt : std::optional<QString>(text);
        QCOMPARE(rig.store.captionText(), expected);
        QCOMPARE(changed.size(), text.isEmpty() ? 0 : 1); // written only when it changes
    }

    // The clock drives the line while the video plays.
    void clockShowsTheLine()
    {
        const QString id = QStringLiteral("clocked");
        serveCues(id, QStringLiteral("es"), {{1, 3, QStringLiteral("uno")}, {5, 6, QStringLiteral("dos")}});
        Rig rig;
        rig.playAt(id);
        rig.store.selectCaption(QVariant(QStringLiteral("es")));
        QTRY_COMPARE(rig.store.cues().size(), 2);
        rig.engine->advance(2.0);
        QCOMPARE(rig.store.captionText(), std::optional<QString>(QStringLiteral("uno")));
        rig.engine->advance(1.5);
        QVERIFY(!rig.store.captionText());
        rig.engine->advance(2.0);
        QCOMPARE(rig.store.captionText(), std::optional<QString>(QStringLiteral("dos")));
    }

    void failedLoadSwitchesOff()
    {
        const QString id = QStringLiteral("broken");
        failCues(id, QStringLiteral("es"));
        Rig rig;
        rig.playAt(id);
        rig.store.selectCaption(QVariant(QStringLiteral("es")));
        QTRY_VERIFY(!rig.store.activeCaption());
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("No se pudieron cargar los subtítulos")));
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
        QTRY_VERIFY(backend->requests().last(QStringLiteral("/api/captions/%1/%2").arg(first, oldLang)).has_value());
        QTest::qWait(900);

        QCOMPARE(toast.size(), 0);
        QCOMPARE(active.size(), 0);
        QCOMPARE(rig.store.activeCaption(), std::optional<QString>(newLang));
        Probe::updateCaption(rig.store, 50);
        QCOMPARE(rig.store.captionText(), std::optional<QString>(QStringLiteral("nuevo")));
    }

    // ---- sponsor categories

    // The setting is read when a video's segments arrive: a change counts
    // from the next video on.
    void sponsorCategoriesCountFromTheNextVideo()
    {
        const QList<SponsorSegment> all{{10, 20, QStringLiteral("sponsor")}, {30, 40, QStringLiteral("intro")}};
        for (const QString id : {QStringLiteral("cats1"), QStringLiteral("cats2")}) {
            FaultRule r;
            r.pathPrefix = QStringLiteral("/api/sponsor/") + id;
            r.body = FaultRule::Body::Raw;
            r.rawBody = segmentsJson(all);
            backend->addFault(r);
        }
        Defaults::shared().setValue(Pref::sponsorCats, QStringLiteral("sponsor"));
        Defaults::shared().setValue(Pref::skipSponsors, true);
        Rig rig;
        rig.playAt(QStringLiteral("cats1"));
        QVERIFY(rig.settle());
        QCOMPARE(rig.store.segments(), (QList<SponsorSegment>{all.at(0)}));

        Defaults::shared().setValue(Pref::sponsorCats, QStringLiteral("intro"));
        QCOMPARE(rig.store.segments(), (QList<SponsorSegment>{all.at(0)}));
        // Only the kept segment is skipped.
        QSignalSpy landed(rig.engine, &MediaEngine::seekFinished);
        rig.engine->setTime(12);
        QCOMPARE(rig.engine->seeks().size(), 1);
        QCOMPARE(rig.engine->seeks().last().target, 20.0);
        QTRY_COMPARE(landed.size(), 1);
        rig.engine->setTime(31);
        QCOMPARE(rig.engine->currentTime(), 31.0);
        QCOMPARE(rig.engine->seeks().size(), 1);

        rig.playAt(QStringLiteral("cats2"));
        QVERIFY(rig.settle());
        QCOMPARE(rig.store.segments(), (QList<SponsorSegment>{all.at(1)}));
    }

    // ---- quality and audio only

    void setQualityWithoutAVideo()
    {
        Rig rig;
        QSignalSpy quality(&rig.store, &PlayerStore::activeQualityChanged);
        rig.store.setQuality(480);
        QCOMPARE(quality.size(), 0);
        QCOMPARE(rig.store.activeQuality(), 720);
        QVERIFY(rig.engine->loads().isEmpty());
    }

    void setQuality_data()
    {
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<bool>("reloads");
        QTest::newRow("other quality, playing") << false << false << 1080 << true;
        QTest::newRow("other quality, paused") << false << true << 360 << true;
        QTest::newRow("automatic") << false << false << 0 << true;
        QTest::newRow("same quality on HLS") << false << false << 720 << false;
        QTest::newRow("progressive, same quality back to HLS") << true << false << 360 << true;
        QTest::newRow("progressive, other quality") << true << true << 480 << true;
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
        QCOMPARE(rig.store.usingLegacy(), progressive);
        const qsizetype before = rig.engine->loads().size();

        rig.store.setQuality(chosen);
        QCOMPARE(rig.store.activeQuality(), chosen);
        QCOMPARE(rig.engine->loads().size(), before + (reloads ? 1 : 0));
        if (!reloads)
            return;
        const auto load = rig.lastLoad();
        QCOMPARE(load.url, API::shared().hlsURL(id, chosen));
        QCOMPARE(load.start, 42.5);
        QCOMPARE(load.play, !paused);
        QVERIFY(!rig.store.usingLegacy());
        // The new item starts where the old one stood.
        rig.engine->makeReady(600);
        QCOMPARE(rig.engine->currentTime(), 42.5);
        QCOMPARE(rig.engine->isPaused(), paused);
    }

    void audioOnlyRoundTrip()
    {
        Defaults::shared().setValue(Pref::quality, 720);
        Rig rig;
        const QString id = QStringLiteral("radio");
        rig.playAt(id, 10);

        rig.store.setAudioOnly(true);
        QVERIFY(rig.store.audioOnly());
        QCOMPARE(rig.store.activeQuality(), 144);
        QCOMPARE(quality(rig.lastLoad().url), QStringLiteral("144"));
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Solo audio: ahorra datos")));
        QCOMPARE(rig.store.qualityBeforeAudio(), 720);

        // Asking again changes nothing.
        const qsizetype loads = rig.engine->loads().size();
        rig.store.setAudioOnly(true);
        QCOMPARE(rig.engine->loads().size(), loads);

        // A quality chosen meanwhile plays, audio only stays on.
        rig.engine->makeReady(600);
        rig.store.setQuality(480);
        QCOMPARE(quality(rig.lastLoad().url), QStringLiteral("480"));
        QVERIFY(rig.store.audioOnly());

        // Every new video comes as audio only.
        rig.playAt(QStringLiteral("radio2"));
        QCOMPARE(quality(rig.lastLoad().url), QStringLiteral("144"));

        QSignalSpy toast(&rig.store, &PlayerStore::toastChanged);
        rig.store.setAudioOnly(false);
        QVERIFY(!rig.store.audioOnly());
        QCOMPARE(rig.store.activeQuality(), 720);
        QCOMPARE(quality(rig.lastLoad().url), QStringLiteral("720"));
        QCOMPARE(toast.size(), 0);
    }

    // Without a video the switch still flips and remembers, so the next
    // video starts as audio only.
    void audioOnlyWithoutAVideo()
    {
        Defaults::shared().setValue(Pref::quality, 1080);
        Rig rig;
        rig.store.setAudioOnly(true);
        QVERIFY(rig.store.audioOnly());
        QCOMPARE(rig.store.activeQuality(), 720); // untouched
        QCOMPARE(rig.store.qualityBeforeAudio(), 720);
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Solo audio: ahorra datos")));
        QVERIFY(rig.engine->loads().isEmpty());
        rig.store.play(makeVideo(QStringLiteral("later")), std::nullopt, true);
        QCOMPARE(rig.store.activeQuality(), 144);
    }

    // ---- speed, boost, mute

    void speedIsSavedAsAFloat_data()
    {
        QTest::addColumn<float>("rate");
        QTest::addColumn<bool>("paused");
        QTest::newRow("1.25 playing") << 1.25f << false;
        QTest::newRow("1.1 paused") << 1.1f << true;
        QTest::newRow("0.5 playing") << 0.5f << false;
    }

    void speedIsSavedAsAFloat()
    {
        QFETCH(float, rate);
        QFETCH(bool, paused);
        QTemporaryDir dir;
        Defaults::useFile(dir.filePath(QStringLiteral("settings.ini")));
        {
            Rig rig;
            rig.playAt(QStringLiteral("fast"), 3);
            if (paused)
                rig.store.togglePlay();
            QSignalSpy speed(&rig.store, &PlayerStore::speedChanged);
            rig.store.setSpeed(rate);
            rig.store.setSpeed(rate);
            QCOMPARE(speed.size(), 1);
            QCOMPARE(rig.store.speed(), rate);
            QCOMPARE(Defaults::shared().doubleValue(Pref::speed), double(rate));
            QCOMPARE(rig.engine->defaultRate(), double(rate));
            // A paused player stays paused; it resumes at the new rate.
            QCOMPARE(rig.engine->isPaused(), paused);
            QCOMPARE(rig.engine->rate(), paused ? 0.0 : double(rate));
            if (paused) {
                rig.store.togglePlay();
                QCOMPARE(rig.engine->rate(), double(rate));
            }
        }
        // Back from the file, as the next launch reads it.
        Defaults::shared().sync();
        Defaults::useFile(dir.filePath(QStringLiteral("settings.ini")));
        QCOMPARE(float(Defaults::shared().doubleValue(Pref::speed)), rate);
        Rig again;
        QCOMPARE(again.store.speed(), rate);
        Defaults::useMemory();
    }

    void boostAndRelease_data()
    {
        QTest::addColumn<QVariant>("setting");
        QTest::addColumn<double>("boosted");
        QTest::newRow("1.0 is too little") << QVariant(1.0) << 1.25;
        QTest::newRow("exactly the least") << QVariant(1.25) << 1.25;
        QTest::newRow("3.0") << QVariant(3.0) << 3.0;
        QTest::newRow("zero") << QVariant(0.0) << 1.25;
        QTest::newRow("negative") << QVariant(-2.0) << 1.25;
        QTest::newRow("NaN") << QVariant(std::numeric_limits<double>::quiet_NaN()) << 1.25;
    }

    void boostAndRelease()
    {
        QFETCH(QVariant, setting);
        QFETCH(double, boosted);
        Defaults::shared().setValue(Pref::boostSpeed, setting);
        Defaults::shared().setValue(Pref::haptics, true);
        Rig rig;
        rig.playAt(QStringLiteral("boost"), 1);
        rig.store.setSpeed(1.5f);

        rig.store.boost(true);
        QVERIFY(rig.store.boosted());
        QCOMPARE(rig.engine->rate(), boosted);
        QCOMPARE(rig.engine->defaultRate(), boosted);
        QCOMPARE(rig.store.speed(), 1.5f); // the chosen speed stays
        QCOMPARE(Defaults::shared().doubleValue(Pref::speed), 1.5);
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});
        rig.store.boost(true); // held on: nothing more
        QCOMPARE(Haptics::shared().given(), QStringList{"light"});

        rig.store.boost(false);
        QVERIFY(!rig.store.boosted());
        QCOMPARE(rig.engine->rate(), 1.5);
        QCOMPARE(rig.engine->defaultRate(), 1.5);
    }

    // Paused, the boost only sets the rate the next play uses.
    void boostWhilePaused()
    {
        Defaults::shared().setValue(Pref::boostSpeed, 2.0);
        Defaults::shared().setValue(Pref::haptics, false);
        Rig rig;
        rig.playAt(QStringLiteral("still"), 1);
        rig.store.togglePlay();
        rig.store.boost(true);
        QVERIFY(rig.engine->isPaused());
        QCOMPARE(rig.engine->defaultRate(), 2.0);
        QVERIFY(Haptics::shared().given().isEmpty());
        rig.store.boost(false);
        QCOMPARE(rig.engine->defaultRate(), 1.0);
        QVERIFY(rig.engine->isPaused());
    }

    void muteCarriesOver()
    {
        Rig rig;
        rig.playAt(QStringLiteral("loud"));
        rig.store.toggleMute();
        QVERIFY(rig.store.muted());
        QVERIFY(rig.engine->isMuted());
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
        QVERIFY(!rig.store.loopB());
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Inicio del bucle marcado")));

        // The sheet sets the end; reaching it jumps back to the start.
        rig.store.setLoopB(50.0);
        QSignalSpy landed(rig.engine, &MediaEngine::seekFinished);
        rig.engine->advance(8.0);
        QCOMPARE(rig.engine->seeks().last().target, 42.0);
        QTRY_COMPARE(landed.size(), 1);

        // A new start drops the end.
        rig.engine->setTime(45);
        rig.store.markLoopA();
        QCOMPARE(rig.store.loopA(), std::optional<double>(45.0));
        QVERIFY(!rig.store.loopB());
        const qsizetype seeks = rig.engine->seeks().size();
        rig.engine->advance(10.0);
        QCOMPARE(rig.engine->seeks().size(), seeks); // no end, no loop

        rig.store.setLoopB(60.0);
        QSignalSpy toast(&rig.store, &PlayerStore::toastChanged);
        rig.store.clearLoop();
        QVERIFY(!rig.store.loopA());
        QVERIFY(!rig.store.loopB());
        QCOMPARE(toast.size(), 0);
        rig.engine->advance(10.0);
        QCOMPARE(rig.engine->seeks().size(), seeks);
    }
};

QTEST_MAIN(TestPlayerOptions)
#include "tst_playeroptions.moc"
