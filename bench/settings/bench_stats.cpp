// Times one evaluation of the viewing statistics over 300 history entries
// and over 5,000 (more than the app keeps, as a restored backup may hold).
#include "AppFixture.h"
#include "Clock.h"
#include "StatsModel.h"

#include <QElapsedTimer>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

QByteArray backup(int entries)
{
    QJsonArray history;
    const double now = Clock::referenceSeconds();
    for (int i = 0; i < entries; ++i) {
        const QJsonObject video{{"id", QStringLiteral("st%1").arg(i, 9, 10, QLatin1Char('0'))},
                                {"title", QStringLiteral("Vídeo %1").arg(i)},
                                {"channel", QStringLiteral("Canal %1").arg(i % 53)},
                                {"duration", 60 + i * 7 % 3600}};
        history.append(QJsonObject{{"video", video}, {"date", now - i * 1800.0}});
    }
    return QJsonDocument(QJsonObject{{"history", history}, {"liked", QJsonArray()}, {"watchLater", QJsonArray()},
                                     {"subscriptions", QJsonArray()}, {"searches", QJsonArray()}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    AppFixture::prepare();
    int slow = 0;
    for (int entries : {300, 5000}) {
        AppFixture::clearData();
        LibraryStore library;
        if (!library.importBackup(backup(entries)))
            return 1;
        StatsModel stats;
        stats.setLibrary(&library);
        double worst = 0;
        for (int run = 0; run < 20; ++run) {
            QElapsedTimer timer;
            timer.start();
            stats.refresh();
            worst = std::max(worst, timer.nsecsElapsed() / 1e6);
        }
        std::printf("statistics over %d entries (%lld kept): worst of 20 evaluations %.2f ms\n", entries,
                    qint64(library.history().size()), worst);
        slow += worst >= 16;
    }
    return slow == 0 ? 0 : 1;
}
