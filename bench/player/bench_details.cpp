// The first frame of the player with 200 related videos under it and of the
// comments sheet with 500 comments, against the same views with empty lists,
// each in processes of its own so the peak resident sizes compare (medians of
// three runs). The lists come from the dev backend as raw bodies.
#include "HomeRig.h"
#include "LibraryRig.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <ctime>
#include <vector>

namespace {

const QString kVideo = QStringLiteral("bd000000001");

QByteArray related(int n)
{
    QJsonArray out;
    for (int i = 0; i < n; ++i)
        out.append(QJsonObject{{"id", QStringLiteral("rl%1").arg(i, 9, 10, QLatin1Char('0'))},
                               {"title", QStringLiteral("Vídeo relacionado %1, con un título que ocupa dos líneas").arg(i)},
                               {"channel", QStringLiteral("Canal %1").arg(i % 23)},
                               {"duration", 60 + i * 13 % 3000},
                               {"views", i * 1117}});
    return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

QByteArray comments(int n)
{
    QJsonArray out;
    for (int i = 0; i < n; ++i)
        out.append(QJsonObject{{"id", QStringLiteral("c%1").arg(i)},
                               {"author", QStringLiteral("Persona %1").arg(i % 41)},
                               {"text", QStringLiteral("Comentario %1: un texto de dos o tres líneas que cuenta algo "
                                                       "sobre el vídeo y sigue un poco más.").arg(i)},
                               {"likes", i * 37 % 4000},
                               {"time", QStringLiteral("hace %1 días").arg(i % 30 + 1)},
                               {"pinned", i == 0},
                               {"byUploader", i % 50 == 0}});
    return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

// One case in this process: prints "frame <ms> rss <KiB>", the frame in CPU
// time of the GUI thread (it makes, lays out and draws everything, and the
// other loads of a busy machine count less). The frame is the first one
// after the player opens over a video whose related list is in (details), or
// after the comments sheet opens over loaded comments (comments).
int runCase(const QString &what, int n)
{
    librarytab::LibraryRig rig;
    if (!rig.start())
        return 1;
    rig.reset(1);
    const bool forComments = what == QLatin1String("comments");
    FaultRule rule;
    rule.pathPrefix = (forComments ? QStringLiteral("/api/comments/") : QStringLiteral("/api/related/")) + kVideo;
    rule.body = FaultRule::Body::Raw;
    rule.rawBody = forComments ? comments(n) : related(n);
    rig.backend().addFault(rule);
    if (!rig.load())
        return 1;
    PlayerStore &player = *rig.app().player();
    QQuickItem *slot = rig.qml().find(QStringLiteral("playerSheet"));
    auto sheet = [&] { return slot->property("item").value<QQuickItem *>(); };
    Video v;
    v.id = kVideo;
    v.title = QStringLiteral("Vídeo de prueba");
    v.channel = QStringLiteral("Canal");
    player.play(v, std::nullopt, true);
    if (!forComments)
        player.setPresented(false);
    if (!QmlHarness::waitFor([&] { return player.commentsState().isLoaded() && (forComments == (sheet() != nullptr)); },
                             20000))
        return 1;
    QTest::qWait(800);

    auto cpuNs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    qint64 start = -1;
    qint64 frame = -1;
    QObject::connect(rig.window(), &QQuickWindow::frameSwapped, [&] {
        if (start >= 0 && frame < 0)
            frame = cpuNs() - start;
    });
    start = cpuNs();
    if (forComments)
        sheet()->property("details").value<QObject *>()->setProperty("showComments", true);
    else
        player.setPresented(true);
    if (!QmlHarness::waitFor([&] { return frame >= 0; }, 20000))
        return 1;
    QTest::qWait(500);
    std::printf("frame %.2f rss %ld\n", frame / 1e6, homefeed::peakRssKb());
    rig.unload();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3)
        return runCase(args[1], args[2].toInt());

    int bad = 0;
    for (const auto &[what, n] : {std::pair{QStringLiteral("details"), 200}, std::pair{QStringLiteral("comments"), 500}}) {
        // Each case three times, in processes of their own; the medians count.
        double frames[2] = {0, 0};
        long rss[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            std::vector<double> f;
            std::vector<long> r;
            for (int run = 0; run < 3; ++run) {
                QProcess child;
                child.start(args[0], {what, QString::number(k == 0 ? 0 : n)});
                child.waitForFinished(60000);
                const QString out = QString::fromUtf8(child.readAllStandardOutput());
                const auto m = QRegularExpression(QStringLiteral("frame ([0-9.]+) rss ([0-9]+)")).match(out);
                if (child.exitCode() != 0 || !m.hasMatch()) {
                    std::fprintf(stderr, "%s %d failed\n", qPrintable(what), k == 0 ? 0 : n);
                    return 1;
                }
                f.push_back(m.captured(1).toDouble());
                r.push_back(m.captured(2).toLong());
            }
            std::sort(f.begin(), f.end());
            std::sort(r.begin(), r.end());
            frames[k] = f[1];
            rss[k] = r[1];
        }
        const double frameRatio = frames[1] / std::max(frames[0], 0.01);
        const double rssRatio = double(rss[1]) / double(rss[0]);
        std::printf("%-9s 0: frame %7.2f ms, peak %6.1f MiB | %d: frame %7.2f ms, peak %6.1f MiB | x%.2f, x%.2f\n",
                    qPrintable(what), frames[0], rss[0] / 1024.0, n, frames[1], rss[1] / 1024.0, frameRatio, rssRatio);
        bad += frameRatio > 1.5 || rssRatio > 1.5;
    }
    return bad == 0 ? 0 : 2;
}
