#include "AppFixture.h"
#include "Fixtures.h"
#include "YTPlaylistModel.h"

#include <QCoreApplication>
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
};

QTEST_GUILESS_MAIN(TestYTPlaylist)
#include "tst_ytplaylist.moc"
