#include "LibraryRoute.h"
#include "QmlHarness.h"
#include "Router.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

using Route = Router::Route;

Route channel(const QString &id, const QString &name = QStringLiteral("Canal")) { return ChannelRoute{id, name}; }
Route playlist(const QString &id) { return YTPlaylistRoute{id}; }
Route library(LibraryRoute::Case c, const QString &payload = {}) { return LibraryRoute::make(c, payload); }

// One line per route, for readable comparisons.
QString describe(const Route &r)
{
    if (auto c = std::get_if<ChannelRoute>(&r))
        return QStringLiteral("channel:%1:%2").arg(c->id, c->name);
    if (auto p = std::get_if<YTPlaylistRoute>(&r))
        return QStringLiteral("playlist:") + p->id;
    const auto &l = std::get<LibraryRoute>(r);
    return QStringLiteral("library:%1:%2").arg(l.name(), l.payload);
}

QStringList describe(const Router::Path &path)
{
    QStringList out;
    for (const Route &r : path)
        out.append(describe(r));
    return out;
}

// Every path, named: "home=…|search=…|subs=…|library=…".
QString paths(const Router &router)
{
    return QStringLiteral("home=%1|search=%2|subs=%3|library=%4")
        .arg(describe(router.homePath()).join(u','), describe(router.searchPath()).join(u','),
             describe(router.subsPath()).join(u','), describe(router.libraryPath()).join(u','));
}

Video video(const QString &id)
{
    Video v;
    v.id = id;
    v.title = QStringLiteral("Vídeo ") + id;
    return v;
}

} // namespace

class TestRouter : public QObject
{
    Q_OBJECT

private slots:
    void openRoutesOnTheSelectedTab_data()
    {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<QString>("expected");
        QTest::newRow("home") << AppTab::home << u"home=playlist:PL1,channel:UC1:Canal|search=|subs=|library="_qs;
        QTest::newRow("shorts: the home path") << AppTab::shorts << u"home=playlist:PL1,channel:UC1:Canal|search=|subs=|library="_qs;
        QTest::newRow("search") << AppTab::search << u"home=|search=playlist:PL1,channel:UC1:Canal|subs=|library="_qs;
        QTest::newRow("subscriptions") << AppTab::subscriptions << u"home=|search=|subs=playlist:PL1,channel:UC1:Canal|library="_qs;
        QTest::newRow("library") << AppTab::library << u"home=|search=|subs=|library=playlist:PL1,channel:UC1:Canal"_qs;
    }

    void openRoutesOnTheSelectedTab()
    {
        QFETCH(AppTab, tab);
        QFETCH(QString, expected);
        Router router;
        router.setTab(tab);
        QSignalSpy tabs(&router, &Router::tabChanged);
        router.openPlaylist(u"PL1"_qs);
        router.openChannel(ChannelRoute{u"UC1"_qs, u"Canal"_qs});
        QCOMPARE(paths(router), expected);
        // Opening never switches the tab, not even away from Shorts.
        QCOMPARE(router.tab(), tab);
        QCOMPARE(tabs.count(), 0);
    }

    void pathsSurviveTabSwitches()
    {
        Router router;
        router.setTab(AppTab::search);
        router.openChannel(u"UC1"_qs, u"Uno"_qs);
        router.setTab(AppTab::home);
        router.openPlaylist(u"PL1"_qs);
        router.setTab(AppTab::search);
        QCOMPARE(paths(router), u"home=playlist:PL1|search=channel:UC1:Uno|subs=|library="_qs);
        // Nothing pops by itself: the same route twice is two pages.
        router.openChannel(u"UC1"_qs, u"Uno"_qs);
        QCOMPARE(router.searchPath().size(), 2);
    }

    void notifiesOnlyTheChangedPath()
    {
        Router router;
        QSignalSpy home(&router, &Router::homePathChanged);
        QSignalSpy search(&router, &Router::searchPathChanged);
        router.setTab(AppTab::shorts);
        router.openPlaylist(u"PL1"_qs);
        QCOMPARE(home.count(), 1);
        QCOMPARE(search.count(), 0);
        router.setHomePath(router.homePath()); // same value: nobody hears
        QCOMPARE(home.count(), 1);
    }

    // QML reads a path as route values and writes whole paths back (a stack
    // going back); what is no route is dropped on the way in.
    void qmlPathRoundTrip()
    {
        Router router;
        QmlHarness qml;
        QQuickItem *root = qml.loadSource(R"(
            import QtQuick
            import Nimbelora.Foundation
            import Nimbelora.Shell
            Item {
                property Router router
                property var kinds: []
                function run() {
                    router.tab = AppTab.Library
                    router.openChannel("UC1", "Uno")
                    router.openPlaylist("PL1")
                    router.libraryPath = router.libraryPath.concat([LibraryRoutes.remote("liked"), 42, "x"])
                    kinds = router.libraryPath.map(r => router.kindOf(r))
                    router.libraryPath = router.libraryPath.slice(0, 2)
                    router.playlistVideo = undefined
                }
            })",
                                          {{u"router"_qs, QVariant::fromValue(&router)}});
        QVERIFY2(root, qPrintable(qml.errors()));
        router.setPlaylistVideo(video(u"a"_qs));
        QVERIFY(QMetaObject::invokeMethod(root, "run"));
        QCOMPARE(root->property("kinds").toStringList(), (QStringList{u"channel"_qs, u"ytPlaylist"_qs, u"library"_qs}));
        QCOMPARE(paths(router), u"home=|search=|subs=|library=channel:UC1:Uno,playlist:PL1"_qs);
        QVERIFY(!router.playlistVideo());
    }

    void sharedDepth_data()
    {
        QTest::addColumn<QVariantList>("a");
        QTest::addColumn<QVariantList>("b");
        QTest::addColumn<int>("depth");
        const QVariant c1 = Router::routeValue(channel(u"UC1"_qs));
        const QVariant c1renamed = Router::routeValue(channel(u"UC1"_qs, u"Otro"_qs));
        const QVariant p1 = Router::routeValue(playlist(u"PL1"_qs));
        const QVariant r = Router::routeValue(library(LibraryRoute::Case::remote, u"PL1"_qs));
        QTest::newRow("empty") << QVariantList{} << QVariantList{} << 0;
        QTest::newRow("pushed one") << QVariantList{c1} << QVariantList{c1, p1} << 1;
        QTest::newRow("popped one") << QVariantList{c1, p1} << QVariantList{c1} << 1;
        QTest::newRow("same id, other name") << QVariantList{c1} << QVariantList{c1renamed} << 0;
        QTest::newRow("same text, other kind") << QVariantList{p1} << QVariantList{r} << 0;
        QTest::newRow("junk stops the match") << QVariantList{QVariant(1)} << QVariantList{QVariant(1)} << 0;
    }

    void sharedDepth()
    {
        QFETCH(QVariantList, a);
        QFETCH(QVariantList, b);
        QFETCH(int, depth);
        QCOMPARE(Router::sharedDepth(a, b), depth);
    }

    void libraryRouteEquality_data()
    {
        using C = LibraryRoute::Case;
        QTest::addColumn<LibraryRoute>("a");
        QTest::addColumn<LibraryRoute>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("remote, same kind") << LibraryRoute::remote(u"liked"_qs) << LibraryRoute::remote(u"liked"_qs) << true;
        QTest::newRow("remote, other kind") << LibraryRoute::remote(u"liked"_qs) << LibraryRoute::remote(u"later"_qs) << false;
        QTest::newRow("remote vs playlist, same text") << LibraryRoute::remote(u"history"_qs) << LibraryRoute::playlist(u"history"_qs) << false;
        QTest::newRow("remote history vs history") << LibraryRoute::remote(u"history"_qs) << LibraryRoute::make(C::history) << false;
        QTest::newRow("history vs liked") << LibraryRoute::make(C::history) << LibraryRoute::make(C::liked) << false;
        QTest::newRow("payload ignored without one") << LibraryRoute{C::stats, u"x"_qs} << LibraryRoute{C::stats, u"y"_qs} << true;
        QTest::newRow("canonically equal ids") << LibraryRoute::playlist(u"Caf\u00e9"_qs) << LibraryRoute::playlist(u"Cafe\u0301"_qs) << true;
        QTest::newRow("case matters") << LibraryRoute::playlist(u"ab"_qs) << LibraryRoute::playlist(u"AB"_qs) << false;
    }

    void libraryRouteEquality()
    {
        QFETCH(LibraryRoute, a);
        QFETCH(LibraryRoute, b);
        QFETCH(bool, equal);
        QCOMPARE(a == b, equal);
        if (equal)
            QCOMPARE(qHash(a, 7), qHash(b, 7));
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    TestRouter test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_router.moc"
