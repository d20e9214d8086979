// Home feed memory and frames against a bare list. Run without arguments it
// runs interleaved rounds of three probes, each in a fresh process:
//   the home screen over 500 videos, the home screen over 2,000, and a bare
//   Qt Quick list of 500 card-like delegates showing the same thumbnails at
//   the same size;
// each probe scrolls its list end to end (one screen per rendered frame),
// waits until the thumbnails have landed (the requests settle) and reports
// its resident size and the time of each scroll step. The driver prints app,
// baseline and ratio with min / median / max over the rounds.
//   bench_homefeed [--runs N] [--software]             the comparison (default 9 rounds)
//   bench_homefeed --probe app|bare [--cards N] [--thumb WxH] [--no-thumbnails]
// Two more probes make cards alone, without scrolling: `cardapp` the home
// card, `cardbare` the bare list's delegate; each reports the GUI thread's
// CPU time per card to create a screenful, to draw it once, to draw it again
// moved (as a scroll step does) and to drop it (deletion and the work it
// leaves queued), the least of many repeats, which a loaded machine disturbs less than the scroll steps.
#include "HomeRig.h"
#include "ImageLoader.h"
#include "ScrollProbe.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QTest>

using namespace homefeed;

namespace {

// The bare list's delegate.
const char *bareCard = R"(Column {
        objectName: "bareCard"
        width: list.width
        spacing: 8
        bottomPadding: 16
        Image {
            x: (list.width - width) / 2
            width: list.thumb.width
            height: list.thumb.height
            sourceSize: list.thumb
            asynchronous: true
            fillMode: Image.PreserveAspectCrop
            clip: true
            source: list.origin + "/vi/hf" + String(index).padStart(9, "0") + "/hq720.jpg"
        }
        Row {
            x: 16
            spacing: 12
            Rectangle { width: 40; height: 40; radius: 20; color: "#d0d0d8" }
            Column {
                width: list.width - 84
                Text {
                    width: parent.width
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                    text: "Vídeo " + index + " del feed de inicio, con un título que ocupa dos líneas"
                }
                Text { font.pixelSize: 12; color: "#888"; text: "Canal " + (index % 37) + " · 12 mil visualizaciones · hace 2 días" }
            }
        }
    })";

const QByteArray bareList = QByteArray(R"(
import QtQuick
ListView {
    id: list
    property string origin
    property int cards
    property size thumb
    objectName: "bareList"
    anchors.fill: parent
    model: cards
    delegate: )") + bareCard + "\n}\n";

// A column of cards made and dropped again and again; `index` and `list`
// stand for what the bare list gives its delegates.
const QByteArray cardColumn = QByteArray(R"(
import QtQuick
import Nimbelora.Shell
Column {
    id: list
    property string origin
    property size thumb
    property var video
    property var player
    property var library
    property var avatars
    property int index: 0
    width: 430
    property Component app: VideoCard {
        width: 398
        video: list.video
        player: list.player
        library: list.library
        avatars: list.avatars
    }
    property Component bare: )") + bareCard + "\n}\n";

// Makes `perRound` cards, draws them, drops them; the least CPU time per card
// over the rounds, for making and for the frame that first draws them.
// Kept out of line so that a profiler can collect it alone.
[[gnu::noinline]] int cardProbe(HomeRig &rig, bool app, const scrollprobe::Options &opt)
{
    QmlHarness qml;
    qml.window()->resize(430, 932);
    const Video video = Video::fromJson(videoJson(7));
    QQuickItem *column = qml.loadSource(cardColumn, {{QStringLiteral("origin"), rig.backend().origin()},
                                                     {QStringLiteral("thumb"), opt.thumb},
                                                     {QStringLiteral("video"), QVariant::fromValue(video)},
                                                     {QStringLiteral("player"), QVariant::fromValue<QObject *>(rig.player())},
                                                     {QStringLiteral("library"), QVariant::fromValue<QObject *>(rig.library())},
                                                     {QStringLiteral("avatars"), QVariant::fromValue<QObject *>(rig.avatars())}});
    if (!column) {
        std::fprintf(stderr, "cards: %s\n", qPrintable(qml.errors()));
        return 1;
    }
    auto *component = column->property(app ? "app" : "bare").value<QQmlComponent *>();
    const int perRound = 3, rounds = 200;
    qint64 create = std::numeric_limits<qint64>::max(), frame = create, redraw = create, drop = create;
    QList<QObject *> made;
    for (int round = 0; round < rounds; ++round) {
        const qint64 t0 = scrollprobe::threadCpuNs();
        for (int i = 0; i < perRound; ++i) {
            QObject *o = component->create(qmlContext(column));
            if (auto *item = qobject_cast<QQuickItem *>(o))
                item->setParentItem(column);
            made << o;
        }
        const qint64 t1 = scrollprobe::threadCpuNs();
        homefeed::nextFrame(qml.window());
        const qint64 t2 = scrollprobe::threadCpuNs();
        // Moved, as a scroll step moves what stays on screen: drawn again.
        column->setY(column->y() == 0 ? 1 : 0);
        homefeed::nextFrame(qml.window());
        const qint64 t2b = scrollprobe::threadCpuNs();
        redraw = std::min(redraw, (t2b - t2) / perRound);
        qDeleteAll(made);
        made.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        const qint64 t3 = scrollprobe::threadCpuNs();
        create = std::min(create, (t1 - t0) / perRound);
        frame = std::min(frame, (t2 - t1) / perRound);
        drop = std::min(drop, (t3 - t2b) / perRound);
    }
    std::fprintf(stderr, "%s card: make %.3f ms, first frame %.3f ms, redraw %.3f ms, drop %.3f ms per card (least of %d rounds of %d)\n",
                 app ? "app" : "bare", create / 1e6, frame / 1e6, redraw / 1e6, drop / 1e6, rounds, perRound);
    std::printf("RESULT create=%lld frame=%lld redraw=%lld drop=%lld\n", qlonglong(create), qlonglong(frame),
                qlonglong(redraw), qlonglong(drop));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList args = scrollprobe::arguments(argc, argv);
    // On a display the probes draw as the app does there, through a window
    // with Qt's own scene graph on OpenGL (Mesa's software GL under Xvfb).
    // Without one, or with --software, they draw offscreen with Qt's software
    // scene graph, which paints on the GUI thread. The probes inherit the choice.
    if (args.contains(QStringLiteral("--software")) || qEnvironmentVariableIsEmpty("DISPLAY")) {
        preferOffscreen();
    } else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("QT_QUICK_BACKEND", "rhi");
    }
    if (!args.contains(QStringLiteral("--probe")))
        return scrollprobe::drive(argc, argv, args,
                                  {{QStringLiteral("home 500"), {QStringLiteral("app"), 500}},
                                   {QStringLiteral("bare 500"), {QStringLiteral("bare"), 500}},
                                   {QStringLiteral("home 2000"), {QStringLiteral("app"), 2000}},
                                   {QStringLiteral("card app"), {QStringLiteral("cardapp"), 0}},
                                   {QStringLiteral("card bare"), {QStringLiteral("cardbare"), 0}}},
                                  {{QStringLiteral("home 500"), QStringLiteral("bare 500")},
                                   {QStringLiteral("home 2000"), QStringLiteral("home 500")},
                                   {QStringLiteral("card app"), QStringLiteral("card bare")}});

    const scrollprobe::Options opt = scrollprobe::options(args, 500);
    scrollprobe::startProcess(opt);
    preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);

    HomeRig rig;
    if (!rig.start())
        return 1;
    rig.reset();
    scrollprobe::serveThumbnails(rig.backend(), opt.noThumbnails);
    if (opt.kind.startsWith(QLatin1String("card")))
        return cardProbe(rig, opt.kind == QLatin1String("cardapp"), opt);

    QQuickWindow *window = nullptr;
    QQuickItem *view = nullptr;
    QSize thumb;
    std::unique_ptr<QmlHarness> bare;
    if (opt.kind == QLatin1String("bare")) {
        bare = std::make_unique<QmlHarness>();
        view = scrollprobe::loadBareList(*bare, bareList, rig.backend().origin(), opt);
        if (!view)
            return 1;
        window = bare->window();
        thumb = opt.thumb;
        if (!waitFor("bare cards", [&] { return !QmlHarness::shownItems(view, QStringLiteral("bareCard")).isEmpty(); }))
            return 1;
    } else {
        // Every page of the personal feed is the same videos, so the first
        // page fills the list and the next adds nothing and ends paging.
        QJsonArray videos;
        for (int i = 0; i < opt.cards; ++i)
            videos.append(videoJson(i));
        FaultRule rule;
        rule.pathPrefix = QStringLiteral("/api/feed");
        rule.id = QStringLiteral("foryou");
        rule.body = FaultRule::Body::Raw;
        rule.rawBody = QJsonDocument(videos).toJson(QJsonDocument::Compact);
        rig.backend().faults().add(rule);
        if (!rig.load())
            return 1;
        window = rig.window();
        FeedModel *feed = rig.feed();
        if (!waitFor("cards", [&] {
                return feed->state().isLoaded() && feed->items().size() == opt.cards
                    && !rig.shown(QStringLiteral("videoCard")).isEmpty();
            }, 20000))
            return 1;
        view = rig.root()->property("feedView").value<QQuickItem *>();
        if (!view) {
            std::fprintf(stderr, "no feed view\n");
            return 1;
        }
        if (QQuickItem *t = QmlHarness::findIn(rig.shown(QStringLiteral("videoCard")).first(), QStringLiteral("thumbImage")))
            thumb = QSize(qCeil(t->width()), qCeil(t->height()));
    }

    scrollprobe::Result r = scrollprobe::scroll(window, view, opt.kind == QLatin1String("app")
                                                    ? std::function<qsizetype()>([] { return ImageLoader::shared().pendingCount(); })
                                                    : std::function<qsizetype()>([] { return qsizetype(0); }),
                                                rig.backend().requests());
    r.thumb = thumb;
    r.print(opt);
    bare.reset();
    rig.unload();
    return 0;
}
