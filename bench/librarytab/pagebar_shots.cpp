// Walks every tab and every pushed screen, at the top and scrolled to the
// bottom, in light and dark, and saves each for a look by eye: no bar
// covered, no title cut, no blank area.
#include "Fixtures.h"
#include "HomeRig.h"
#include "LibraryRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTest>

using namespace librarytab;

namespace {

QString g_dir;
int g_failures = 0;

void save(LibraryRig &rig, const QString &name, int theme)
{
    QTest::qWait(900); // transitions, thumbnails and avatars
    const QString path = QDir(g_dir).absoluteFilePath(name + (theme == 2 ? u"-dark.png"_qs : u"-light.png"_qs));
    const bool ok = rig.window()->grabWindow().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    g_failures += !ok;
}

void shoot(LibraryRig &rig, QQuickItem *stack, const QString &name, int theme)
{
    save(rig, name, theme);
    if (QQuickItem *screen = stack ? stack->property("topScreen").value<QQuickItem *>() : nullptr) {
        scrollToBottom(screen);
        save(rig, name + u"-bottom"_qs, theme);
    }
}

void fill(LibraryRig &rig)
{
    const QList<Video> videos = LibraryRig::videos() + LibraryRig::videos(u"foryou"_qs, 1);
    LibraryStore &library = rig.library();
    for (qsizetype i = 0; i < 20 && i < videos.size(); ++i)
        library.addToHistory(videos.at(i));
    for (qsizetype i = 3; i < 15; ++i)
        library.toggleLike(videos.at(i));
    for (qsizetype i = 6; i < 16; ++i)
        library.toggleWatchLater(videos.at(i));
    for (int i = 0; i < 8; ++i)
        library.createPlaylist(u"Lista "_qs + QString::number(i + 1), QVariant::fromValue(videos.at(i)));
    for (qsizetype i = 20; i < 32; ++i)
        library.toggleSubscription(videos.at(i).channelId.value_or(u"UC"_qs + QString::number(i)), videos.at(i).channel,
                                   std::optional<QString>());
    library.hideChannel(videos.at(33).channel);
}

} // namespace

int main(int argc, char *argv[])
{
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    g_dir = homefeed::shotsFolder(argc, argv);

    LibraryRig rig;
    if (!rig.start())
        return 1;
    const QList<Video> feed = LibraryRig::videos();
    const ChannelRoute channel{feed.first().channelId.value_or(QString()), feed.first().channel};

    for (int theme : {1, 2}) {
        rig.reset(theme, true);
        fill(rig);
        if (!rig.load())
            continue;
        Router *router = rig.app().router();
        const QList<std::pair<AppTab, QString>> tabs{{AppTab::home, u"homeStack"_qs},
                                                      {AppTab::shorts, QString()},
                                                      {AppTab::search, u"searchStack"_qs},
                                                      {AppTab::subscriptions, u"subscriptionsStack"_qs},
                                                      {AppTab::library, u"libraryStack"_qs}};
        for (const auto &[tab, stackName] : tabs) {
            router->setTab(tab);
            QQuickItem *stack = stackName.isEmpty() ? nullptr : rig.qml().find(stackName);
            shoot(rig, stack, u"tab-"_qs + QString::number(int(tab)), theme);
        }
        router->setTab(AppTab::subscriptions);
        router->openChannel(channel);
        shoot(rig, rig.qml().find(u"subscriptionsStack"_qs), u"channel"_qs, theme);
        router->setSubsPath({});

        router->setTab(AppTab::library);
        const QList<std::pair<LibraryRoute, QString>> routes{
            {LibraryRoutes::settings(), u"ajustes"_qs},          {LibraryRoutes::sponsorCategories(), u"que-saltar"_qs},
            {LibraryRoutes::homeCategories(), u"categorias"_qs}, {LibraryRoutes::changelog(), u"novedades"_qs},
            {LibraryRoutes::stats(), u"estadisticas"_qs},        {LibraryRoutes::history(), u"historial"_qs},
            {LibraryRoutes::liked(), u"me-gusta"_qs},            {LibraryRoutes::later(), u"ver-mas-tarde"_qs},
            {LibraryRoutes::playlists(), u"mis-listas"_qs},      {LibraryRoutes::hidden(), u"ocultos"_qs}};
        for (const auto &[route, name] : routes) {
            router->setLibraryPath({LibraryRoutes::settings()});
            if (!(route == LibraryRoutes::settings()))
                router->open(QVariant::fromValue(route));
            shoot(rig, rig.stack(), name, theme);
        }
        // Back to a scrolled Ajustes.
        router->setLibraryPath({LibraryRoutes::settings(), LibraryRoutes::hidden()});
        QTest::qWait(500);
        router->setLibraryPath({LibraryRoutes::settings()});
        save(rig, u"ajustes-back"_qs, theme);
    }
    rig.unload();
    return g_failures == 0 ? 0 : 1;
}
