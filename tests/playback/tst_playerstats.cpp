// The statistics lines of the player store: from scripted figures, and from
// a real mpv engine playing the development backend's clips.
#include "AppFixture.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "LibraryStore.h"
#include "MpvEngine.h"
#include "PlayerStore.h"
#include "Pref.h"
#include "SampleVideos.h"
#include "SimulatedEngine.h"

#include <QTest>

namespace {

// The core is made in the background: only a started one can tell.
bool mpvWorks()
{
    MpvEngine e;
    e.prepare();
    return TestTime::waitFor([&] { return e.isAvailable(); }, 10000);
}

Video makeVideo(const QString &id, qint64 duration = 600) { return sampleVideo(id, duration); }

QStringList prefixes(const QStringList &lines)
{
    QStringList out;
    for (const QString &l : lines)
        out << l.section(QLatin1Char(':'), 0, 0);
    return out;
}

struct Figures
{
    QSize size;
    double indicated = 0; // bits per second
    double observed = 0;
    bool ready = true; // the access log exists once the item is ready
    bool progressive = false;
    QStringList lines;
};

const QStringList kAllSeven{"Resolución", "Bitrate indicado", "Bitrate observado", "Fotogramas perdidos",
                            "Atascos",    "Búfer",            "Origen"};

} // namespace

Q_DECLARE_METATYPE(Figures)

class TestPlayerStats : public QObject
{
    Q_OBJECT

private:
    AppFixture backend;

private slots:
    void initTestCase() { QVERIFY2(backend.start(), qPrintable(backend.error())); }

    void init()
    {
        AppFixture::clearData();
        Defaults::shared().setValue(Pref::skipSponsors, false);
        backend->clearFaults();
    }

    void cleanup() { LibraryStore::waitForWrites(); }

    // A line is left out while its figure is missing; rates are whole
    // kilobits, cut toward zero.
    void linesFromTheFigures_data()
    {
        QTest::addColumn<Figures>("c");
        QTest::newRow("1920×1080 on HLS")
            << Figures{{1920, 1080}, 4'500'000.0, 7'250'900.0, true, false,
                       {"Resolución: 1920×1080", "Bitrate indicado: 4500 kbps", "Bitrate observado: 7250 kbps",
                        "Fotogramas perdidos: 3", "Atascos: 1", "Búfer: 12 s", "Origen: HLS directo"}};
        QTest::newRow("rates below a kilobit, negative observed")
            << Figures{{640, 360}, 999.0, -5.0, true, false,
                       {"Resolución: 640×360", "Bitrate indicado: 0 kbps", "Fotogramas perdidos: 3", "Atascos: 1",
                        "Búfer: 12 s", "Origen: HLS directo"}};
        QTest::newRow("no picture width")
            << Figures{{0, 0}, 128'000.0, 130'000.0, true, false,
                       {"Bitrate indicado: 128 kbps", "Bitrate observado: 130 kbps", "Fotogramas perdidos: 3",
                        "Atascos: 1", "Búfer: 12 s", "Origen: HLS directo"}};
        QTest::newRow("no access log yet")
            << Figures{{1280, 720}, 4'500'000.0, 7'250'900.0, false, false,
                       {"Resolución: 1280×720", "Búfer: 12 s", "Origen: HLS directo"}};
        QTest::newRow("progressive stream")
            << Figures{{640, 360}, 0.0, 900'000.0, true, true,
                       {"Resolución: 640×360", "Bitrate observado: 900 kbps", "Fotogramas perdidos: 3", "Atascos: 1",
                        "Búfer: 12 s", "Origen: flujo clásico"}};
    }

    void linesFromTheFigures()
    {
        QFETCH(Figures, c);
        auto *engine = new SimulatedEngine;
        PlayerStore store(engine);
        QVERIFY(store.statsLines().isEmpty()); // nothing loaded
        store.play(makeVideo(QStringLiteral("stats")), 17.1, true);
        if (c.progressive)
            engine->fail();
        engine->setPresentationSize(c.size);
        engine->setAccessLog({c.indicated, c.observed, 3, 1});
        if (c.ready)
            engine->makeReady(600, c.size);
        engine->setLoadedRanges({{0, engine->currentTime() + 12.9}});
        QCOMPARE(store.statsLines(), c.lines);
        store.stop();
        QVERIFY(store.statsLines().isEmpty());
    }

    void bufferedAhead_data()
    {
        QTest::addColumn<QList<LoadedRange>>("ranges");
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("ahead");
        QTest::newRow("inside the range") << QList<LoadedRange>{{0, 30}} << 17.1 << 12.9;
        QTest::newRow("range not from zero") << QList<LoadedRange>{{10, 10}} << 15.0 << 5.0;
        QTest::newRow("head past the range") << QList<LoadedRange>{{0, 10}} << 25.0 << 0.0;
        QTest::newRow("only the first range counts") << QList<LoadedRange>{{0, 10}, {20, 40}} << 30.0 << 0.0;
        QTest::newRow("no ranges") << QList<LoadedRange>{} << 5.0 << 0.0;
    }

    void bufferedAhead()
    {
        QFETCH(QList<LoadedRange>, ranges);
        QFETCH(double, t);
        QFETCH(double, ahead);
        auto *engine = new SimulatedEngine;
        PlayerStore store(engine);
        QCOMPARE(store.bufferedAhead(), 0.0);
        store.play(makeVideo(QStringLiteral("ahead")), t, true);
        engine->makeReady(600);
        engine->setLoadedRanges(ranges);
        QCOMPARE(engine->currentTime(), t);
        QVERIFY(std::abs(store.bufferedAhead() - ahead) < 1e-9);
        QCOMPARE(store.statsLines().at(store.statsLines().size() - 2),
                 QStringLiteral("Búfer: %1 s").arg(qint64(ahead)));
    }

    // Real figures: every line is there while HLS plays, and the observed
    // rate stays once the short clip is in the cache. (The progressive
    // stream on mpv is the end-to-end test's.)
    void linesFromMpv()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        QVERIFY2(backend->prepareMedia(), qPrintable(backend->error()));
        if (!mpvWorks())
            QSKIP("mpv is not available");
        QList<FxVideo> playable;
        for (const FxVideo &v : backend->fixtures().videos())
            if (v.canPlay && v.hls && !v.isShort && !v.live && v.duration > 60)
                playable << v;
        QVERIFY(!playable.isEmpty());

        Defaults::shared().setValue(Pref::quality, 720);
        auto *engine = new MpvEngine;
        PlayerStore store(engine);
        LibraryStore library;
        store.attach(&library);
        const FxVideo &hls = playable.at(0);
        store.play(makeVideo(hls.id, hls.duration), std::nullopt, true);
        QTRY_VERIFY_WITH_TIMEOUT(store.isPlaying() && !store.isBuffering() && store.currentTime() > 1.0, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(prefixes(store.statsLines()), kAllSeven, 15000);
        const QStringList lines = store.statsLines();
        QCOMPARE(lines.first(), QStringLiteral("Resolución: 1280×720"));
        QCOMPARE(lines.last(), QStringLiteral("Origen: HLS directo"));
        // The announced rate of the 720p variant, in kilobits.
        QVERIFY2(lines.at(1).section(QLatin1Char(' '), 2, 2).toLongLong() > 100, qPrintable(lines.at(1)));

        // The whole clip is loaded: nothing more comes in, the average stays.
        QTRY_VERIFY_WITH_TIMEOUT(store.bufferedAhead() + engine->currentTime() >= engine->duration() - 0.5, 30000);
        QTest::qWait(2500);
        QCOMPARE(prefixes(store.statsLines()), kAllSeven);
    }
};

QTEST_MAIN(TestPlayerStats)
#include "tst_playerstats.moc"
