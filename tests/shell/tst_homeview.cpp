#include "AppFixture.h"
#include "AuthStore.h"
#include "AvatarStore.h"
#include "Defaults.h"
#include "DiskCache.h"
#include "FeedModel.h"
#include "FileWriter.h"
#include "Fixtures.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "MemoryKeychain.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "Router.h"
#include "SampleVideos.h"
#include "SimulatedEngine.h"
#include "VideoFilterModel.h"
#include "VideoListModel.h"
#include "ViewRows.h"
#include "Warmer.h"
#include "WebSignIn.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QFontMetricsF>
#include <QTest>
#include <QUrlQuery>
#include <functional>
#include <memory>

namespace {

QJsonObject videoJson(const QString &id, const QString &channel)
{
    return QJsonObject{{"id", id}, {"title", QStringLiteral("Vídeo ") + id}, {"channel", channel}, {"duration", 600}};
}

QByteArray body(const QJsonArray &a) { return QJsonDocument(a).toJson(QJsonDocument::Compact); }

Video video(const QString &id, const QString &channel)
{
    return Json::decode<Video>(QJsonDocument(videoJson(id, channel)).toJson());
}

QStringList textsIn(QQuickItem *item)
{
    QStringList out;
    std::function<void(QQuickItem *)> walk = [&](QQuickItem *i) {
        if (!i->isVisible())
            return;
        if (i->inherits("QQuickText"))
            out << i->property("text").toString();
        for (QQuickItem *c : i->childItems())
            walk(c);
    };
    walk(item);
    return out;
}

} // namespace

class TestHomeView : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<PlayerStore> m_player;
    std::unique_ptr<AuthStore> m_auth;
    std::unique_ptr<Router> m_router;
    std::unique_ptr<AvatarStore> m_avatars;
    std::unique_ptr<QmlHarness> m_qml;
    QQuickItem *m_root = nullptr;

    void serve(const QString &path, const QString &id, const QJsonArray &videos, int delayMs = 0)
    {
        m_backend->servePath(path, id, body(videos), delayMs);
    }

    bool load(int width = 430)
    {
        m_auth = std::make_unique<AuthStore>(*m_keychain, *m_web);
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(width, 932);
        m_root = m_qml->loadSource("import Nimbelora.Shell\nHomeView {}\n",
                                   {{u"player"_qs, QVariant::fromValue<QObject *>(m_player.get())},
                                    {u"library"_qs, QVariant::fromValue<QObject *>(m_library.get())},
                                    {u"auth"_qs, QVariant::fromValue<QObject *>(m_auth.get())},
                                    {u"router"_qs, QVariant::fromValue<QObject *>(m_router.get())},
                                    {u"avatars"_qs, QVariant::fromValue<QObject *>(m_avatars.get())}});
        if (!m_root)
            qWarning("%s", qPrintable(m_qml->errors()));
        return m_root != nullptr;
    }

    FeedModel *feed() const { return m_root->property("model").value<FeedModel *>(); }
    VideoFilterModel *shown() const { return m_root->findChild<VideoFilterModel *>(); }
    QList<QQuickItem *> shownNamed(const QString &name) const { return QmlHarness::shownItems(m_root, name); }
    // Any item of that name in the visual tree (the harness looks among QObject children only).
    QQuickItem *item(const QString &name) const
    {
        QList<QQuickItem *> all = QmlHarness::findAllIn(m_root, name);
        return all.isEmpty() ? nullptr : all.first();
    }

    bool waitLoaded() const
    {
        return TestTime::waitFor([&] { return feed()->state().isLoaded() && !shownNamed(u"videoCard"_qs).isEmpty(); }, 8000);
    }

    QStringList requestedPages(const QString &category) const
    {
        QStringList out;
        for (const RequestRecord &r : m_backend->requests().matching(u"/api/feed"_qs)) {
            const QUrlQuery q(r.rawQuery);
            if (q.queryItemValue(u"cat"_qs) == category)
                out.append(q.queryItemValue(u"page"_qs));
        }
        return out;
    }

    // The cards the grid's made rows show, row after row, by video id.
    static QStringList gridCards(QQuickItem *grid)
    {
        QStringList out;
        const int rows = grid->property("count").toInt();
        for (int i = 0; i < rows; ++i) {
            QQuickItem *row = nullptr;
            QMetaObject::invokeMethod(grid, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row), Q_ARG(int, i));
            for (QQuickItem *card : QmlHarness::findAllIn(row, u"videoCard"_qs))
                if (card->parentItem()->isVisible())
                    out << card->property("video").value<Video>().id;
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_backend.start(), qPrintable(m_backend.error()));
        Warmer::setSender([](const QStringList &) {});
    }

    void init()
    {
        QmlHarness::failOnQmlWarnings();
        FileWriter::shared().drain();
        // A fresh library and list cache; the image cache stays (it is in use).
        AppFixture::clearData();
        QDir(DiskCache::dir()).removeRecursively();
        m_backend.reset();
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        m_library = std::make_unique<LibraryStore>();
        m_player = std::make_unique<PlayerStore>(new SimulatedEngine);
        m_player->attach(m_library.get());
        m_router = std::make_unique<Router>();
        m_avatars = std::make_unique<AvatarStore>();
        Haptics::shared().clear();
    }

    void cleanup()
    {
        m_qml.reset();
        m_root = nullptr;
        m_player.reset();
        m_auth.reset();
        m_router.reset();
        m_avatars.reset();
        m_library.reset();
        LibraryStore::waitForWrites();
        AvatarStore::waitForWrites();
    }

    void gridColumnsFollowTheWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columns");
        QTest::newRow("phone") << 430 << 1;
        QTest::newRow("just under two") << 733 << 1;
        QTest::newRow("two") << 734 << 2;
        QTest::newRow("wide") << 1200 << 3;
    }
    void gridColumnsFollowTheWidth()
    {
        QFETCH(int, width);
        QFETCH(int, columns);
        QVERIFY(load(width));
        QVERIFY(waitLoaded());
        QQuickItem *grid = m_qml->find(u"feedGrid"_qs);
        QVERIFY(grid);
        QCOMPARE(grid->property("columns").toInt(), columns);
        const double columnWidth = grid->property("columnWidth").toDouble();
        QVERIFY(columnWidth >= 340);
        QCOMPARE(columnWidth, (width - 32 - (columns - 1) * 22.0) / columns);

        // The cards of the first row sit side by side, 22 apart.
        QList<QQuickItem *> cards = shownNamed(u"videoCard"_qs);
        std::sort(cards.begin(), cards.end(), [](QQuickItem *a, QQuickItem *b) {
            const QPointF pa = a->mapToScene(QPointF()), pb = b->mapToScene(QPointF());
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
        QVERIFY(cards.size() >= columns);
        QCOMPARE(cards.first()->mapToScene(QPointF()).x(), 16.0);
        if (columns > 1)
            QCOMPARE(cards.at(1)->mapToScene(QPointF()).x(), 16 + columnWidth + 22);
    }

    // Every row is as tall as a card with a two-line title and its meta line,
    // at every width, so no card runs into the next row.
    void gridRowsHoldTwoLineTitles_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("phone") << 430;
        QTest::newRow("wide") << 1200;
    }
    void gridRowsHoldTwoLineTitles()
    {
        QFETCH(int, width);
        QVERIFY(load(width));
        QVERIFY(waitLoaded());
        QQuickItem *grid = m_qml->find(u"feedGrid"_qs);
        QVERIFY(grid);
        const double columnWidth = grid->property("columnWidth").toDouble();
        const double textRoom = grid->property("rowHeight").toDouble() - (columnWidth * 9 / 16 + 11);
        QQuickItem *title = QmlHarness::findIn(shownNamed(u"videoCard"_qs).first(), u"cardTitle"_qs);
        QQuickItem *meta = QmlHarness::findIn(shownNamed(u"videoCard"_qs).first(), u"cardMeta"_qs);
        QVERIFY(title && meta);
        const QFontMetricsF titleLines(title->property("font").value<QFont>());
        const QFontMetricsF metaLine(meta->property("font").value<QFont>());
        // Two title lines, the gap and one meta line, and never under the avatar's 40.
        QVERIFY2(textRoom >= 2 * titleLines.height() + 3 + metaLine.height() - 1, qPrintable(QString::number(textRoom)));
        QVERIFY(textRoom >= 40);
        QVERIFY2(textRoom <= 2 * titleLines.lineSpacing() + 3 + metaLine.lineSpacing() + 4, qPrintable(QString::number(textRoom)));
        // A card shows no placeholder blocks.
        QVERIFY(QmlHarness::findAllIn(shownNamed(u"videoCard"_qs).first(), u"redactionBlock"_qs).isEmpty());
    }

    void skeletonsWhileTheFirstPageLoads_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("width");
        QTest::newRow("grid") << 0 << 430;
        QTest::newRow("grid, three columns") << 0 << 1200;
        QTest::newRow("list") << 1 << 430;
    }
    void skeletonsWhileTheFirstPageLoads()
    {
        QFETCH(int, layout);
        QFETCH(int, width);
        Defaults::shared().setValue(u"pref.homeLayout"_qs, layout);
        serve(u"/api/feed"_qs, u"foryou"_qs, {videoJson(u"s1"_qs, u"Canal"_qs), videoJson(u"s2"_qs, u"Canal"_qs)}, 800);
        QVERIFY(load(width));
        QVERIFY(TestTime::waitFor([&] { return shownNamed(u"skeletonCard"_qs).size() >= 2; }, 3000));
        QList<QQuickItem *> all = QmlHarness::findAllIn(m_root, u"skeletonCard"_qs);
        QCOMPARE(all.size(), 4);
        // They take the width the cards will have, not their own.
        const int columns = std::max(1, (width - 32 + 22) / (340 + 22));
        const double columnWidth = (width - 32 - (columns - 1) * 22.0) / columns;
        for (QQuickItem *s : std::as_const(all))
            QCOMPARE(s->width(), columnWidth);
        // Blocks over the title's two lines and the meta line.
        QVERIFY(QmlHarness::findAllIn(all.first(), u"redactionBlock"_qs).size() >= 2);
        // Placeholders take no tap.
        QQuickItem *skeleton = shownNamed(u"skeletonCard"_qs).first();
        QTest::mouseClick(m_qml->window(), Qt::LeftButton, {}, skeleton->mapToScene(QPointF(60, 60)).toPoint());
        QTest::qWait(50);
        QVERIFY(!m_player->current());

        QVERIFY(TestTime::waitFor([&] { return feed()->state().isLoaded(); }, 5000));
        QVERIFY(TestTime::waitFor([&] { return shownNamed(u"skeletonCard"_qs).isEmpty(); }, 3000));
        const QString item = layout == 1 ? u"videoRow"_qs : u"videoCard"_qs;
        QVERIFY(TestTime::waitFor([&] { return shownNamed(item).size() == 2; }, 3000));
    }

    void errorStateWithRetry()
    {
        const qint64 fault = m_backend->failPath(u"/api/feed"_qs, 500, u"El servidor se cayó"_qs);
        QVERIFY(load());
        QVERIFY(TestTime::waitFor([&] { return feed()->state().isFailed(); }, 5000));
        QQuickItem *error = nullptr;
        QVERIFY(TestTime::waitFor([&] {
            const auto errors = shownNamed(u"feedError"_qs);
            error = errors.isEmpty() ? nullptr : errors.first();
            return error != nullptr;
        }, 3000));
        const QStringList texts = textsIn(error);
        QVERIFY(texts.contains(u"No se pudo cargar"_qs));
        QVERIFY(texts.contains(u"El servidor se cayó"_qs));
        QVERIFY(texts.contains(u"Reintentar"_qs));

        m_backend->faults().remove(fault);
        m_backend->delayPath(u"/api/feed"_qs, 1000);
        QTest::qWait(300); // the view settles on the error
        QVERIFY(m_qml->click(QmlHarness::findIn(error, u"retryButton"_qs)));
        // The placeholders show from the top, not scrolled by the error's place.
        QTest::qWait(300);
        QCOMPARE(item(u"skeletonGrid"_qs)->mapToScene(QPointF()).y(), item(u"feedGrid"_qs)->mapToScene(QPointF()).y() + 8);
        QVERIFY(waitLoaded());
        QVERIFY(shownNamed(u"feedError"_qs).isEmpty());
    }

    // A loaded but empty list shows nothing: no error, no placeholders.
    void emptyListShowsNothing()
    {
        serve(u"/api/feed"_qs, u"foryou"_qs, {});
        QVERIFY(load());
        QVERIFY(TestTime::waitFor([&] { return feed()->state().isLoaded(); }, 5000));
        QTest::qWait(100);
        QVERIFY(shownNamed(u"feedError"_qs).isEmpty());
        QVERIFY(shownNamed(u"skeletonCard"_qs).isEmpty());
        QVERIFY(shownNamed(u"videoCard"_qs).isEmpty());
    }

    // Hidden channels always, the 60 newest watched videos on request.
    void filtersAtDisplayTime_data()
    {
        QTest::addColumn<bool>("hideWatched");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("hidden channel only") << false << QStringList{"b1", "b2", "old", "b3"};
        QTest::newRow("and watched") << true << QStringList{"b2", "old", "b3"};
    }
    void filtersAtDisplayTime()
    {
        QFETCH(bool, hideWatched);
        Defaults::shared().setValue(u"pref.hideWatched"_qs, hideWatched);
        serve(u"/api/feed"_qs, u"foryou"_qs,
              {videoJson(u"a1"_qs, u"Canal \u00C1"_qs), videoJson(u"b1"_qs, u"Canal B"_qs), videoJson(u"a2"_qs, u"Canal \u00C1"_qs),
               videoJson(u"b2"_qs, u"Canal B"_qs), videoJson(u"old"_qs, u"Canal B"_qs), videoJson(u"b3"_qs, u"Canal B"_qs)});
        // Hidden as typed decomposed; the feed spells it composed.
        m_library->hideChannel(u"Canal A\u0301"_qs);
        // "old" is the 61st newest entry; "b1" the newest.
        m_library->addToHistory(video(u"old"_qs, u"Canal B"_qs));
        for (int i = 0; i < 59; ++i)
            m_library->addToHistory(video(u"h"_qs + QString::number(i), u"Otro"_qs));
        m_library->addToHistory(video(u"b1"_qs, u"Canal B"_qs));
        m_library->addToHistory(video(u"z"_qs, u"Otro"_qs));
        QCOMPARE(m_library->history().size(), 62);

        QVERIFY(load());
        QVERIFY(waitLoaded());
        QCOMPARE(ids(feed()->items()).size(), 6); // the model keeps all
        QFETCH(QStringList, expected);
        QCOMPARE(ids(shown()->videos()), expected);

        // Hiding another channel takes effect at once.
        m_library->hideChannel(u"Canal B"_qs);
        QVERIFY(shown()->videos().isEmpty());
        // Toggling the setting while shown.
        m_library->unhideChannel(u"Canal B"_qs);
        Defaults::shared().setValue(u"pref.hideWatched"_qs, !hideWatched);
        QVERIFY(TestTime::waitFor([&] { return shown()->videos().size() == (hideWatched ? 4 : 3); }, 2000));
    }

    // Switching the watched filter on and off, slowly or fast, leaves every
    // shown video drawn in the model's order, with nothing missing, doubled
    // or faded; in the grid each card shows the video of its place.
    void watchedFilterToggled_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("pause"); // ms between switches
        for (int layout : {0, 1})
            for (int pause : {0, 40, 400})
                QTest::addRow("%s, %d ms apart", layout ? "rows" : "grid", pause) << layout << pause;
    }
    void watchedFilterToggled()
    {
        QFETCH(int, layout);
        QFETCH(int, pause);
        QJsonArray page;
        for (int i = 1; i <= 12; ++i)
            page.append(videoJson(u"f"_qs + QString::number(i), u"Canal"_qs));
        serve(u"/api/feed"_qs, u"foryou"_qs, page);
        for (const QString &id : {u"f2"_qs, u"f3"_qs, u"f6"_qs})
            m_library->addToHistory(video(id, u"Canal"_qs));
        Defaults::shared().setValue(u"pref.homeLayout"_qs, layout);
        QVERIFY(load());
        QVERIFY(TestTime::waitFor([&] { return feed()->state().isLoaded(); }, 8000));
        QQuickItem *view = nullptr;
        QVERIFY(TestTime::waitFor([&] { return (view = m_qml->find(layout ? u"feedList"_qs : u"feedGrid"_qs)); }, 3000));
        const QByteArray role = layout ? "videoId" : "first";
        auto drawnRight = [&] {
            const QString problem = ViewRows::problem(view, role, layout ? -1 : 0);
            if (!problem.isEmpty())
                return problem;
            const QStringList want = ids(shown()->videos());
            if (ViewRows::model(view, role).isEmpty() || (layout == 1 && ViewRows::model(view) != want))
                return u"the view's rows are not the shown videos"_qs;
            if (layout == 1)
                return QString();
            const QStringList cards = gridCards(view);
            const int first = ViewRows::made(view, role).value(0).toInt();
            return !cards.isEmpty() && cards == want.mid(first, cards.size())
                       ? QString() : u"cards "_qs + cards.join(u' ') + u" where "_qs + want.join(u' ');
        };
        QTRY_COMPARE(drawnRight(), QString());

        for (bool on : {true, false, true, false, true}) {
            Defaults::shared().setValue(u"pref.hideWatched"_qs, on);
            QTest::qWait(pause);
        }
        QTRY_COMPARE(ids(shown()->videos()).size(), 9);
        QTRY_COMPARE(drawnRight(), QString());
        Defaults::shared().setValue(u"pref.hideWatched"_qs, false);
        QTRY_COMPARE(ids(shown()->videos()).size(), 12);
        QTRY_COMPARE(drawnRight(), QString());
        // Scrolled down and back, the reused rows come back whole.
        view->setProperty("contentY", view->property("contentHeight").toReal() / 2);
        QTRY_COMPARE(drawnRight(), QString());
        QMetaObject::invokeMethod(view, "positionViewAtBeginning");
        QTRY_COMPARE(drawnRight(), QString());
    }

    void tapPlaysTheVideo()
    {
        serve(u"/api/feed"_qs, u"foryou"_qs, {videoJson(u"dQw4w9WgXcQ"_qs, u"Canal"_qs)});
        QVERIFY(load());
        QVERIFY(waitLoaded());
        QVERIFY(m_qml->click(shownNamed(u"videoCard"_qs).first()));
        QVERIFY(TestTime::waitFor([&] { return m_player->current().has_value(); }, 3000));
        QCOMPARE(m_player->current()->id, u"dQw4w9WgXcQ"_qs);
        QVERIFY(m_player->expanded());
        QCOMPARE(m_library->history().first().video.id, u"dQw4w9WgXcQ"_qs);
        QCOMPARE(Haptics::shared().given(), QStringList{u"light"_qs});
    }

    void layoutSwitch_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("symbolBefore");
        QTest::addColumn<int>("after");
        QTest::newRow("grid to list") << 0 << "rectangle.grid.1x2" << 1;
        QTest::newRow("list to grid") << 1 << "square.grid.2x2" << 0;
        QTest::newRow("an unknown value shows the grid") << 5 << "square.grid.2x2" << 0;
    }
    void layoutSwitch()
    {
        QFETCH(int, stored);
        QFETCH(int, after);
        Defaults::shared().setValue(u"pref.homeLayout"_qs, stored);
        QVERIFY(load());
        QVERIFY(TestTime::waitFor([&] { return feed()->state().isLoaded(); }, 5000));
        auto listShown = [&] { return !shownNamed(u"feedList"_qs).isEmpty(); };
        auto gridShown = [&] { return !shownNamed(u"feedGrid"_qs).isEmpty(); };
        QVERIFY(TestTime::waitFor([&] { return stored == 1 ? listShown() : gridShown(); }, 3000));

        QQuickItem *button = m_qml->find(u"layoutButton"_qs);
        QVERIFY(button);
        QFETCH(QString, symbolBefore);
        QCOMPARE(button->property("symbol").toString(), symbolBefore);
        QVERIFY(m_qml->click(button));
        QCOMPARE(Defaults::shared().intValue(u"pref.homeLayout"_qs), after);
        QVERIFY(TestTime::waitFor([&] { return after == 1 ? listShown() : gridShown(); }, 3000));
        if (after == 1)
            QVERIFY(TestTime::waitFor([&] { return !shownNamed(u"videoRow"_qs).isEmpty(); }, 3000));
    }

    void chips()
    {
        Defaults::shared().setValue(u"pref.hiddenCats"_qs, u"music,,news,foryou"_qs);
        QVERIFY(load());
        QVERIFY(TestTime::waitFor([&] { return feed()->state().isLoaded(); }, 5000));
        QVERIFY(item(u"chip_foryou"_qs));
        QVERIFY(item(u"chip_gaming"_qs));
        QVERIFY(!item(u"chip_music"_qs));
        QVERIFY(!item(u"chip_news"_qs));

        QVERIFY(m_qml->click(item(u"chip_gaming"_qs)));
        QCOMPARE(feed()->selected(), u"gaming"_qs);
        QVERIFY(TestTime::waitFor([&] { return requestedPages(u"gaming"_qs) == QStringList{u"0"_qs}; }, 5000));
        QVERIFY(TestTime::waitFor([&] { return feed()->loadedFor() == u"gaming"_qs; }, 5000));
        QCOMPARE(Haptics::shared().given(), QStringList{u"light"_qs});
        // Its gradient runs corner to corner: deeper at the bottom than at the top of one column.
        QQuickItem *fill = QmlHarness::findIn(item(u"chip_gaming"_qs), u"chipGradient"_qs);
        const QImage shot = m_qml->window()->grabWindow();
        const QPoint mid = fill->mapToScene(QPointF(fill->width() / 2, 0)).toPoint();
        const QColor top = shot.pixelColor(mid + QPoint(0, 3)), bottom = shot.pixelColor(mid + QPoint(0, int(fill->height()) - 4));
        QVERIFY(top.red() + top.green() + top.blue() - bottom.red() - bottom.green() - bottom.blue() > 6); // across only: equal

        // The selected chip again: the haptic, and nothing reloads.
        QVERIFY(m_qml->click(item(u"chip_gaming"_qs)));
        QTest::qWait(200);
        QCOMPARE(requestedPages(u"gaming"_qs), QStringList{u"0"_qs});
        QCOMPARE(Haptics::shared().given().size(), 2);
    }

    void continueWatchingOnlyOnThePersonalCategory()
    {
        const Video half = video(u"half"_qs, u"Canal"_qs);
        Video withLength = half;
        withLength.duration = 600;
        m_library->addToHistory(withLength);
        m_library->setPosition(withLength.id, 300);
        QVERIFY(!m_library->inProgress().isEmpty());

        QVERIFY(load());
        QVERIFY(TestTime::waitFor([&] { return feed()->state().isLoaded(); }, 5000));
        QVERIFY(TestTime::waitFor([&] { return !shownNamed(u"continueBlock"_qs).isEmpty(); }, 3000));
        QVERIFY(textsIn(shownNamed(u"continueBlock"_qs).first()).contains(u"Seguir viendo"_qs));
        QCOMPARE(shownNamed(u"continueCard"_qs).size(), 1);
        QList<QQuickItem *> fill = QmlHarness::findAllIn(shownNamed(u"continueCard"_qs).first(), u"progressFill"_qs);
        QCOMPARE(fill.size(), 1);
        QCOMPARE(fill.first()->width(), 110.0); // half of 220

        feed()->setSelected(u"gaming"_qs);
        QVERIFY(TestTime::waitFor([&] { return shownNamed(u"continueBlock"_qs).isEmpty(); }, 3000));

        // Its tap plays like a card's.
        feed()->setSelected(u"foryou"_qs);
        QVERIFY(TestTime::waitFor([&] { return !shownNamed(u"continueCard"_qs).isEmpty(); }, 3000));
        QVERIFY(m_qml->click(shownNamed(u"continueCard"_qs).first()));
        QVERIFY(TestTime::waitFor([&] { return m_player->current().has_value(); }, 3000));
        QCOMPARE(m_player->current()->id, u"half"_qs);
    }

    // When the bar first shows, the selected chip lies whole inside it,
    // wherever it is in the row: on the home screen as it starts, and on a
    // bar made with a chip chosen at its start, middle or end. As in the
    // app's window, the page gets its width a moment after it is made.
    void selectedChipShownAtFirst_data()
    {
        QTest::addColumn<QString>("selected"); // empty: the home screen itself
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("home, signed out") << QString() << false;
        QTest::newRow("home, signed in") << QString() << true;
        QTest::newRow("the first") << u"foryou"_qs << false;
        QTest::newRow("in the middle") << u"sports"_qs << false;
        QTest::newRow("the last") << u"comedy"_qs << false;
    }
    void selectedChipShownAtFirst()
    {
        QFETCH(QString, selected);
        QFETCH(bool, signedIn);
        if (signedIn) {
            m_keychain->set(QString::fromLatin1(AuthStore::sessionKey), u"s1.x.y.z"_qs);
            Defaults::shared().setValue(QString::fromLatin1(AuthStore::accountKey), u"{\"name\":\"Ana\"}"_qs);
        }
        m_auth = std::make_unique<AuthStore>(*m_keychain, *m_web);
        QByteArray content;
        if (selected.isEmpty()) {
            selected = u"foryou"_qs;
            content = "HomeView { width: parent.width; height: page.height; player: page.player; library: page.library\n"
                      "  auth: page.auth; router: page.router; avatars: page.avatars }\n";
        } else {
            QByteArray categories;
            for (const Category &c : FeedModel::defaultCategories())
                categories += "{id: \"" + c.id.toUtf8() + "\", name: \"" + c.name.toUtf8() + "\"},";
            content = "CategoryChips { objectName: \"categoryChips\"; width: parent.width; height: implicitHeight\n"
                      "  categories: [" + categories + "]; selected: \"" + selected.toUtf8() + "\" }\n";
        }
        m_qml = std::make_unique<QmlHarness>();
        m_root = m_qml->loadSource("import QtQuick\nimport Nimbelora.Shell\n"
                                   "Item { id: page\n"
                                   "  property var player; property var library; property var auth; property var router; property var avatars\n"
                                   "  property real laidOut: 0\n"
                                   "  Timer { running: true; interval: 20; onTriggered: page.laidOut = page.width }\n"
                                   "  Column { width: page.laidOut\n" + content + "  }\n}\n",
                                   {{u"player"_qs, QVariant::fromValue<QObject *>(m_player.get())},
                                    {u"library"_qs, QVariant::fromValue<QObject *>(m_library.get())},
                                    {u"auth"_qs, QVariant::fromValue<QObject *>(m_auth.get())},
                                    {u"router"_qs, QVariant::fromValue<QObject *>(m_router.get())},
                                    {u"avatars"_qs, QVariant::fromValue<QObject *>(m_avatars.get())}});
        QVERIFY2(m_root, qPrintable(m_qml->errors()));
        QQuickItem *bar = nullptr;
        QQuickItem *chip = nullptr;
        QTRY_VERIFY((bar = item(u"categoryChips"_qs)) && bar->width() > 0);
        QTRY_VERIFY((chip = item(u"chip_"_qs + selected)) && chip->width() > 0);
        QTest::qWait(300); // past any glide
        const QRectF seen = bar->mapRectToScene(QRectF(0, 0, bar->width(), bar->height()));
        const QRectF at = chip->mapRectToScene(QRectF(0, 0, chip->width(), chip->height()));
        QVERIFY2(at.left() >= seen.left() - 0.5 && at.right() <= seen.right() + 0.5,
                 qPrintable(u"chip %1..%2, bar %3..%4"_qs.arg(at.left()).arg(at.right()).arg(seen.left()).arg(seen.right())));
    }

    // An upright wheel over a sideways strip moves the strip, not the page.
    void stripsFollowTheWheel_data()
    {
        QTest::addColumn<QString>("strip");
        QTest::newRow("categories") << u"categoryChips"_qs;
        QTest::newRow("Seguir viendo") << u"continueRow"_qs;
    }
    void stripsFollowTheWheel()
    {
        QFETCH(QString, strip);
        for (int i = 0; i < 4; ++i) {
            Video v = video(u"half"_qs + QString::number(i), u"Canal"_qs);
            v.duration = 600;
            m_library->addToHistory(v);
            m_library->setPosition(v.id, 300);
        }
        QVERIFY(load());
        QVERIFY(waitLoaded());
        QTRY_VERIFY(!shownNamed(strip).isEmpty());
        QTest::qWait(100);
        QQuickItem *bar = shownNamed(strip).first();
        QQuickItem *page = item(u"feedGrid"_qs);
        const double pageAt = page->property("contentY").toDouble();

        QVERIFY(m_qml->wheel(bar, QPoint(0, -120)));
        QTRY_VERIFY(bar->property("contentX").toDouble() > 50);
        QCOMPARE(page->property("contentY").toDouble(), pageAt);
    }

    // Home made while the library is still being read shows nothing it
    // would hide, and its "Seguir viendo" once the library is there.
    void homeWaitsForTheLibrary()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QDir().mkpath(folder));
        QFile library(folder + u"/library.json"_qs);
        QVERIFY(library.open(QIODevice::WriteOnly));
        library.write(R"({"history":[{"video":{"id":"half","title":"Mitad","channel":"Canal","duration":600},"date":5}],)"
                      R"("liked":[],"watchLater":[],"subscriptions":[],"searches":[],"hiddenChannels":["Canal A"]})");
        library.close();
        QFile positions(folder + u"/positions.json"_qs);
        QVERIFY(positions.open(QIODevice::WriteOnly));
        positions.write(R"({"half":300})");
        positions.close();
        serve(u"/api/feed"_qs, u"foryou"_qs, {videoJson(u"a1"_qs, u"Canal A"_qs), videoJson(u"b1"_qs, u"Canal B"_qs)});
        m_library = std::make_unique<LibraryStore>();
        m_player->attach(m_library.get());

        QVERIFY(load());
        QVERIFY(waitLoaded());
        QVERIFY(m_library->isLoaded());
        QCOMPARE(ids(shown()->videos()), QStringList{u"b1"_qs});
        QVERIFY(TestTime::waitFor([&] { return !shownNamed(u"continueCard"_qs).isEmpty(); }, 3000));
    }

    // A list filtered by a library still being read shows nothing until it is
    // there, never what the library hides.
    void filterWaitsForTheLibrary()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QDir().mkpath(folder));
        QFile file(folder + u"/library.json"_qs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"history":[],"liked":[],"watchLater":[],"subscriptions":[],"searches":[],"hiddenChannels":["Canal A"]})");
        file.close();
        LibraryStore library;
        VideoListModel source;
        source.replace({video(u"a1"_qs, u"Canal A"_qs), video(u"b1"_qs, u"Canal B"_qs)});
        VideoFilterModel filter;
        filter.setSource(&source);
        filter.setLibrary(&library);
        QCOMPARE(filter.count(), 0);
        QTRY_COMPARE(filter.count(), 1);
        QCOMPARE(filter.at(0).id, u"b1"_qs);
    }

    // The last shown video asks for the next page, also when filters removed
    // the model's tail or a whole page.
    void pagingFromTheLastShownVideo_data()
    {
        QTest::addColumn<QJsonArray>("page1");
        QTest::newRow("hidden tail") << QJsonArray{videoJson(u"v3"_qs, u"Canal"_qs)};
        QTest::newRow("a page of hidden videos only")
            << QJsonArray{videoJson(u"h2"_qs, u"Oculto"_qs), videoJson(u"h3"_qs, u"Oculto"_qs)};
    }
    void pagingFromTheLastShownVideo()
    {
        QFETCH(QJsonArray, page1);
        serve(u"/api/feed"_qs, u"0"_qs,
              {videoJson(u"v1"_qs, u"Canal"_qs), videoJson(u"v2"_qs, u"Canal"_qs), videoJson(u"h1"_qs, u"Oculto"_qs)});
        serve(u"/api/feed"_qs, u"1"_qs, page1);
        serve(u"/api/feed"_qs, u"2"_qs, {videoJson(u"v3"_qs, u"Canal"_qs)});
        m_library->hideChannel(u"Oculto"_qs);
        Defaults::shared().setValue(u"pref.homeLayout"_qs, 1); // rows: all fit on screen
        QVERIFY(load());
        QVERIFY(TestTime::waitFor([&] { return ids(shown()->videos()) == QStringList({"v1", "v2", "v3"}); }, 5000));
    }

    void headerButtons()
    {
        QVERIFY(load());
        QVERIFY(m_qml->click(m_qml->find(u"searchButton"_qs)));
        QCOMPARE(m_router->tab(), AppTab::search);
        QCOMPARE(Haptics::shared().given(), QStringList{u"light"_qs});

        auto accountSheet = [this]() -> QObject * {
            for (QObject *o : m_root->findChildren<QObject *>())
                if (o->inherits("QQuickPopup") && o->property("title").toString() == u"Cuenta"_qs)
                    return o;
            return nullptr;
        };
        QVERIFY(!accountSheet()); // made when first asked for
        QVERIFY(m_qml->click(m_qml->find(u"accountButton"_qs)));
        QObject *sheet = accountSheet();
        QVERIFY(sheet);
        QVERIFY(TestTime::waitFor([&] { return sheet->property("opened").toBool(); }, 3000));
        QCOMPARE(Haptics::shared().given().size(), 1); // the account button gives none

        // Kept once made: the same sheet opens again.
        QMetaObject::invokeMethod(sheet, "close");
        QVERIFY(TestTime::waitFor([&] { return !sheet->property("visible").toBool(); }, 3000));
        QVERIFY(m_qml->click(m_qml->find(u"accountButton"_qs)));
        QCOMPARE(accountSheet(), sheet);
        QVERIFY(TestTime::waitFor([&] { return sheet->property("opened").toBool(); }, 3000));
    }

    // Signing out while the screen is open reloads "Para ti" without the account.
    void accountChangeReloadsThePersonalFeed()
    {
        m_keychain->set(u"session"_qs, m_backend->session());
        Account account;
        account.name = u"Usuario de prueba"_qs;
        Defaults::shared().setValue(QLatin1String(AuthStore::accountKey),
                                    QString::fromUtf8(QJsonDocument(account.toJson()).toJson(QJsonDocument::Compact)));
        serve(u"/api/me/feed"_qs, {}, {videoJson(u"acc1"_qs, u"Canal"_qs)});
        serve(u"/api/feed"_qs, u"foryou"_qs, {videoJson(u"pub1"_qs, u"Canal"_qs)});
        QVERIFY(load());
        QVERIFY(m_auth->account().has_value());
        // Waits for the load of each account state to end: on the way the
        // list may already show what it ends with (the category feed stands
        // in for an account feed asked for while the session goes).
        QVERIFY(TestTime::waitFor([&] { return feed()->loadedFor() == u"foryou+acct"_qs; }, 5000));
        QCOMPARE(ids(feed()->items()), QStringList{u"acc1"_qs});

        QCoro::waitFor(m_auth->logout(false));
        QVERIFY(!m_auth->account());
        // The signed-out list read from the disk cache may show before the
        // backend's reply lands; the load is done when the key says so.
        QTRY_COMPARE_WITH_TIMEOUT(feed()->loadedFor(), u"foryou"_qs, 5000);
        QCOMPARE(ids(feed()->items()), QStringList{u"pub1"_qs});
    }

    void pullToRefreshForcesAReload()
    {
        QVERIFY(load());
        QVERIFY(waitLoaded());
        const qsizetype before = requestedPages(u"foryou"_qs).size();
        QTest::keyClick(m_qml->window(), Qt::Key_F5);
        QVERIFY(TestTime::waitFor([&] { return requestedPages(u"foryou"_qs).size() == before + 1; }, 5000));
        QQuickItem *refresher = nullptr;
        QList<QQuickItem *> spinners = QmlHarness::findAllIn(m_root, u"refreshSpinner"_qs);
        QVERIFY(!spinners.isEmpty());
        refresher = spinners.first()->parentItem();
        QVERIFY(TestTime::waitFor([&] { return !refresher->property("refreshing").toBool(); }, 5000));
    }

    // The thumbnail decorations and the row's views line.
    void decorations_data()
    {
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<bool>("live");
        QTest::addColumn<QVariant>("views");
        QTest::addColumn<double>("position");
        QTest::addColumn<bool>("showProgress");
        QTest::addColumn<QString>("badge");     // empty: no badge
        QTest::addColumn<QString>("viewsText"); // empty: no third line
        QTest::addColumn<double>("fill");       // width of the bar over 150 points; < 0: no bar

        QTest::newRow("live beats the length") << qint64(3600) << true << QVariant(1) << 0.0 << true << "DIRECTO" << "1 vista" << -1.0;
        QTest::newRow("no length, not live: nothing") << qint64(0) << false << QVariant(1500) << 0.0 << true << "" << "1,5 mil vistas" << -1.0;
        QTest::newRow("59 s") << qint64(59) << false << QVariant() << 0.0 << true << "0:59" << "" << -1.0;
        QTest::newRow("an hour") << qint64(3600) << false << QVariant() << 0.0 << true << "1:00:00" << "" << -1.0;
        QTest::newRow("a quarter watched") << qint64(120) << false << QVariant() << 30.0 << true << "2:00" << "" << 37.5;
        QTest::newRow("8 s is no progress") << qint64(120) << false << QVariant() << 8.0 << true << "2:00" << "" << -1.0;
        QTest::newRow("above 97 % is no progress") << qint64(120) << false << QVariant() << 117.0 << true << "2:00" << "" << -1.0;
        QTest::newRow("bars switched off") << qint64(120) << false << QVariant() << 30.0 << false << "2:00" << "" << -1.0;
    }
    void decorations()
    {
        QFETCH(qint64, duration);
        QFETCH(bool, live);
        QFETCH(QVariant, views);
        QFETCH(double, position);
        QFETCH(bool, showProgress);
        QFETCH(QString, badge);
        QFETCH(QString, viewsText);
        QFETCH(double, fill);
        Defaults::shared().setValue(u"pref.showProgress"_qs, showProgress);
        Video v = video(u"dQw4w9WgXcQ"_qs, u"Canal"_qs);
        v.duration = duration;
        v.live = live;
        if (views.isValid())
            v.views = views.toLongLong();
        if (position > 0)
            m_library->setPosition(v.id, position);

        QmlHarness qml;
        QQuickItem *row = qml.loadSource("import Nimbelora.Shell\nVideoRow { width: 400 }\n",
                                         {{u"video"_qs, QVariant::fromValue(v)},
                                          {u"player"_qs, QVariant::fromValue<QObject *>(m_player.get())},
                                          {u"library"_qs, QVariant::fromValue<QObject *>(m_library.get())},
                                          {u"avatars"_qs, QVariant::fromValue<QObject *>(m_avatars.get())}});
        QVERIFY2(row, qPrintable(qml.errors()));
        QList<QQuickItem *> found = QmlHarness::findAllIn(row, u"durationText"_qs);
        QCOMPARE(found.size(), 1);
        QQuickItem *badgeText = found.first();
        QQuickItem *pill = badgeText->parentItem();
        QCOMPARE(pill->isVisible(), !badge.isEmpty());
        if (!badge.isEmpty())
            QCOMPARE(badgeText->property("text").toString(), badge);
        else
            QCOMPARE(pill->width(), 0.0);

        found = QmlHarness::findAllIn(row, u"rowViews"_qs);
        QCOMPARE(found.first()->isVisible(), !viewsText.isEmpty());
        if (!viewsText.isEmpty())
            QCOMPARE(found.first()->property("text").toString(), viewsText);

        found = QmlHarness::findAllIn(row, u"progressFill"_qs);
        const bool bar = found.first()->isVisible();
        QCOMPARE(bar, fill >= 0);
        if (bar)
            QCOMPARE(found.first()->width(), fill);
    }

    // Texts as typed: markup in a title or an error fetches nothing. And the
    // digits of a length keep one width (1:11 as wide as 8:08).
    void cardTexts()
    {
        Video v = video(u"dQw4w9WgXcQ"_qs, u"<img src=\""_qs + m_backend->origin() + u"/api/markup-probe.png\">"_qs);
        v.title = v.channel;
        v.duration = 71;
        QmlHarness qml;
        QVERIFY2(qml.loadSource(R"(
            import QtQuick
            import Nimbelora.Foundation
            import Nimbelora.Shell
            Column {
                property var video; property var player; property var library; property var avatars
                VideoCard { width: 400; video: parent.video; player: parent.player; library: parent.library; avatars: parent.avatars }
                VideoRow { width: 400; video: parent.video; player: parent.player; library: parent.library; avatars: parent.avatars }
                ErrorState { width: 400; height: 300; message: parent.video.title }
            })", {{u"video"_qs, QVariant::fromValue(v)}, {u"player"_qs, QVariant::fromValue<QObject *>(m_player.get())},
                  {u"library"_qs, QVariant::fromValue<QObject *>(m_library.get())}, {u"avatars"_qs, QVariant::fromValue<QObject *>(m_avatars.get())}}),
                 qPrintable(qml.errors()));
        QTest::qWait(300);
        // The tag's characters take room; an image in its place would not.
        for (const QString &name : {u"cardTitle"_qs, u"cardMeta"_qs, u"rowTitle"_qs, u"rowChannel"_qs, u"emptyDescription"_qs})
            QVERIFY2(qml.find(name)->property("implicitWidth").toDouble() > 100, qPrintable(name));
        QVERIFY(m_backend->requests().matching(u"/api/markup-probe"_qs).isEmpty());
        const qreal width = qml.find(u"durationText"_qs)->width();
        v.duration = 488;
        qml.root()->setProperty("video", QVariant::fromValue(v));
        QCOMPARE(qml.find(u"durationText"_qs)->width(), width);
    }

    // Not an assertion: the home screen drawn against the dev backend, for looking.
    void renderHomeScreen()
    {
        if (!m_backend->prepareMedia())
            QSKIP("no media for thumbnails");
        for (const FxVideo &v : m_backend->fixtures().videos().mid(0, 3)) {
            Video watched;
            watched.id = v.id;
            watched.title = v.title;
            watched.channel = m_backend->fixtures().channels().at(v.channel).name;
            watched.duration = 600;
            m_library->addToHistory(watched);
            m_library->setPosition(v.id, 200);
        }
        QVERIFY(load());
        QVERIFY(waitLoaded());
        QTest::qWait(2500); // thumbnails and avatars
        const QString path = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(u"../home-screen.png"_qs);
        QVERIFY(m_qml->window()->grabWindow().save(path));
    }
};

int main(int argc, char *argv[])
{
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestHomeView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_homeview.moc"
