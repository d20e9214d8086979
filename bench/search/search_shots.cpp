// Saves the search screen offscreen, in the light and the dark theme: the
// start page, the suggestions of a typed link, the empty field's sections,
// results with a filter, placeholders, the backend down, no results.
#include "SearchRig.h"
#include "AppScheme.h"
#include "WebSignIn.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>

using namespace homefeed;

namespace {

int failures = 0;

void shoot(HomeRig &rig, const QString &dir, const QString &name)
{
    for (int scheme : {1, 2}) {
        AppScheme::shared().setScheme(scheme);
        QTest::qWait(300);
        failures += !saveShot(rig.window(), dir, name + (scheme == 1 ? u"-light.png"_qs : u"-dark.png"_qs));
    }
    AppScheme::shared().setScheme(1);
}

bool wait(const char *what, const std::function<bool()> &pred, int ms = 8000)
{
    const bool ok = waitFor(what, pred, ms);
    failures += !ok;
    return ok;
}

SearchModel *load(HomeRig &rig)
{
    QQuickItem *root = rig.load(430, 932, searchView, searchStores);
    return root ? root->property("model").value<SearchModel *>() : nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    const QString dir = shotsFolder(argc, argv);

    HomeRig rig;
    if (!rig.start())
        return 1;
    const bool media = rig.backend().prepareMedia();

    rig.reset();
    if (SearchModel *search = load(rig)) {
        QTest::qWait(300);
        shoot(rig, dir, u"search-start"_qs);

        search->setSearching(true);
        search->setText(u"https://youtu.be/dQw4w9WgXcQ?t=83"_qs);
        QTest::qWait(600);
        shoot(rig, dir, u"search-link"_qs);

        search->setText(u"rece"_qs);
        wait("suggestions", [&] { return !search->suggestions().isEmpty(); });
        shoot(rig, dir, u"search-suggestions"_qs);

        for (int i = 0; i < 12; ++i)
            rig.library()->addSearch(u"búsqueda %1"_qs.arg(i));
        search->setText({});
        QTest::qWait(300);
        shoot(rig, dir, u"search-empty-field"_qs);

        search->run(u"de"_qs, false);
        search->pickFilter(u"long"_qs);
        if (wait("results", [&] { return search->state().isLoaded(); }))
            QTest::qWait(media ? 2000 : 300);
        // The chips scrolled as far as the one picked.
        if (QQuickItem *bar = rig.qml().find(u"filterBar"_qs))
            bar->setProperty("contentX", 330);
        shoot(rig, dir, u"search-long"_qs);

        search->run(u"zzqqxx"_qs, false);
        wait("no results", [&] { return search->state().isLoaded(); });
        shoot(rig, dir, u"search-none"_qs);
    }

    rig.reset();
    rig.backend().delayPath(u"/api/search"_qs, 20000);
    if (SearchModel *search = load(rig)) {
        search->run(u"de"_qs, false);
        QTest::qWait(600);
        shoot(rig, dir, u"search-loading"_qs);
    }

    rig.reset();
    API::shared().setBaseUrl(QUrl(u"http://127.0.0.1:9"_qs));
    if (SearchModel *search = load(rig)) {
        search->run(u"de"_qs, false);
        wait("error", [&] { return search->state().isFailed(); }, 15000);
        shoot(rig, dir, u"search-down"_qs);
    }
    rig.unload();
    return failures == 0 ? 0 : 1;
}
