// Times the liked-videos screen over 5,000 videos (screen ready, one
// keystroke of search each) and counts its live rows against those on
// screen; then shows the tab over 300 history entries and a 1,000-video
// queue and counts its recent tiles and queue rows.
//   bench_librarytab --memory [--runs N]  the liked list of 5,000 scrolled end to
//       end against a bare list of 5,000 rows with the same thumbnails at the
//       same size: resident memory and step times, min / median / max over
//       interleaved rounds in fresh processes (see ScrollProbe.h)
#include "HomeRig.h"
#include "ImageLoader.h"
#include "LibraryRig.h"
#include "ScrollProbe.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>

using namespace librarytab;

namespace {

constexpr int likedCount = 5000;

double ms(qint64 ns) { return ns / 1e6; }

QJsonObject videoJson(int n)
{
    return QJsonObject{{"id", QStringLiteral("lk%1").arg(n, 9, 10, QLatin1Char('0'))},
                       {"title", QStringLiteral("Vídeo %1 de la lista, con un título que ocupa dos líneas").arg(n)},
                       {"channel", QStringLiteral("Canal %1").arg(n % 37)},
                       {"duration", 60 + n * 7 % 3600}};
}

// A backup with `liked` liked videos and `history` history entries.
QByteArray backup(int liked, int history)
{
    QJsonArray likedList, historyList;
    for (int i = 0; i < liked; ++i)
        likedList.append(videoJson(i));
    for (int i = 0; i < history; ++i)
        historyList.append(QJsonObject{{"video", videoJson(100000 + i)}, {"date", 790000000.0 - i * 600}});
    return QJsonDocument(QJsonObject{{"history", historyList}, {"liked", likedList}, {"watchLater", QJsonArray()},
                                     {"subscriptions", QJsonArray()}, {"searches", QJsonArray()}})
        .toJson(QJsonDocument::Compact);
}

// Runs `change`, then waits for the frame that shows it. Reports the time
// of the change itself and of making that frame (polish, sync, render,
// swap); the wait for the render loop to start the frame is left out.
struct Timed
{
    qint64 change = 0;
    qint64 frame = 0;
};

Timed timedFrame(QQuickWindow *window, const std::function<void()> &change)
{
    Timed t;
    QElapsedTimer clock;
    clock.start();
    change();
    t.change = clock.nsecsElapsed();
    QElapsedTimer frame;
    const auto started = QObject::connect(window, &QQuickWindow::afterAnimating, window, [&] {
        if (!frame.isValid())
            frame.start();
    }, Qt::DirectConnection);
    homefeed::nextFrame(window);
    QObject::disconnect(started);
    t.frame = frame.isValid() ? frame.nsecsElapsed() : -1;
    return t;
}

const char *bareRows = R"(
import QtQuick
ListView {
    id: list
    property string origin
    property int cards
    property size thumb
    anchors.fill: parent
    model: cards
    delegate: Item {
        objectName: "bareRow"
        width: list.width
        height: list.thumb.height + 16
        Image {
            x: 16; y: 8
            width: list.thumb.width
            height: list.thumb.height
            sourceSize: list.thumb
            asynchronous: true
            fillMode: Image.PreserveAspectCrop
            clip: true
            source: list.origin + "/vi/lk" + String(index).padStart(9, "0") + "/hq720.jpg"
        }
        Column {
            x: list.thumb.width + 28; y: 8
            width: list.width - x - 16
            Text {
                width: parent.width
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
                font.pixelSize: 15
                text: "Vídeo " + index + " de la lista, con un título que ocupa dos líneas"
            }
            Text { font.pixelSize: 12; color: "#888"; text: "Canal " + (index % 37) }
        }
    }
}
)";

// One probe of the memory comparison, in this process.
int memoryProbe(int argc, char *argv[], const QStringList &args)
{
    const scrollprobe::Options opt = scrollprobe::options(args, likedCount);
    scrollprobe::startProcess(opt);
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    LibraryRig rig;
    if (!rig.start())
        return 1;
    rig.reset(1);
    scrollprobe::serveThumbnails(rig.backend(), opt.noThumbnails);
    QQuickWindow *window = nullptr;
    QQuickItem *view = nullptr;
    QSize thumb = opt.thumb;
    std::unique_ptr<QmlHarness> bare;
    if (opt.kind == QLatin1String("bare")) {
        bare = std::make_unique<QmlHarness>();
        view = scrollprobe::loadBareList(*bare, bareRows, rig.backend().origin(), opt);
        if (!view)
            return 1;
        window = bare->window();
        if (!QmlHarness::waitFor([&] { return !QmlHarness::shownItems(view, u"bareRow"_qs).isEmpty(); }))
            return 1;
    } else {
        if (!rig.library().importBackup(backup(opt.cards, 0)) || !rig.load())
            return 1;
        window = rig.window();
        homefeed::nextFrame(window);
        rig.open(LibraryRoutes::liked());
        QQuickItem *screen = rig.top();
        QList<QQuickItem *> rows;
        if (!screen || !QmlHarness::waitFor([&] { return !(rows = QmlHarness::shownItems(screen, u"videoRow"_qs)).isEmpty(); })) {
            std::fprintf(stderr, "no rows\n");
            return 1;
        }
        // The nearest list around a row.
        view = rows.first()->parentItem();
        while (view && !view->inherits("QQuickListView"))
            view = view->parentItem();
        if (QQuickItem *t = QmlHarness::findIn(rows.first(), u"thumbImage"_qs))
            thumb = QSize(qCeil(t->width()), qCeil(t->height()));
    }
    if (!view)
        return 1;
    scrollprobe::Result r = scrollprobe::scroll(
        window, view,
        opt.kind == QLatin1String("bare") ? std::function<qsizetype()>([] { return qsizetype(0); })
                                          : std::function<qsizetype()>([] { return ImageLoader::shared().pendingCount(); }),
        rig.backend().requests());
    r.thumb = thumb;
    r.print(opt);
    bare.reset();
    rig.unload();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList args = scrollprobe::arguments(argc, argv);
    if (args.contains(QStringLiteral("--probe")))
        return memoryProbe(argc, argv, args);
    if (args.contains(QStringLiteral("--memory")))
        return scrollprobe::drive(argc, argv, args,
                                  {{QStringLiteral("liked 5000"), {QStringLiteral("app"), likedCount}},
                                   {QStringLiteral("bare 5000"), {QStringLiteral("bare"), likedCount}}},
                                  {{QStringLiteral("liked 5000"), QStringLiteral("bare 5000")}});

    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);

    LibraryRig rig;
    if (!rig.start())
        return 1;
    rig.reset(1);
    if (!rig.library().importBackup(backup(likedCount, 0)) || !rig.load())
        return 1;
    QQuickWindow *window = rig.window();
    homefeed::nextFrame(window);

    const Timed ready = timedFrame(window, [&] { rig.open(LibraryRoutes::liked()); });
    QQuickItem *screen = rig.top();
    if (!screen || !QmlHarness::waitFor([&] { return !QmlHarness::shownItems(screen, u"videoRow"_qs).isEmpty(); })) {
        std::fprintf(stderr, "no rows\n");
        return 1;
    }
    // Once more, with every component compiled.
    rig.app().router()->setLibraryPath({});
    QmlHarness::waitFor([&] { return rig.stack()->property("depth").toInt() == 0; });
    homefeed::nextFrame(window);
    const Timed again = timedFrame(window, [&] { rig.open(LibraryRoutes::liked()); });
    screen = rig.top();
    QmlHarness::waitFor([&] { return !QmlHarness::shownItems(screen, u"videoRow"_qs).isEmpty(); });
    const qsizetype built = QmlHarness::findAllIn(screen, u"videoRow"_qs).size();
    const qsizetype shown = QmlHarness::shownItems(screen, u"videoRow"_qs).size();
    QQuickItem *field = QmlHarness::findIn(screen, u"searchInput"_qs);
    std::printf("liked videos              %d\n", likedCount);
    std::printf("screen ready              %.2f ms + frame %.2f ms (%lld rows built, %lld on screen)\n", ms(ready.change),
                ms(ready.frame), qlonglong(built), qlonglong(shown));
    std::printf("screen ready again        %.2f ms + frame %.2f ms\n", ms(again.change), ms(again.frame));
    QString typed;
    const QStringList keys = qEnvironmentVariableIsSet("KEYS") ? qEnvironmentVariable("KEYS").split(u',') : QStringList{u"v"_qs, u"í"_qs, u"d"_qs, u"eo"_qs, u" 4"_qs, u"9"_qs, u"9"_qs};
    for (const QString &key : keys) {
        typed += key;
        const Timed t = timedFrame(window, [&] { field->setProperty("text", typed); });
        std::printf("keystroke %-15s %.2f ms + frame %.2f ms (%d shown, %lld rows built)\n",
                    qPrintable(QLatin1Char('"') + typed + QLatin1Char('"')), ms(t.change), ms(t.frame),
                    screen->property("model").value<QObject *>()->property("shown").value<QObject *>()->property("count").toInt(),
                    qlonglong(QmlHarness::findAllIn(screen, u"videoRow"_qs).size()));
    }

    rig.reset(1);
    if (!rig.library().importBackup(backup(0, 300)))
        return 1;
    QList<Video> queue;
    for (int i = 0; i < 1000; ++i)
        queue.append(Json::decode<Video>(QJsonDocument(videoJson(200000 + i)).toJson()));
    rig.app().player()->setQueue(queue);
    QElapsedTimer clock;
    clock.start();
    if (!rig.load())
        return 1;
    homefeed::nextFrame(window = rig.window());
    const qint64 tab = clock.nsecsElapsed();
    QQuickItem *root = rig.stack()->property("rootScreen").value<QQuickItem *>();
    std::printf("tab, 300 history + 1000 queued: first frame %.2f ms, %lld recent tiles, %lld queue rows\n", ms(tab),
                qlonglong(QmlHarness::findAllIn(root, u"recentTile"_qs).size()),
                qlonglong(QmlHarness::findAllIn(QmlHarness::findIn(root, u"queueSection"_qs), u"videoRow"_qs).size()));
    rig.unload();
    return 0;
}
