// End to end: the Shorts store with its real mpv engine against the
// in-process development backend and its portrait clip.
#include "API.h"
#include "AudioSession.h"
#include "DiskCache.h"
#include "MpvEngine.h"
#include "ShortsStore.h"
#include "TestBackend.h"
#include "TestDirs.h"

#include <QTest>

namespace {
constexpr int kLong = 30000; // generous: the machine may be busy
}

class TestShortsMpv : public QObject
{
    Q_OBJECT

    TestBackend backend;

private slots:
    void initTestCase()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        TestDirs::isolate();
        QVERIFY(backend.isRunning());
        QVERIFY2(backend.prepareMedia(), qPrintable(backend.error()));
        API::shared().setBaseUrl(QUrl(backend.origin()));
    }

    // Plays the first Short; from 15 s of 16 it loops to the start and plays on.
    // Its output follows the one chosen for the main player.
    void playsAndLoops()
    {
        AudioSession::shared().setAudioDevices({{u"auto"_qs, {}}, {u"null/a"_qs, {}}}, u"null/a"_qs);
        ShortsStore store;
        auto *engine = qobject_cast<MpvEngine *>(store.player());
        QVERIFY(engine);
        QString device;
        connect(engine, &MpvEngine::mpvPropertyChanged, this, [&](const QByteArray &name, const QVariant &value) {
            if (name == "audio-device")
                device = value.toString();
        });
        engine->observeMpvProperty("audio-device");
        store.setShown(true);
        store.start();
        store.startLoadInitial();
        QVERIFY(QTest::qWaitFor([&] { return engine->isAvailable() && store.ready(); }, kLong));
        QVERIFY(QTest::qWaitFor([&] { return store.progress() > 0.05; }, kLong));
        const QSize size = engine->presentationSize();
        QVERIFY2(size.height() > size.width(), qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        QTRY_COMPARE_WITH_TIMEOUT(device, u"null/a"_qs, kLong);

        engine->seek(15);
        QVERIFY(QTest::qWaitFor([&] { return engine->currentTime() >= 15.2; }, kLong));
        QVERIFY(QTest::qWaitFor([&] { return engine->currentTime() > 0.3 && engine->currentTime() < 5; }, kLong));
        QVERIFY(QTest::qWaitFor([&] { return engine->timeControlStatus() == MediaEngine::TimeControlStatus::Playing; }, kLong));
        QVERIFY(!store.paused());

        AudioSession::shared().setAudioDevices({{u"auto"_qs, {}}, {u"null/b"_qs, {}}}, u"null/b"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(device, u"null/b"_qs, kLong);
    }
};

QTEST_MAIN(TestShortsMpv)
#include "tst_shortsmpv.moc"
