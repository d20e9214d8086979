#include "AppFixture.h"
#include "AvatarStore.h"
#include "Fixtures.h"
#include "LibraryStore.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "SimulatedEngine.h"
#include "YTPlaylistModel.h"

#include <QGuiApplication>
#include <QTest>
#include <QCoroTask>

class TestYTPlaylist : public QObject
{
    Q_OBJECT

    AppFixture m_backend;

    QString playlistId(qsizetype fromEnd) const
    {
        const QList<FxPlaylist> &all = m_backend->fixtures().playlists();
        return all.at(all.size() - fromEnd).id;
    }

private slots:
    void initTestCase() { QVERIFY2(m_backend.start(), qPrintable(m_backend.error())); }
    void init() { m_backend.reset(); }

    void subtitles_data()
    {
        QTest::addColumn<int>("fromEnd");
        QTest::addColumn<QString>("subtitle"); // %1: the owner channel
        QTest::newRow("no owner channel") << 1 << u"8 vídeos"_qs;
        QTest::newRow("empty list") << 2 << u"%1 · 0 vídeos"_qs;
        QTest::newRow("sixty") << 3 << u"%1 · 60 vídeos"_qs;
    }

    void subtitles()
    {
        QFETCH(int, fromEnd);
        QFETCH(QString, subtitle);
        YTPlaylistModel model;
        model.setPlaylistId(playlistId(fromEnd));
        QVERIFY(model.state().isLoading());
        QCoro::waitFor(model.load());
        QVERIFY(model.state().isLoaded());
        const Fixtures &fx = m_backend->fixtures();
        const int channel = fx.playlists().at(fx.playlists().size() - fromEnd).channel;
        QCOMPARE(model.subtitle(), channel < 0 ? subtitle : subtitle.arg(fx.channels().at(channel).name));
    }

    // Only the newest load writes: a slow failure never hides a newer list,
    // and a failure keeps the list it had (not shown while failed).
    void overlappingLoads()
    {
        YTPlaylistModel model;
        model.setPlaylistId(playlistId(3));
        FaultRule slowFailure;
        slowFailure.pathPrefix = u"/api/playlist"_qs;
        slowFailure.status = 500;
        slowFailure.delayMs = 400;
        slowFailure.times = 1;
        m_backend->addFault(slowFailure);
        model.setOnScreen(true);
        // The slow failure is the first request's: let it reach the backend first.
        QTest::qWait(150);
        QCoro::waitFor(model.load());
        QVERIFY(model.state().isLoaded());
        QTest::qWait(600);
        QVERIFY(model.state().isLoaded());
        QCOMPARE(model.videos()->count(), 60);

        m_backend->failPath(u"/api/playlist"_qs, 500, u"No disponible"_qs);
        QCoro::waitFor(model.load());
        QCOMPARE(model.state(), LoadState::failed(u"No disponible"_qs));
        QVERIFY(model.hasPlaylist());
    }

    // The screen on the feed view: the spinner alone while a load runs,
    // each time the screen comes; the error alone, with its retry; then the
    // title, the subtitle and the buttons over the rows.
    void screen()
    {
        QmlHarness::failOnQmlWarnings();
        LibraryStore library;
        PlayerStore player(new SimulatedEngine);
        AvatarStore avatars;
        QmlHarness qml;
        qml.window()->resize(430, 932);
        m_backend->delayPath(u"/api/playlist"_qs, 300);
        QQuickItem *root = qml.load(QUrl(u"qrc:/Nimbelora/Settings/qml/YTPlaylistScreen.qml"_qs),
                                    {{u"player"_qs, QVariant::fromValue(&player)},
                                     {u"library"_qs, QVariant::fromValue(&library)},
                                     {u"avatars"_qs, QVariant::fromValue(&avatars)},
                                     {u"playlistId"_qs, playlistId(1)}});
        QVERIFY2(root, qPrintable(qml.errors()));
        auto shown = [&](const QString &name) { return QmlHarness::shownItems(root, name).size(); };
        auto only = [&](const QString &name) {
            for (const QString &n : {u"feedSpinner"_qs, u"feedError"_qs, u"playlistTitle"_qs})
                if (shown(n) != (n == name ? 1 : 0))
                    return false;
            return true;
        };

        QVERIFY(only(u"feedSpinner"_qs));
        QVERIFY(QmlHarness::waitFor([&] { return only(u"playlistTitle"_qs) && shown(u"videoRow"_qs) > 0; }));
        const FxPlaylist &fx = m_backend->fixtures().playlists().last();
        QCOMPARE(QmlHarness::findIn(root, u"playlistTitle"_qs)->property("text").toString(), fx.title);
        QCOMPARE(QmlHarness::findIn(root, u"playlistSubtitle"_qs)->property("text").toString(), u"8 vídeos"_qs);
        QCOMPARE(shown(u"playAllButton"_qs), 1);

        m_backend->clearFaults();
        m_backend->failPath(u"/api/playlist"_qs, 500, u"No disponible"_qs);
        root->setProperty("active", false);
        root->setProperty("active", true);
        QVERIFY(only(u"feedSpinner"_qs));
        QVERIFY(QmlHarness::waitFor([&] { return only(u"feedError"_qs); }));
        QCOMPARE(shown(u"videoRow"_qs), 0);
        QCOMPARE(QmlHarness::findIn(root, u"feedError"_qs)->property("message").toString(), u"No disponible"_qs);

        m_backend->clearFaults();
        const QList<QQuickItem *> retry = QmlHarness::shownItems(root, u"retryButton"_qs);
        QCOMPARE(retry.size(), 1);
        QVERIFY(qml.click(retry.first()));
        QVERIFY(QmlHarness::waitFor([&] { return only(u"playlistTitle"_qs) && shown(u"videoRow"_qs) > 0; }));
    }
};

QTEST_MAIN(TestYTPlaylist)
#include "tst_ytplaylist.moc"
