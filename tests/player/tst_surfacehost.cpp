// Who shows the one video surface: the unit rules of the hand-over between
// surface hosts, and the app's places (the mini bar of every tab, the player
// sheet) over a real player store.
#include "PlayerRig.h"
#include "SurfaceHost.h"

#include <QQmlParserStatus>
#include <QSignalSpy>

using namespace playertest;

namespace {

// Hosts named by one letter, made, switched and destroyed by a script:
// "A+" makes A active, "A" makes it inactive, "A on" / "A off" switch it,
// "A x" destroys it.
struct HostBench
{
    QQuickItem root;
    VideoSurface surface;
    QMap<QString, SurfaceHost *> hosts;

    HostBench() { root.setSize({400, 400}); }
    ~HostBench() { qDeleteAll(hosts); }

    void run(const QString &step)
    {
        const QStringList parts = step.trimmed().split(QLatin1Char(' '));
        QString name = parts[0];
        const bool makeActive = name.endsWith(QLatin1Char('+'));
        if (makeActive)
            name.chop(1);
        if (parts.size() == 1) {
            // As QML makes it: every property in before it completes.
            auto *h = new SurfaceHost;
            static_cast<QQmlParserStatus *>(h)->classBegin();
            h->setParentItem(&root);
            h->setSize(QSizeF(100 + 10 * hosts.size(), 50));
            h->setSurface(&surface);
            h->setActive(makeActive);
            static_cast<QQmlParserStatus *>(h)->componentComplete();
            hosts.insert(name, h);
        } else if (parts[1] == QLatin1String("on")) {
            hosts[name]->setActive(true);
        } else if (parts[1] == QLatin1String("off")) {
            hosts[name]->setActive(false);
        } else if (parts[1] == QLatin1String("x")) {
            delete hosts.take(name);
        }
    }

    QString holder() const
    {
        for (auto it = hosts.cbegin(); it != hosts.cend(); ++it)
            if (surface.parentItem() == it.value())
                return it.key();
        return surface.parentItem() ? QStringLiteral("?") : QStringLiteral("-");
    }
};

// Two tabs with a bar each, a third tab without one, and the sheet while
// `sheetMade` holds (the cover keeps it a while after collapsing).
const QByteArray kScene = R"(
import QtQuick
import Nimbelora.Library
import Nimbelora.Playback
import Nimbelora.Shell
import Nimbelora.Player

Item {
    id: scene
    required property PlayerStore player
    required property LibraryStore library
    required property Router router
    required property AvatarStore avatars
    property int tab: 0
    property bool sheetMade: player.expanded
    property bool homeBarMade: true
    property bool searchBarTabBound: true

    Item {
        width: 430; height: 600
        visible: scene.tab === 0
        Loader {
            objectName: "homeLoader"
            active: scene.homeBarMade
            width: parent.width
            y: 500
            sourceComponent: MiniPlayerBar { objectName: "homeBar"; player: scene.player }
        }
    }
    Item {
        width: 430; height: 600
        MiniPlayerBar {
            objectName: "searchBar"
            width: parent.width
            y: 500
            player: scene.player
            active: scene.searchBarTabBound ? scene.tab === 1 : true
        }
    }
    Loader {
        objectName: "sheetLoader"
        width: 430; height: 932
        active: scene.sheetMade
        sourceComponent: PlayerSheet {
            player: scene.player; library: scene.library; router: scene.router; avatars: scene.avatars
        }
    }
}
)";

#define LOAD_SCENE                                                                                                     \
    QmlHarness h;                                                                                                      \
    QQuickItem *root = h.loadSource(kScene, rig.stores());                      \
    QVERIFY2(root, qPrintable(h.errors()))

} // namespace

class TestSurfaceHost : public PlayerTestCase
{
    Q_OBJECT

    static QString holderIn(VideoSurface *surface)
    {
        QQuickItem *parent = surface->parentItem();
        if (!parent)
            return QStringLiteral("-");
        if (parent->objectName() == QLatin1String("miniSurfaceHost")) {
            for (QQuickItem *p = parent; p; p = p->parentItem())
                if (p->objectName() == QLatin1String("homeBar") || p->objectName() == QLatin1String("searchBar"))
                    return p->objectName();
        }
        if (parent->objectName() == QLatin1String("sheetSurfaceHost"))
            return QStringLiteral("sheet");
        return parent->objectName();
    }

private slots:

    void handOver_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("holder");
        QTest::newRow("an active host takes it") << "A+" << "A";
        QTest::newRow("an inactive host never does") << "A" << "-";
        QTest::newRow("switched on later") << "A, A on" << "A";
        QTest::newRow("the last one made wins") << "A+, B+" << "B";
        QTest::newRow("switching on takes it back") << "A+, B+, A off, A on" << "A";
        QTest::newRow("holder destroyed: back to the active one") << "A+, B+, B x" << "A";
        QTest::newRow("holder switched off: back to the active one") << "A+, B+, B off" << "A";
        QTest::newRow("the newest active one takes it") << "A+, B+, C+, C x" << "B";
        QTest::newRow("inactive ones are passed over") << "A+, B+, C+, B off, C x" << "A";
        QTest::newRow("a bystander destroyed changes nothing") << "A+, B+, A x" << "B";
        QTest::newRow("nobody active: set aside") << "A+, A off" << "-";
        QTest::newRow("destroyed with nobody to take it") << "A+, B, A x" << "-";
        QTest::newRow("an inactive host made later leaves it") << "A+, B" << "A";
    }

    void handOver()
    {
        QFETCH(QString, script);
        QFETCH(QString, holder);
        HostBench bench;
        for (const QString &step : script.split(QLatin1Char(',')))
            bench.run(step);
        QCOMPARE(bench.holder(), holder);
        // Exactly the holder says so.
        for (auto it = bench.hosts.cbegin(); it != bench.hosts.cend(); ++it)
            QCOMPARE(it.value()->holding(), it.key() == holder);
    }

    void holderSizesAndFillsTheSurface()
    {
        HostBench bench;
        bench.run(QStringLiteral("A+"));
        SurfaceHost *a = bench.hosts[QStringLiteral("A")];
        a->setFillMode(VideoSurface::AspectFill);
        QCOMPARE(bench.surface.fillMode(), VideoSurface::AspectFill);
        QCOMPARE(bench.surface.size(), QSizeF(100, 50));
        a->setSize({84, 47});
        QCOMPARE(bench.surface.size(), QSizeF(84, 47));
        QCOMPARE(bench.surface.position(), QPointF(0, 0));

        // The next holder brings its own size and fill mode.
        bench.run(QStringLiteral("B+"));
        QCOMPARE(bench.surface.size(), QSizeF(110, 50));
        QCOMPARE(bench.surface.fillMode(), VideoSurface::AspectFit);
        // A host that does not hold it leaves its fill mode alone.
        a->setSize({300, 300});
        QCOMPARE(bench.surface.size(), QSizeF(110, 50));
    }

    // Where the surface is for each state of the app.
    void places_data()
    {
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("holder");
        QTest::newRow("collapsed, home tab") << false << 0 << "homeBar";
        QTest::newRow("collapsed, search tab") << false << 1 << "searchBar";
        QTest::newRow("collapsed, a tab without a bar") << false << 2 << "-";
        QTest::newRow("expanded, home tab") << true << 0 << "sheet";
        QTest::newRow("expanded, search tab") << true << 1 << "sheet";
        QTest::newRow("expanded, a tab without a bar") << true << 2 << "sheet";
    }

    void places()
    {
        QFETCH(bool, expanded);
        QFETCH(int, tab);
        QFETCH(QString, holder);
        Rig rig;
        rig.start(makeVideo(QStringLiteral("p")));
        rig.store.setPresented(expanded);
        LOAD_SCENE;
        root->setProperty("tab", tab);
        QCOMPARE(holderIn(rig.store.surface()), holder);
        // The engine's picture goes to that one surface, whoever holds it.
        QCOMPARE(rig.engine->videoHolder(), rig.store.surface());
    }

    // Open, switch tabs while open, close: the surface follows without being
    // made again, and the sheet that lingers after closing holds nothing.
    void followsTheApp()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("f")));
        rig.store.setPresented(false);
        LOAD_SCENE;
        VideoSurface *surface = rig.store.surface();
        QCOMPARE(holderIn(surface), QStringLiteral("homeBar"));

        rig.store.setPresented(true);
        QCOMPARE(holderIn(surface), QStringLiteral("sheet"));
        root->setProperty("tab", 1);
        QCOMPARE(holderIn(surface), QStringLiteral("sheet"));

        // Collapsing while the sheet still exists (it slides away).
        root->setProperty("sheetMade", true);
        rig.store.setPresented(false);
        QCOMPARE(holderIn(surface), QStringLiteral("searchBar"));
        root->setProperty("sheetMade", false);
        QCOMPARE(holderIn(surface), QStringLiteral("searchBar"));
        QCOMPARE(rig.store.surface(), surface);

        root->setProperty("tab", 0);
        QCOMPARE(holderIn(surface), QStringLiteral("homeBar"));
    }

    // A bar made again (its tab's screen reloaded) takes the surface back on
    // its own; a bar destroyed while it holds the surface hands it to the
    // one still active.
    void containersComeAndGo()
    {
        Rig rig;
        rig.start(makeVideo(QStringLiteral("c")));
        rig.store.setPresented(false);
        LOAD_SCENE;
        VideoSurface *surface = rig.store.surface();

        // The loader deletes its bar later; until then the bar keeps it.
        root->setProperty("homeBarMade", false);
        QTRY_COMPARE(holderIn(surface), QStringLiteral("-"));
        root->setProperty("homeBarMade", true);
        QCOMPARE(holderIn(surface), QStringLiteral("homeBar"));

        // The search bar unbound from its tab is active too; it took the
        // surface last, so the home bar has a black box...
        root->setProperty("searchBarTabBound", false);
        QCOMPARE(holderIn(surface), QStringLiteral("searchBar"));
        root->setProperty("searchBarTabBound", true);
        QCOMPARE(holderIn(surface), QStringLiteral("homeBar"));
        root->setProperty("searchBarTabBound", false);
        QCOMPARE(holderIn(surface), QStringLiteral("searchBar"));
        // ...until the search bar goes: back to the active home bar.
        delete h.find(QStringLiteral("searchBar"));
        QCOMPARE(holderIn(surface), QStringLiteral("homeBar"));
    }
};

QTEST_MAIN(TestSurfaceHost)
#include "tst_surfacehost.moc"
