#include "AppFixture.h"
#include "AvatarStore.h"
#include "Defaults.h"
#include "DiskCache.h"
#include "FileWriter.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "ShortsStore.h"
#include "SimulatedEngine.h"

#include <QDir>
#include <QGuiApplication>
#include <QWheelEvent>
#include <QTest>
#include <memory>

class TestShortsView : public QObject
{
    Q_OBJECT

    AppFixture m_fx;
    SimulatedEngine *m_main = nullptr;
    std::unique_ptr<PlayerStore> m_player;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<AvatarStore> m_avatars;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;

    ShortsStore *store() const { return m_root->property("store").value<ShortsStore *>(); }
    SimulatedEngine *engine() const { return static_cast<SimulatedEngine *>(store()->player()); }
    // The one named item the user sees.
    QQuickItem *shown(const QString &name) const
    {
        const QList<QQuickItem *> items = QmlHarness::shownItems(m_root, name);
        return items.size() == 1 ? items.first() : nullptr;
    }

    // The screen, shown, with its first Short current and ready.
    bool load()
    {
        m_qml = std::make_unique<QmlHarness>();
        m_root = m_qml->load(QUrl(u"qrc:/Nimbelora/Shorts/qml/ShortsView.qml"_qs),
                             {{u"player"_qs, QVariant::fromValue<QObject *>(m_player.get())},
                              {u"library"_qs, QVariant::fromValue<QObject *>(m_library.get())},
                              {u"avatars"_qs, QVariant::fromValue<QObject *>(m_avatars.get())}});
        if (!m_root) {
            qWarning("%s", qPrintable(m_qml->errors()));
            return false;
        }
        if (!QTest::qWaitFor([this] { return !store()->currentID().isEmpty(); }))
            return false;
        engine()->makeReady(16);
        // The pager makes its pages when it next lays out.
        return QTest::qWaitFor([this] { return shown(u"shortTapArea"_qs) != nullptr; });
    }

private slots:
    void initTestCase() { QVERIFY2(m_fx.start(), qPrintable(m_fx.error())); }

    void init()
    {
        m_fx.reset();
        AppFixture::clearData();
        QDir(DiskCache::dir()).removeRecursively();
        ShortsStore::setEngineFactory([] { return new SimulatedEngine; });
        m_main = new SimulatedEngine;
        m_player = std::make_unique<PlayerStore>(m_main);
        m_library = std::make_unique<LibraryStore>();
        m_avatars = std::make_unique<AvatarStore>();
        Haptics::shared().clear();
    }

    void cleanup()
    {
        m_qml.reset();
        m_root = nullptr;
        m_player.reset();
        m_library.reset();
        m_avatars.reset();
        LibraryStore::waitForWrites();
        FileWriter::shared().drain();
    }

    // Each action acts with haptics off too; only the haptic goes.
    void actions_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("haptics");
        QTest::addColumn<QStringList>("given");
        QTest::newRow("tap") << u"shortTapArea"_qs << true << QStringList{u"light"_qs};
        QTest::newRow("tap, haptics off") << u"shortTapArea"_qs << false << QStringList{};
        QTest::newRow("like") << u"shortLike"_qs << true << QStringList{u"success"_qs};
        QTest::newRow("like, haptics off") << u"shortLike"_qs << false << QStringList{};
        QTest::newRow("later") << u"shortLater"_qs << true << QStringList{u"light"_qs};
    }
    void actions()
    {
        QFETCH(QString, button);
        QFETCH(bool, haptics);
        QFETCH(QStringList, given);
        Defaults::shared().setValue(u"pref.haptics"_qs, haptics);
        QVERIFY(load());
        const QString id = store()->currentID();
        QVERIFY(m_qml->click(shown(button)));
        QCOMPARE(Haptics::shared().given(), given);
        QCOMPARE(store()->paused(), button == u"shortTapArea");
        QCOMPARE(m_library->isLiked(id), button == u"shortLike");
        QCOMPARE(m_library->isWatchLater(id), button == u"shortLater");
    }

    // One key press or wheel notch is one page, made current once it rests.
    void pagingInput_data()
    {
        QTest::addColumn<int>("forward"); // a key, or 0 for a wheel notch
        QTest::addColumn<int>("back");
        QTest::newRow("arrows") << int(Qt::Key_Down) << int(Qt::Key_Up);
        QTest::newRow("page keys") << int(Qt::Key_PageDown) << int(Qt::Key_PageUp);
        QTest::newRow("wheel") << 0 << 0;
    }
    void pagingInput()
    {
        QFETCH(int, forward);
        QFETCH(int, back);
        QVERIFY(load());
        const QPoint centre(m_root->width() / 2, m_root->height() / 2);
        auto send = [&](int key, int notch) {
            if (key)
                QTest::keyClick(m_qml->window(), Qt::Key(key));
            else {
                QWheelEvent wheel(centre, m_qml->window()->mapToGlobal(centre), QPoint(), QPoint(0, notch), Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QGuiApplication::sendEvent(m_qml->window(), &wheel);
            }
        };
        send(forward, -120);
        QTRY_COMPARE(store()->currentID(), store()->items().at(1).id);
        send(back, 120);
        QTRY_COMPARE(store()->currentID(), store()->items().at(0).id);
    }

    // While a swipe has not settled, the page in view is not the current one.
    void tapOnAnotherPage()
    {
        QVERIFY(load());
        QQuickItem *pager = m_qml->find(u"shortsPager"_qs);
        pager->setProperty("contentY", pager->height());
        QTRY_VERIFY(shown(u"shortTapArea"_qs));
        QVERIFY(m_qml->click(shown(u"shortTapArea"_qs)));
        QVERIFY(!store()->paused());
        QVERIFY(Haptics::shared().given().isEmpty());
        QVERIFY(!shown(u"shortProgress"_qs));
    }

    void likeFollowsTheLibrary()
    {
        QVERIFY(load());
        QQuickItem *like = shown(u"shortLike"_qs);
        QCOMPARE(like->property("symbol").toString(), u"hand.thumbsup"_qs);
        m_library->toggleLike(store()->items().first());
        QCOMPARE(like->property("symbol").toString(), u"hand.thumbsup.fill"_qs);
        QCOMPARE(like->property("tint").value<QColor>(), QColor::fromRgbF(1.0, 0.176, 0.333));
    }

    // Showing pauses the main player every time; leaving pauses the Short
    // and keeps the user's pause for the next showing.
    void appearAndDisappear()
    {
        m_main->load(QUrl(u"http://127.0.0.1:9/main"_qs), 0, true);
        QVERIFY(load());
        QVERIFY(m_main->isPaused());
        QVERIFY(!engine()->isPaused());
        m_root->setProperty("active", false);
        QVERIFY(engine()->isPaused());
        QVERIFY(!store()->paused());
        m_root->setProperty("active", true);
        QVERIFY(!engine()->isPaused());
        store()->togglePause();
        m_root->setProperty("active", false);
        m_main->play();
        m_root->setProperty("active", true);
        QVERIFY(m_main->isPaused());
        QVERIFY(store()->paused());
        QVERIFY(engine()->isPaused());
    }
};

QTEST_MAIN(TestShortsView)
#include "tst_shortsview.moc"
