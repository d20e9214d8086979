// Saves the four remote video feeds (home, search results, a channel page and
// an account list) in each of their states, light and dark, for a look by
// eye and for comparing two builds shot for shot: the first page on its way,
// failed, empty and loaded, and loaded at its end with the next page on its
// way.
#include "DiskCache.h"
#include "HomeRig.h"
#include "LibraryRig.h"
#include "PagedList.h"
#include "SearchModel.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QTest>
#include <functional>

using namespace librarytab;

namespace {

QString g_dir;
int g_failures = 0;

enum class Want { loading, failed, empty, loaded, paging };

const QList<std::pair<Want, QString>> wants{{Want::loading, u"loading"_qs},
                                            {Want::failed, u"error"_qs},
                                            {Want::empty, u"empty"_qs},
                                            {Want::loaded, u"loaded"_qs},
                                            {Want::paging, u"paging"_qs}};

void save(LibraryRig &rig, const QString &name, int theme)
{
    QTest::qWait(1500); // transitions, thumbnails and avatars
    g_failures += !homefeed::saveShot(rig.window(), g_dir, name + (theme == 2 ? u"-dark.png"_qs : u"-light.png"_qs));
}

bool wait(const char *what, const std::function<bool()> &pred)
{
    const bool ok = homefeed::waitFor(what, pred, 10000);
    g_failures += !ok;
    return ok;
}

// What the backend does with `path` for the state wanted; a first page of
// `emptyBody` for the empty one. Delays are short: a request held back keeps
// one of the backend's threads until it answers.
void arrange(LibraryRig &rig, Want want, const QString &path, const QByteArray &emptyBody = "[]")
{
    // No list cached by an earlier shot stands in for the first page.
    QDir(DiskCache::dir()).removeRecursively();
    switch (want) {
    case Want::loading:
        rig.backend().delayPath(path, 6000);
        break;
    case Want::failed:
        rig.backend().failPath(path, 500, u"El servidor se cayó"_qs);
        break;
    case Want::empty: {
        FaultRule rule;
        rule.pathPrefix = path;
        rule.body = FaultRule::Body::Raw;
        rule.rawBody = emptyBody;
        rig.backend().addFault(rule);
        break;
    }
    case Want::paging: {
        FaultRule rule;
        rule.pathPrefix = path;
        rule.id = u"1"_qs;
        rule.delayMs = 6000;
        rig.backend().addFault(rule);
        break;
    }
    case Want::loaded:
        break;
    }
}

PagedList *modelOf(QQuickItem *screen)
{
    return screen ? qobject_cast<PagedList *>(screen->property("model").value<QObject *>()) : nullptr;
}

QQuickItem *topOf(LibraryRig &rig, const QString &stack)
{
    QQuickItem *s = rig.qml().find(stack);
    return s ? s->property("topScreen").value<QQuickItem *>() : nullptr;
}

// Waits for the state wanted on the screen on top of `stack`, and saves it.
void shoot(LibraryRig &rig, const QString &stack, Want want, const QString &name, int theme)
{
    PagedList *model = nullptr;
    if (!wait("screen", [&] { return (model = modelOf(topOf(rig, stack))) != nullptr; }))
        return;
    const bool reached = wait(qPrintable(name), [&] {
        const LoadState s = model->state();
        switch (want) {
        case Want::loading:
            return s.isLoading() || s.isIdle();
        case Want::failed:
            return s.isFailed();
        default:
            return s.isLoaded();
        }
    });
    if (!reached) {
        std::fprintf(stderr, "  state %s %s\n", model->state().isFailed() ? "failed" : model->state().isLoaded() ? "loaded" : "loading",
                     qPrintable(model->state().message));
        return;
    }
    if (want == Want::paging) {
        QTest::qWait(800);
        scrollToBottom(topOf(rig, stack));
        if (!wait("next page", [&] { return model->loadingMore(); }))
            return;
        QTest::qWait(100);
        scrollToBottom(topOf(rig, stack)); // down to the spinner under the list
    }
    save(rig, name, theme);
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
    rig.backend().prepareMedia();
    const QList<Video> feed = LibraryRig::videos();
    const ChannelRoute channel{feed.first().channelId.value_or(QString()), feed.first().channel};
    const QByteArray emptyChannel = QJsonDocument(QJsonObject{{"id", channel.id}, {"name", channel.name},
                                                              {"description", QString()}, {"verified", false},
                                                              {"videos", QJsonArray()}})
                                        .toJson(QJsonDocument::Compact);

    for (int theme : {1, 2}) {
        for (const auto &[want, state] : wants) {
            rig.reset(theme);
            arrange(rig, want, u"/api/feed"_qs);
            if (rig.load()) {
                rig.app().router()->setTab(AppTab::home);
                shoot(rig, u"homeStack"_qs, want, u"home-"_qs + state, theme);
            }

            rig.reset(theme);
            arrange(rig, want, u"/api/search"_qs);
            if (rig.load()) {
                rig.app().router()->setTab(AppTab::search);
                if (auto *search = qobject_cast<SearchModel *>(modelOf(topOf(rig, u"searchStack"_qs)))) {
                    search->run(u"de"_qs, false);
                    shoot(rig, u"searchStack"_qs, want, u"search-"_qs + state, theme);
                }
            }

            rig.reset(theme);
            arrange(rig, want, u"/api/channel/"_qs, emptyChannel);
            if (rig.load()) {
                rig.app().router()->setTab(AppTab::search);
                rig.app().router()->openChannel(channel);
                shoot(rig, u"searchStack"_qs, want, u"channel-"_qs + state, theme);
            }

            rig.reset(theme, true);
            arrange(rig, want, u"/api/me/feed"_qs);
            if (rig.load()) {
                rig.open(LibraryRoutes::remote(u"liked"_qs));
                shoot(rig, u"libraryStack"_qs, want, u"account-"_qs + state, theme);
            }
        }
    }
    rig.unload();
    return g_failures == 0 ? 0 : 1;
}
