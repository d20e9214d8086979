// The player store's queue and the end of a video on the scripted engine:
// the next candidate, queue editing, autoplay with the up-next countdown,
// loop and the end-of-video sleep timer, and the toast's timing.
#include "AppFixture.h"
#include "Defaults.h"
#include "Haptics.h"
#include "Pref.h"
#include "SampleVideos.h"
#include "StoreRig.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class PlayerStoreProbe
{
public:
    static void setRelated(PlayerStore &s, QList<Video> v) { s.setRelated(std::move(v)); }
};

namespace {

using Probe = PlayerStoreProbe;

Video makeVideo(const QString &id, const QString &channel = QStringLiteral("Canal"))
{
    return sampleVideo(id, 600, channel);
}

QList<Video> videos(const QStringList &ids)
{
    QList<Video> out;
    for (const QString &id : ids)
        out << makeVideo(id);
    return out;
}

struct Rig : StoreRig
{
    explicit Rig(PlayerStore::Waits waits = {200, 20}) : StoreRig(waits) {}
    // Plays `id` and waits for its (failing) metadata load to end, so the
    // test's related list stays as set.
    bool start(const QString &id)
    {
        store.play(makeVideo(id), std::nullopt, true);
        engine->makeReady(600);
        return TestTime::waitFor([&] { return store.commentsState().isFailed(); }, 8000);
    }
    // The store hears of the end after the engine has stopped.
    void finish()
    {
        engine->end();
        QCoreApplication::processEvents();
    }
    QString currentId() const { return store.current() ? store.current()->id : QString(); }
};

} // namespace

class TestPlayerStoreQueue : public QObject
{
    Q_OBJECT

private:
    AppFixture backend;

private slots:
    void initTestCase() { QVERIFY2(backend.start(), qPrintable(backend.error())); }

    void init()
    {
        AppFixture::clearData();
        Haptics::shared().clear();
    }

    void cleanup() { LibraryStore::waitForWrites(); }

    // related: ids; "*" marks watched, "!" a hidden channel.
    void nextCandidate_data()
    {
        QTest::addColumn<QStringList>("related");
        QTest::addColumn<QStringList>("queue");
        QTest::addColumn<bool>("withLibrary");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first unwatched, unhidden") << QStringList{"cur", "*b", "!c", "d"} << QStringList{} << true << "d";
        QTest::newRow("all watched: first other") << QStringList{"cur", "*b"} << QStringList{} << true << "b";
        QTest::newRow("only the current") << QStringList{"cur"} << QStringList{} << true << "";
        QTest::newRow("hidden only") << QStringList{"!c"} << QStringList{} << true << "";
        QTest::newRow("queue first") << QStringList{"d"} << QStringList{"q1", "q2"} << true << "q1";
        QTest::newRow("library gone") << QStringList{"cur", "*b", "!c"} << QStringList{} << false << "b";
    }

    void nextCandidate()
    {
        QFETCH(QStringList, related);
        QFETCH(QStringList, queue);
        QFETCH(bool, withLibrary);
        QFETCH(QString, expected);
        Rig rig;
        rig.library->hideChannel(QStringLiteral("Oculto"));
        QList<Video> list;
        for (QString id : related) {
            const bool watched = id.startsWith(u'*');
            const bool hidden = id.startsWith(u'!');
            if (watched || hidden)
                id = id.mid(1);
            const Video v = makeVideo(id, hidden ? QStringLiteral("Oculto") : QStringLiteral("Canal"));
            if (watched)
                rig.library->addToHistory(v);
            list << v;
        }
        QVERIFY(rig.start(QStringLiteral("cur")));
        Probe::setRelated(rig.store, list);
        rig.store.setQueue(videos(queue));
        if (!withLibrary)
            rig.library.reset();
        const std::optional<Video> next = rig.store.nextCandidate();
        QCOMPARE(next ? next->id : QString(), expected);
    }

    void enqueue()
    {
        Rig rig;
        QVERIFY(rig.start(QStringLiteral("cur")));
        rig.store.enqueue(makeVideo(QStringLiteral("cur"))); // the current video is not queued
        QVERIFY(rig.store.queue().isEmpty());
        rig.store.enqueue(makeVideo(QStringLiteral("a")));
        rig.store.enqueue(makeVideo(QStringLiteral("b")));
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Añadido a la cola")));
        QCOMPARE(Haptics::shared().given().size(), 2);
        rig.store.enqueue(makeVideo(QStringLiteral("a")));
        QCOMPARE(ids(rig.store.queue()), (QStringList{"a", "b"}));
        QCOMPARE(Haptics::shared().given().size(), 2); // duplicates are silent

        rig.store.playAfterCurrent(makeVideo(QStringLiteral("b")));
        QCOMPARE(ids(rig.store.queue()), (QStringList{"b", "a"}));
        QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Se reproducirá a continuación")));
        rig.store.playAfterCurrent(makeVideo(QStringLiteral("cur")));
        QCOMPARE(ids(rig.store.queue()), (QStringList{"cur", "b", "a"}));

        Defaults::shared().setValue(Pref::haptics, false);
        rig.store.enqueue(makeVideo(QStringLiteral("c")));
        QCOMPARE(Haptics::shared().given().size(), 4);
    }

    // The head of the queue plays next, once the queued copies of the video
    // on screen are gone (they would only open the player again).
    void playNextTakesTheHead()
    {
        Rig rig;
        QVERIFY(rig.start(QStringLiteral("cur")));
        rig.store.setQueue(videos({"cur", "a", "cur", "b"}));
        QSignalSpy changes(&rig.store, &PlayerStore::queueChanged);
        rig.store.playNext();
        QCOMPARE(rig.currentId(), QStringLiteral("a"));
        QCOMPARE(ids(rig.store.queue()), QStringList{"b"});
        QCOMPARE(changes.count(), 1);
        QCOMPARE(rig.store.playedStack().last().id, QStringLiteral("cur"));
        rig.store.setQueue(videos({"a"}));
        rig.store.playNext(); // only a copy of the current, nothing related
        QCOMPARE(rig.currentId(), QStringLiteral("a"));
        QVERIFY(rig.store.queue().isEmpty());
    }

    // Edits by id; a move's destination counts the rows before the move.
    void editQueue_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("to"); // -1: remove
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("remove every copy") << "a" << -1 << QStringList{"b", "c"};
        QTest::newRow("remove a stranger") << "x" << -1 << QStringList{"a", "b", "c", "a"};
        QTest::newRow("last to the top") << "c" << 0 << QStringList{"c", "a", "b", "a"};
        QTest::newRow("first to the end") << "a" << 4 << QStringList{"b", "c", "a", "a"};
        QTest::newRow("onto itself") << "b" << 2 << QStringList{"a", "b", "c", "a"};
        QTest::newRow("move a stranger") << "x" << 0 << QStringList{"a", "b", "c", "a"};
    }

    void editQueue()
    {
        QFETCH(QString, id);
        QFETCH(int, to);
        QFETCH(QStringList, expected);
        Rig rig;
        const QStringList before{"a", "b", "c", "a"};
        rig.store.setQueue(videos(before));
        QSignalSpy changes(&rig.store, &PlayerStore::queueChanged);
        if (to < 0)
            rig.store.removeFromQueue(id);
        else
            rig.store.moveInQueue(id, to);
        QCOMPARE(ids(rig.store.queue()), expected);
        QCOMPARE(changes.count(), expected == before ? 0 : 1);
    }

    // What the end of a video leads to. "during": what the user set before
    // the end, or does during the countdown; "stale": the end of an item the
    // store has already replaced, which is not the end of the current video.
    void endOfVideo_data()
    {
        QTest::addColumn<bool>("autoplay");
        QTest::addColumn<bool>("countdown");
        QTest::addColumn<QStringList>("queue");
        QTest::addColumn<QString>("during");
        QTest::addColumn<bool>("counts");
        QTest::addColumn<QString>("next"); // "" nothing plays
        QTest::addColumn<bool>("forgotten");
        const QStringList none;
        QTest::newRow("autoplay with countdown") << true << true << none << "" << true << "rel" << true;
        QTest::newRow("autoplay at once") << true << false << none << "" << false << "rel" << true;
        QTest::newRow("autoplay off") << false << true << none << "" << false << "" << true;
        QTest::newRow("queue plays at once") << false << true << QStringList{"q"} << "" << false << "q" << true;
        QTest::newRow("countdown closed") << true << true << none << "close" << false << "" << true;
        QTest::newRow("queued during the countdown wins") << true << true << none << "enqueue" << true << "late"
                                                          << true;
        QTest::newRow("loop restarts") << true << false << none << "loop" << false << "" << false;
        QTest::newRow("sleep at the end") << true << false << QStringList{"q"} << "sleep" << false << "" << true;
        QTest::newRow("stale end") << true << false << none << "stale" << false << "" << false;
    }

    void endOfVideo()
    {
        QFETCH(bool, autoplay);
        QFETCH(bool, countdown);
        QFETCH(QStringList, queue);
        QFETCH(QString, during);
        QFETCH(bool, counts);
        QFETCH(QString, next);
        QFETCH(bool, forgotten);
        Defaults::shared().setValue(Pref::autoplay, autoplay);
        Defaults::shared().setValue(Pref::countdown, countdown);
        Rig rig({200, 40});
        const QString id = QStringLiteral("ending");
        rig.library->setPosition(id, 300);
        QVERIFY(rig.start(id));
        Probe::setRelated(rig.store, {makeVideo(QStringLiteral("rel"))});
        rig.store.setQueue(videos(queue));
        rig.store.setLoop(during == QLatin1String("loop"));
        if (during == QLatin1String("sleep"))
            rig.store.setSleep(QVariant(), true);
        QList<qint64> shown;
        connect(&rig.store, &PlayerStore::countdownChanged, this, [&] { shown << rig.store.countdown(); });
        rig.engine->clearRecord();

        if (during == QLatin1String("stale")) {
            emit rig.engine->itemEnded(rig.engine->currentItem() + 100);
            QCoreApplication::processEvents();
        } else {
            rig.finish();
        }
        QCOMPARE(rig.library->position(id) == 0.0, forgotten);
        if (counts || during == QLatin1String("close")) {
            QCOMPARE(rig.store.upNext()->id, QStringLiteral("rel"));
            QCOMPARE(rig.currentId(), id);
        }
        if (during == QLatin1String("enqueue"))
            rig.store.enqueue(makeVideo(QStringLiteral("late")));
        if (during == QLatin1String("close")) {
            QVERIFY(TestTime::waitFor([&] { return rig.store.countdown() == 3; }, 2000));
            rig.store.cancelCountdown();
            QCOMPARE(rig.store.countdown(), 0);
            QTest::qWait(400);
        }
        if (!next.isEmpty())
            QVERIFY(TestTime::waitFor([&] { return rig.currentId() != id; }, 3000));
        QCOMPARE(rig.currentId(), next.isEmpty() ? id : next);
        QVERIFY(!rig.store.upNext());
        if (counts)
            QCOMPARE(shown, (QList<qint64>{5, 4, 3, 2, 1, 0}));

        if (during == QLatin1String("loop")) {
            QCOMPARE(rig.engine->seeks().size(), 1);
            QCOMPARE(rig.engine->seeks().first().target, 0.0);
            QVERIFY(rig.store.isPlaying());
        } else if (during == QLatin1String("sleep")) {
            QCOMPARE(rig.store.toast(), std::optional<QString>(QStringLiteral("Temporizador: pausado")));
            QVERIFY(!rig.store.sleepAtEnd());
            QVERIFY(!rig.store.isPlaying());
            QCOMPARE(ids(rig.store.queue()), QStringList{"q"});
        }
    }

    // A newer toast stays its full time; an older timer never clears it.
    // Timed to the nanosecond over a few rounds: a timer allowed to end a
    // little early does so in some phase of the clock.
    void toastTiming()
    {
        Rig rig({300, 20});
        QElapsedTimer clock;
        clock.start();
        QStringList seen;
        qint64 cleared = -1;
        connect(&rig.store, &PlayerStore::toastChanged, this, [&] {
            seen << rig.store.toast().value_or(QStringLiteral("-"));
            if (!rig.store.toast())
                cleared = clock.nsecsElapsed();
        });
        for (int round = 0; round < 6; ++round) {
            seen.clear();
            cleared = -1;
            rig.store.showToast(QStringLiteral("uno"));
            // A round starts in another phase of the millisecond clock.
            QTest::qWait(150 + 7 * round);
            cleared = -1; // a slow machine may have let the first end already
            // Read before the call, so a slow machine only lengthens what is measured.
            const qint64 second = clock.nsecsElapsed();
            rig.store.showToast(QStringLiteral("dos"));
            QVERIFY(TestTime::waitFor([&] { return cleared >= 0; }, 5000));
            // (A slow machine may let the first end before the second comes.)
            QCOMPARE(seen.first(), QStringLiteral("uno"));
            QCOMPARE(seen.mid(seen.indexOf(QStringLiteral("dos"))), (QStringList{"dos", "-"}));
            // The older timer would have cleared it about 150 ms after the
            // second message; a millisecond covers the timer's own rounding.
            const qint64 shownMs = (cleared - second) / 1000000;
            QVERIFY2(shownMs >= 299, qPrintable(QStringLiteral("round %1: %2 ms").arg(round).arg(shownMs)));
        }
    }
};

QTEST_MAIN(TestPlayerStoreQueue)
#include "tst_playerstore_queue.moc"
