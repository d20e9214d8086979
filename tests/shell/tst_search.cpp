#include "AppFixture.h"
#include "AvatarStore.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "Pasteboard.h"
#include "PlayerStore.h"
#include "QmlHarness.h"
#include "Router.h"
#include "SearchModel.h"
#include "SimulatedEngine.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QTest>
#include <QUrlQuery>
#include <memory>

namespace {

QJsonObject videoJson(const QString &id, const QString &channel, const QString &title = u"Vídeo"_qs)
{
    return QJsonObject{{"id", id}, {"title", title}, {"channel", channel}, {"duration", 600}};
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

    AppFixture m_backend;
    SimulatedEngine *m_engine = nullptr;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<PlayerStore> m_player;
    std::unique_ptr<Router> m_router;
    std::unique_ptr<AvatarStore> m_avatars;
    std::unique_ptr<SearchModel> m_search;
    std::unique_ptr<QmlHarness> m_qml;
    SearchModel *s = nullptr;

    qint64 serve(const QString &path, const QString &id, const QJsonArray &reply, int delayMs = 0, int times = -1)
    {
        return m_backend->servePath(path, id, QJsonDocument(reply).toJson(QJsonDocument::Compact), delayMs, times);
    }

    // The search requests as "q page f" ("-" for no filter).
    QStringList searched() const
    {
        QStringList out;
        for (const RequestRecord &r : m_backend->requests().matching(u"/api/search"_qs)) {
            const QUrlQuery q(r.rawQuery);
            out << q.queryItemValue(u"q"_qs, QUrl::FullyDecoded) + u' ' + q.queryItemValue(u"page"_qs) + u' '
                       + (q.hasQueryItem(u"f"_qs) ? q.queryItemValue(u"f"_qs) : u"-"_qs);
        }
        return out;
    }
    QStringList suggested() const
    {
        QStringList out;
        for (const RequestRecord &r : m_backend->requests().matching(u"/api/suggest"_qs))
            out << QUrlQuery(r.rawQuery).queryItemValue(u"q"_qs, QUrl::FullyDecoded);
        return out;
    }
    bool loaded() const { return TestTime::waitFor([&] { return s->state().isLoaded(); }, 5000); }
    void searchLoaded(const QString &q)
    {
        s->run(q, false);
        QVERIFY(loaded());
    }

    // The search tab's screen with the stores; `s` becomes its model.
    QQuickItem *view()
    {
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(430, 932);
        QQuickItem *root = m_qml->loadSource("import Nimbelora.Shell\nSearchView {}\n",
                                             {{u"player"_qs, QVariant::fromValue<QObject *>(m_player.get())},
                                              {u"library"_qs, QVariant::fromValue<QObject *>(m_library.get())},
                                              {u"router"_qs, QVariant::fromValue<QObject *>(m_router.get())},
                                              {u"avatars"_qs, QVariant::fromValue<QObject *>(m_avatars.get())}});
        if (root)
            s = root->property("model").value<SearchModel *>();
        else
            qWarning("%s", qPrintable(m_qml->errors()));
        return root;
    }
    QList<QQuickItem *> shown(const QString &name) const { return QmlHarness::shownItems(m_qml->root(), name); }

private slots:
    void initTestCase() { QVERIFY2(m_backend.start(), qPrintable(m_backend.error())); }

    void init()
    {
        AppFixture::clearData();
        m_backend.reset();
        m_engine = new SimulatedEngine;
        m_library = std::make_unique<LibraryStore>();
        m_player = std::make_unique<PlayerStore>(m_engine);
        m_player->attach(m_library.get());
        m_router = std::make_unique<Router>();
        m_avatars = std::make_unique<AvatarStore>();
        m_search = std::make_unique<SearchModel>();
        s = m_search.get();
        s->setLibrary(m_library.get());
        s->setPlayer(m_player.get());
        s->setRouter(m_router.get());
        m_router->setTab(AppTab::search);
        Haptics::shared().clear();
    }

    void cleanup()
    {
        m_qml.reset();
        m_search.reset();
        m_player.reset();
        m_router.reset();
        m_avatars.reset();
        m_library.reset();
        LibraryStore::waitForWrites();
    }

    // What a submitted text does; the field held "gatos" results and the "long" filter before.
    void run_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("played");   // video id, or ""
        QTest::addColumn<double>("start");
        QTest::addColumn<bool>("playlist");
        QTest::newRow("trimmed, recorded, filter reset") << "  de \n" << QStringList{"de 0 -"} << "de" << "" << 0.0 << false;
        QTest::newRow("spaces only") << "  \t " << QStringList{} << "gatos" << "" << 0.0 << false;
        QTest::newRow("video link") << "https://youtu.be/dQw4w9WgXcQ?t=83" << QStringList{} << "gatos" << "dQw4w9WgXcQ"
                                    << 83.0 << false;
        QTest::newRow("playlist link") << "https://www.youtube.com/playlist?list=PL0123456789abcdef" << QStringList{}
                                       << "gatos" << "" << 0.0 << true;
    }
    void run()
    {
        QFETCH(QString, input);
        searchLoaded(u"gatos"_qs);
        s->pickFilter(u"long"_qs);
        QVERIFY(loaded());
        m_backend->requests().clear();
        const int shownBefore = s->results()->count();
        s->setSearching(true);
        s->setText(input);

        s->run(input, false);
        QFETCH(QString, term);
        QFETCH(QStringList, requests);
        QFETCH(QString, played);
        QFETCH(bool, playlist);
        QCOMPARE(s->term(), term);
        QCOMPARE(s->searching(), requests.isEmpty() && played.isEmpty() && !playlist);
        QVERIFY(loaded());
        QCOMPARE(searched(), requests);
        QCOMPARE(m_library->searches().first(), requests.isEmpty() ? u"gatos"_qs : u"de"_qs);
        QCOMPARE(s->filter(), requests.isEmpty() ? u"long"_qs : u"any"_qs);

        QFETCH(double, start);
        QCOMPARE(m_player->current() ? m_player->current()->id : QString(), played);
        if (!played.isEmpty()) {
            QCOMPARE(m_player->current()->title, u"Cargando…"_qs);
            m_engine->makeReady(600);
            const bool startsThere = (start == 0 && m_engine->seeks().isEmpty())
                                     || (!m_engine->seeks().isEmpty() && m_engine->seeks().last().target == start);
            QVERIFY(startsThere);
        }
        QCOMPARE(m_router->searchPath().size(), playlist ? 1 : 0);
        if (played.size() + playlist) {
            QCOMPARE(s->text(), QString());          // a link empties the field…
            QCOMPARE(s->results()->count(), shownBefore); // …and the results stay
        }
    }

    void filterQueryItem_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("request");
        QTest::newRow("long") << "long" << "de 0 long";
        QTest::newRow("any sends none") << "any" << "de 0 -";
    }
    void filterQueryItem()
    {
        QFETCH(QString, filter);
        QFETCH(QString, request);
        searchLoaded(u"de"_qs);
        s->pickFilter(u"live"_qs);
        QVERIFY(loaded());
        s->pickFilter(filter);
        QVERIFY(loaded());
        QCOMPARE(searched().last(), request);
        QCOMPARE(s->filter(), filter);
        QCOMPARE(Haptics::shared().given().size(), 2);
    }

    void suggestions_data()
    {
        QTest::addColumn<QStringList>("typed"); // one after another
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("one character") << QStringList{"g"} << QStringList{};
        QTest::newRow("one grapheme of two code points") << QStringList{"e\u0301"} << QStringList{};
        QTest::newRow("spaces around one character") << QStringList{" \tg  "} << QStringList{};
        QTest::newRow("typing quickly") << QStringList{"g", "ga", "gam"} << QStringList{"gam"};
        QTest::newRow("trimmed") << QStringList{"  ga\t"} << QStringList{"ga"};
        QTest::newRow("no-break spaces around one character") << QStringList{"\u00a0g\u00a0"} << QStringList{};
        QTest::newRow("trimmed of ideographic and thin spaces") << QStringList{"\u3000ga\u2009"} << QStringList{"ga"};
    }
    void suggestions()
    {
        QFETCH(QStringList, typed);
        // Each text well within the delay of the one before: a fixed pause
        // between them may outlast it on a busy machine.
        for (const QString &t : std::as_const(typed)) {
            s->setText(t);
            QCoreApplication::processEvents();
        }
        QFETCH(QStringList, asked);
        if (asked.isEmpty())
            QTest::qWait(SearchModel::suggestDelayMs + 180); // past the delay: nothing was asked
        else
            QTRY_COMPARE(suggested(), asked); // an earlier text would have been asked first
        QCOMPARE(suggested(), asked);
        QTRY_COMPARE(s->suggestions().isEmpty(), asked.isEmpty());
    }

    // A reply counts only while the text it was asked for is still there; a failure keeps the list.
    void lateSuggestionsDropped()
    {
        serve(u"/api/suggest"_qs, u"ab"_qs, {u"viejo"_qs}, 600);
        serve(u"/api/suggest"_qs, u"abc"_qs, {u"nuevo"_qs});
        s->setText(u"ab"_qs);
        QTRY_COMPARE(suggested(), QStringList{u"ab"_qs});
        s->setText(u"abc"_qs);
        QTRY_COMPARE(s->suggestions(), QStringList{u"nuevo"_qs});
        QTest::qWait(700);
        QCOMPARE(s->suggestions(), QStringList{u"nuevo"_qs});

        m_backend->failPath(u"/api/suggest"_qs, 500);
        s->setText(u"abcd"_qs);
        QTRY_COMPARE(suggested().size(), 3);
        QTest::qWait(100);
        QCOMPARE(s->suggestions(), QStringList{u"nuevo"_qs});
    }

    // "de" has five pages; a page of shown videos or a failed one ends paging.
    void paging_data()
    {
        QTest::addColumn<int>("fault"); // 0 none, 1 raw page of shown ids, 2 status 500
        QTest::addColumn<int>("lastPage");
        QTest::newRow("to the end") << 0 << 4;
        QTest::newRow("a page of shown videos") << 1 << 1;
        QTest::newRow("a failed page") << 2 << 1;
    }
    void paging()
    {
        QFETCH(int, fault);
        QFETCH(int, lastPage);
        searchLoaded(u"de"_qs);
        if (fault == 1)
            serve(u"/api/search"_qs, u"2"_qs, {videoJson(s->results()->at(0).id, u"Canal"_qs)});
        if (fault == 2)
            m_backend->addFault(FaultRule{.pathPrefix = u"/api/search"_qs, .id = u"2"_qs, .status = 500});
        for (int i = 0; i < 8 && s->canMore(); ++i) {
            QCoro::waitFor(s->loadMore());
            QVERIFY(!s->loadingMore());
        }
        QVERIFY(!s->canMore());
        QCOMPARE(s->page(), lastPage);
        QCOMPARE(searched().last(), u"de %1 -"_qs.arg(lastPage + 1));
        QCOMPARE(s->state(), LoadState::loaded());
    }

    // Replies of an older search change nothing, even for the same query and filter.
    void staleGenerations()
    {
        searchLoaded(u"de"_qs);
        serve(u"/api/search"_qs, u"1"_qs, {videoJson(u"stale1"_qs, u"Canal"_qs)}, 600, 1);
        s->fetchMore();
        QTRY_COMPARE(searched().size(), 2);
        s->run(u"de"_qs, true);
        QVERIFY(!s->loadingMore()); // the new results page at once
        QVERIFY(loaded());
        QTest::qWait(700);
        QCOMPARE(s->results()->indexOf(u"stale1"_qs), -1);
        QVERIFY(s->canMore());
        QCOMPARE(s->results()->count(), 20);

        // A first-page failure of the search before a filter change stays unseen.
        m_backend->addFault(FaultRule{.pathPrefix = u"/api/search"_qs, .status = 500, .delayMs = 500, .times = 1});
        s->run(u"de"_qs, true);
        // The slow failure is the first request's: let it reach the backend first.
        QTest::qWait(150);
        s->pickFilter(u"short"_qs);
        QVERIFY(loaded());
        QTest::qWait(600);
        QCOMPARE(s->state(), LoadState::loaded());
    }

    // A link empties the field and keeps the results; emptying the inactive field clears them.
    void linkVersusClearing()
    {
        searchLoaded(u"de"_qs);
        s->setSearching(true);
        s->setText(u"youtu.be/dQw4w9WgXcQ"_qs);
        s->openLink();
        QCOMPARE(s->text(), QString());
        QCOMPARE(s->term(), u"de"_qs);
        QCOMPARE(s->state(), LoadState::loaded());
        QVERIFY(!s->searching());

        s->setText(u"x"_qs);
        s->setText({});
        QCOMPARE(s->term(), QString());
        QCOMPARE(s->state(), LoadState::idle());
        QCOMPARE(s->results()->count(), 0);
    }

    void pasteLink_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("played");
        QTest::addColumn<int>("pushed");
        QTest::addColumn<QString>("toast");
        QTest::newRow("video") << "https://www.youtube.com/watch?v=dQw4w9WgXcQ" << "dQw4w9WgXcQ" << 0 << "";
        QTest::newRow("playlist") << "https://youtube.com/playlist?list=PL0123456789abcdef" << "" << 1 << "";
        QTest::newRow("plain text") << "hola" << "" << 0 << "No hay un enlace de YouTube en el portapapeles";
    }
    void pasteLink()
    {
        QFETCH(QString, pasted);
        Pasteboard::shared().setString(pasted);
        QVERIFY(view());
        s->setSearching(true);
        QVERIFY(m_qml->click(m_qml->find(u"pasteRow"_qs)));
        QFETCH(QString, played);
        QFETCH(int, pushed);
        QFETCH(QString, toast);
        QCOMPARE(m_player->current() ? m_player->current()->id : QString(), played);
        QCOMPARE(m_router->searchPath().size(), pushed);
        QCOMPARE(m_player->toast().value_or(QString()), toast);
        QCOMPARE(s->searching(), !toast.isEmpty());
    }

    // The field's focus starts the interaction; rows take no focus; Escape ends it.
    void typingAndChoosing()
    {
        QVERIFY(view());
        m_qml->window()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_qml->window()));
        QVERIFY(m_qml->click(m_qml->find(u"searchInput"_qs)));
        QVERIFY(s->searching());
        for (char c : QByteArrayLiteral("rece"))
            QTest::keyClick(m_qml->window(), c);
        QTRY_VERIFY(!shown(u"suggestionRow"_qs).isEmpty());
        QTest::qWait(50); // laid out
        QQuickItem *first = shown(u"suggestionRow"_qs).first();
        const QString suggestion = first->property("text").toString();
        QVERIFY(m_qml->click(QmlHarness::findIn(first, u"fillArrow"_qs)));
        QCOMPARE(s->text(), suggestion);
        QVERIFY(s->searching());
        QVERIFY(m_qml->find(u"searchInput"_qs)->hasActiveFocus());

        QTest::keyClick(m_qml->window(), Qt::Key_Escape);
        QVERIFY(!s->searching());
        QCOMPARE(s->text(), suggestion);
        QVERIFY(m_qml->click(m_qml->find(u"searchInput"_qs)));
        QVERIFY(m_qml->click(m_qml->find(u"searchRow"_qs)));
        QCOMPARE(s->term(), suggestion);
        QVERIFY(!s->searching());
        QVERIFY(!m_qml->find(u"searchInput"_qs)->hasActiveFocus());

        // "Cancelar" ends the interaction and empties the field: the start page again.
        QVERIFY(m_qml->click(m_qml->find(u"searchInput"_qs)));
        QVERIFY(m_qml->click(m_qml->find(u"cancelSearch"_qs)));
        QCOMPARE(s->term(), QString());
        QTRY_VERIFY(!shown(u"topicTile"_qs).isEmpty());
    }

    void topicTile()
    {
        QVERIFY(view());
        QTRY_COMPARE(shown(u"topicTile"_qs).size(), 10);
        QVERIFY(m_qml->click(shown(u"topicTile"_qs).at(1)));
        QCOMPARE(s->text(), u"gameplay"_qs);
        QCOMPARE(m_library->searches().first(), u"gameplay"_qs);
        QCOMPARE(searched(), QStringList{u"gameplay 0 -"_qs});
        QCOMPARE(Haptics::shared().given(), QStringList{u"light"_qs});
    }

    void recentSearches()
    {
        for (int i = 0; i < 20; ++i)
            m_library->addSearch(u"búsqueda %1"_qs.arg(i));
        QVERIFY(view());
        s->setSearching(true);
        QTRY_COMPARE(shown(u"recentRow"_qs).size(), 10);
        // A full swipe to the left on the newest.
        const QPoint from = shown(u"recentRow"_qs).first()->mapToScene(QPointF(380, 22)).toPoint();
        QmlHarness::drag(m_qml->window(), from, QPoint(-360, 0));
        QCOMPARE(m_library->searches().size(), 19);
        QVERIFY(!m_library->searches().contains(u"búsqueda 19"_qs));
        QTRY_COMPARE(shown(u"recentRow"_qs).last()->property("modelData").toString(), u"búsqueda 9"_qs);

        QVERIFY(m_qml->click(m_qml->find(u"clearRecents"_qs)));
        QVERIFY(m_library->searches().isEmpty());
        QTRY_VERIFY(shown(u"recentHeader"_qs).isEmpty());
    }

    void lineBreaksInRows_data()
    {
        QTest::addColumn<bool>("recent");
        QTest::addColumn<QString>("text");
        QTest::newRow("suggestion, CR LF") << false << u"uno\r\ndos"_qs;
        QTest::newRow("suggestion, line separator") << false << u"uno\u2028dos"_qs;
        QTest::newRow("recent, CR LF") << true << u"uno\r\ndos"_qs;
        QTest::newRow("recent, paragraph separator") << true << u"uno\u2029dos"_qs;
    }
    // Outside text with line breaks stays on its row's one line.
    void lineBreaksInRows()
    {
        QFETCH(bool, recent);
        QFETCH(QString, text);
        if (recent)
            m_library->addSearch(text);
        else
            serve(u"/api/suggest"_qs, u"un"_qs, {text});
        QVERIFY(view());
        s->setSearching(true);
        if (!recent)
            s->setText(u"un"_qs);
        const QString name = recent ? u"recentRow"_qs : u"suggestionRow"_qs;
        QTRY_COMPARE(shown(name).size(), 1);
        QQuickItem *label = QmlHarness::findIn(shown(name).first(), u"rowLabel"_qs);
        QVERIFY(label);
        QCOMPARE(label->property("text").toString(), u"uno dos"_qs);
        QCOMPARE(label->property("lineCount").toInt(), 1);
    }

    // Results of hidden channels only: an empty grid, not "no results".
    void hiddenResults()
    {
        serve(u"/api/search"_qs, u"oculto"_qs, {videoJson(u"h1"_qs, u"Oculto"_qs), videoJson(u"h2"_qs, u"Oculto"_qs)});
        m_library->hideChannel(u"Oculto"_qs);
        QVERIFY(view());
        searchLoaded(u"oculto"_qs);
        QTRY_COMPARE(shown(u"resultsGrid"_qs).size(), 1);
        QVERIFY(shown(u"videoCard"_qs).isEmpty());
        QVERIFY(shown(u"feedEmpty"_qs).isEmpty());
    }

    // The wheel moves the filter bar along; a new query going back to "Todo"
    // brings that chip into view, whether the bar is on screen at that moment
    // (a topic) or hidden under the suggestions (the field).
    void filterBarFollowsWheelAndReset_data()
    {
        QTest::addColumn<bool>("fromField");
        QTest::newRow("bar on screen") << false;
        QTest::newRow("bar under the suggestions") << true;
    }
    void filterBarFollowsWheelAndReset()
    {
        QFETCH(bool, fromField);
        QVERIFY(view());
        searchLoaded(u"gatos"_qs);
        QQuickItem *bar = m_qml->find(u"filterBar"_qs);
        QTRY_VERIFY(bar->isVisible() && bar->width() > 0);
        auto inBar = [&](const QString &chip) {
            QQuickItem *c = QmlHarness::findIn(bar, chip);
            const QRectF r = c->mapRectToScene(QRectF(0, 0, c->width(), c->height()));
            const QRectF b = bar->mapRectToScene(QRectF(0, 0, bar->width(), bar->height()));
            return r.left() >= b.left() && r.right() <= b.right();
        };
        QVERIFY(inBar(u"chip_any"_qs));
        QVERIFY(!inBar(u"chip_recent"_qs));

        for (int i = 0; i < 20; ++i)
            m_qml->wheel(bar, QPoint(0, -120));
        QTRY_VERIFY(inBar(u"chip_recent"_qs));
        QVERIFY(!inBar(u"chip_any"_qs));
        QVERIFY(m_qml->click(QmlHarness::findIn(bar, u"chip_recent"_qs)));
        QCOMPARE(s->filter(), u"recent"_qs);
        QVERIFY(loaded());

        if (fromField)
            s->setSearching(true);
        s->run(u"perros"_qs, false);
        QCOMPARE(s->filter(), u"any"_qs);
        QVERIFY(loaded());
        QTRY_VERIFY(bar->isVisible());
        QTRY_VERIFY(inBar(u"chip_any"_qs));
    }

    // Titles and suggestions with markup are drawn as typed and fetch nothing.
    void markupIsText()
    {
        const QString markup = u"<img src=\"%1/markup.png\">"_qs.arg(m_backend->origin());
        serve(u"/api/search"_qs, u"marca"_qs, {videoJson(u"m1"_qs, u"Canal"_qs, markup)});
        serve(u"/api/suggest"_qs, u"ma"_qs, {markup});
        QVERIFY(view());
        s->setSearching(true);
        s->setText(u"ma"_qs);
        QTRY_COMPARE(shown(u"suggestionRow"_qs).size(), 1);
        QTest::qWait(300);
        QVERIFY(m_backend->requests().matching(u"/markup.png"_qs).isEmpty());
        searchLoaded(u"marca"_qs);
        QTRY_COMPARE(shown(u"videoCard"_qs).size(), 1);
        QTest::qWait(300);
        QVERIFY(m_backend->requests().matching(u"/markup.png"_qs).isEmpty());
    }
};

int main(int argc, char *argv[])
{
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestSearch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_search.moc"
