// The whole program killed while the library changes in bursts: the library
// and positions files are always one whole snapshot, never a torn one, and a
// polite end (SIGTERM) keeps the last change and the play head.
//
// The test runs itself as the app: `--child <video id> <start>` starts the
// real program, plays the video from the test's backend, pauses it, tells
// the play head ("head <t>") and then changes the library without pause
// (step k likes video "k<k>" and gives it the position k). It tells its
// last step as it quits ("quit <k>").
#include "AppFixture.h"
#include "Fixtures.h"
#include "LibraryStore.h"
#include "MediaEngine.h"
#include "NimbeloraApp.h"
#include "TestDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>

namespace {

constexpr int kStepsPerTick = 8;
constexpr int kMaxSteps = 3000;

int childMain(int argc, char *argv[])
{
    if (argc < 4)
        return 2;
    // The same data folder as the test that reads it afterwards.
    QStandardPaths::setTestModeEnabled(true);
    const QString id = QString::fromLocal8Bit(argv[2]);
    const double start = std::atof(argv[3]);

    NimbeloraApp::Hooks hooks;
    hooks.windowCreated = [id, start](QQuickWindow *, NimbeloraApp *app) {
        auto *step = new int(0);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [step] {
            std::printf("quit %d\n", *step);
            std::fflush(stdout);
        });
        Video v;
        v.id = id;
        v.title = QStringLiteral("Vídeo");
        v.duration = 600;
        app->player()->play(v, start, false);

        // Playing past the start: pause, let the head settle, tell it.
        auto *watch = new QTimer(app);
        watch->setInterval(50);
        QObject::connect(watch, &QTimer::timeout, app, [app, watch, start, step] {
            MediaEngine *engine = app->player()->player();
            static int pausedFor = -1;
            if (pausedFor < 0) {
                if (engine->hasItem() && engine->currentTime() >= start + 0.5
                    && engine->timeControlStatus() == MediaEngine::TimeControlStatus::Playing) {
                    engine->pause();
                    pausedFor = 0;
                }
                return;
            }
            if (++pausedFor < 8)
                return;
            watch->stop();
            std::printf("head %.17g\n", engine->currentTime());
            std::fflush(stdout);
            auto *burst = new QTimer(app);
            burst->setInterval(0);
            QObject::connect(burst, &QTimer::timeout, app, [app, burst, step] {
                for (int i = 0; i < kStepsPerTick && *step < kMaxSteps; ++i) {
                    ++*step;
                    Video w;
                    w.id = QStringLiteral("k%1").arg(*step);
                    w.title = QStringLiteral("Paso %1").arg(*step);
                    app->library()->toggleLike(w);
                    app->library()->setPosition(w.id, *step);
                }
                if (*step >= kMaxSteps)
                    burst->stop();
            });
            burst->start();
        });
        watch->start();
    };
    int n = 1;
    char *only[] = {argv[0], nullptr};
    return NimbeloraApp::main(n, only, hooks);
}

// "k<n>" … "k1": the liked list after n steps.
bool isStepPrefix(const QList<Video> &liked)
{
    for (qsizetype i = 0; i < liked.size(); ++i)
        if (liked[i].id != QStringLiteral("k%1").arg(liked.size() - i))
            return false;
    return true;
}

} // namespace

class TestKillSignal : public QObject
{
    Q_OBJECT

    AppFixture m_app;

private slots:
    void initTestCase() { QVERIFY2(m_app.start(), qPrintable(m_app.error())); }
    void init() { AppFixture::clearData(); }
    void cleanup() { AppFixture::clearData(); }

    void killDuringBursts_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("afterMs"); // after the head is told
        QTest::newRow("SIGKILL at once") << int(SIGKILL) << 0;
        QTest::newRow("SIGKILL mid-burst") << int(SIGKILL) << 150;
        QTest::newRow("SIGKILL later") << int(SIGKILL) << 700;
        QTest::newRow("SIGTERM mid-burst") << int(SIGTERM) << 150;
        QTest::newRow("SIGTERM later") << int(SIGTERM) << 700;
    }

    void killDuringBursts()
    {
        QFETCH(int, signal);
        QFETCH(int, afterMs);
        const FxVideo &video = m_app->fixtures().videos().first();
        const double start = 3;

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("NIMBELORA_BACKEND_URL"), m_app->origin());
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), video.id, QString::number(start)});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        const auto stop = qScopeGuard([&] {
            if (child.state() != QProcess::NotRunning) {
                child.kill();
                child.waitForFinished();
            }
        });

        QByteArray out;
        const auto line = [&](const QByteArray &prefix) -> QByteArray {
            for (const QByteArray &l : out.split('\n'))
                if (l.startsWith(prefix))
                    return l.mid(prefix.size());
            return {};
        };
        const bool told = TestTime::waitFor([&] {
            out += child.readAllStandardOutput();
            return !line("head ").isEmpty() || child.state() == QProcess::NotRunning;
        }, 60000);
        QVERIFY2(told && !line("head ").isEmpty(), child.readAllStandardError().right(2000).constData());
        const double head = line("head ").toDouble();
        QVERIFY(head >= start);

        QTest::qWait(afterMs);
        ::kill(pid_t(child.processId()), signal);
        QVERIFY(child.waitForFinished(30000));
        out += child.readAllStandardOutput();
        if (signal == SIGTERM)
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        else
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        // Whatever is on disk decodes whole: nothing was put aside as damaged.
        const QDir data(TestDirs::dataDir());
        LibraryStore library;
        const QList<Video> liked = library.liked();
        QVERIFY2(data.entryList({QStringLiteral("*damaged*")}, QDir::Files).isEmpty(),
                 qPrintable(data.entryList().join(u' ')));
        QVERIFY2(isStepPrefix(liked), qPrintable(liked.isEmpty() ? QString() : liked.first().id));
        if (afterMs >= 700)
            QVERIFY(!liked.isEmpty()); // the bursts did reach the disk

        QJsonObject positions;
        QFile file(data.filePath(QStringLiteral("positions.json")));
        if (file.open(QIODevice::ReadOnly)) {
            QJsonParseError error;
            positions = QJsonDocument::fromJson(file.readAll(), &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        }
        // The positions file too is one moment's: steps 1…m, each its own number.
        int steps = 0;
        for (auto it = positions.begin(); it != positions.end(); ++it)
            if (it.key().startsWith(u'k')) {
                ++steps;
                QCOMPARE(it.value().toDouble(), it.key().mid(1).toDouble());
            }
        for (int k = 1; k <= steps; ++k)
            QVERIFY2(positions.contains(QStringLiteral("k%1").arg(k)), qPrintable(QString::number(k)));

        if (signal != SIGTERM)
            return;
        // A polite end lands the last change and the play head.
        const QByteArray quit = line("quit ");
        QVERIFY2(!quit.isEmpty(), out.constData());
        QCOMPARE(liked.size(), quit.toInt());
        QCOMPARE(steps, quit.toInt());
        QCOMPARE(positions.value(video.id).toDouble(), head);
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return childMain(argc, argv);
    QCoreApplication app(argc, argv);
    // The folder the app writes to, not one named after this program.
    QCoreApplication::setOrganizationName(QStringLiteral("Nimbelora"));
    QCoreApplication::setApplicationName(QStringLiteral("Nimbelora"));
    TestKillSignal test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killsignal.moc"
