// Saves the settings and the screens it opens, in light and dark, for a look
// by eye: the settings top and bottom (signed in, with the update badge),
// both choosers, the release notes and their error, the statistics over a
// seeded history, the icons with "Noche" chosen, and the backup section
// after an export and after a refused file, with its file picker.
#include "AppIcons.h"
#include "BackupModel.h"
#include "ChangelogModel.h"
#include "HomeRig.h"
#include "LibraryRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using namespace librarytab;

namespace {

QString g_dir;
int g_failures = 0;

void save(LibraryRig &rig, const QString &name, int theme)
{
    QTest::qWait(900);
    g_failures += !homefeed::saveShot(rig.window(), g_dir, name + (theme == 2 ? u"-dark.png"_qs : u"-light.png"_qs));
}

bool wait(const char *what, const std::function<bool()> &pred)
{
    const bool ok = homefeed::waitFor(what, pred);
    g_failures += !ok;
    return ok;
}

bool onTop(LibraryRig &rig, const QString &title)
{
    return wait(qPrintable(title), [&] { return rig.top() && rig.top()->property("title").toString() == title; });
}

void scrollTo(LibraryRig &rig, const char *list, const QString &item)
{
    QQuickItem *flick = QmlHarness::findIn(rig.top(), QString::fromLatin1(list));
    QQuickItem *target = QmlHarness::findIn(rig.top(), item);
    if (!flick || !target)
        return;
    const QPointF at = target->mapToItem(flick->property("contentItem").value<QQuickItem *>(), QPointF(0, 0));
    const qreal most = flick->property("contentHeight").toReal() - flick->height();
    flick->setProperty("contentY", std::clamp(at.y() - 80, 0.0, std::max(0.0, most)));
}

void seed(LibraryRig &rig)
{
    const QList<Video> videos = LibraryRig::videos() + LibraryRig::videos(u"foryou"_qs, 1);
    QDateTime t = QDateTime::currentDateTime().addDays(-6);
    for (qsizetype i = 0; i < 24 && i < videos.size(); ++i) {
        Clock::setSource([t] { return t; });
        rig.library().addToHistory(videos.at(i));
        t = t.addSecs(i % 3 == 0 ? 9 * 3600 : 2 * 3600);
    }
    Clock::setSource({});
    for (qsizetype i = 0; i < 5; ++i)
        rig.library().toggleLike(videos.at(i));
    rig.library().createPlaylist(u"Para el viaje"_qs);
}

} // namespace

int main(int argc, char *argv[])
{
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    g_dir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                     : QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(u"shots"_qs);
    QDir().mkpath(g_dir);

    LibraryRig rig;
    if (!rig.start())
        return 1;

    for (int theme : {1, 2}) {
        rig.reset(theme, true);
        seed(rig);
        if (!rig.load())
            return 1;
        rig.open(LibraryRoutes::settings());
        if (onTop(rig, u"Ajustes"_qs)
            && wait("badge", [&] { return QmlHarness::findIn(rig.top(), u"updateBadge"_qs)->isVisible(); })) {
            save(rig, u"settings-top"_qs, theme);
            QSignalSpy icon(&AppIcons::shared(), &AppIcons::finished);
            AppIcons::shared().choose(u"AppIcon-night"_qs);
            icon.wait(3000);
            scrollTo(rig, "settingsList", u"backupSection"_qs);
            save(rig, u"settings-icons"_qs, theme);
            rig.qml().click(QmlHarness::findIn(rig.top(), u"createBackupRow"_qs));
            scrollTo(rig, "settingsList", u"changelogRow"_qs);
            save(rig, u"settings-bottom-exported"_qs, theme);
            const QString bad = QDir(g_dir).absoluteFilePath(u"not-a-backup.json"_qs);
            QFile f(bad);
            f.open(QIODevice::WriteOnly);
            f.write("{}");
            f.close();
            auto *backup = QmlHarness::findIn(rig.top(), u"backupSection"_qs)->property("model").value<BackupModel *>();
            QCoro::waitFor(backup->restore(QUrl::fromLocalFile(bad)));
            save(rig, u"settings-bottom-refused"_qs, theme);
            // The picker of "Restaurar desde un archivo", as the user opens it.
            rig.qml().click(QmlHarness::findIn(rig.top(), u"restoreRow"_qs));
            QQuickItem *picker = QmlHarness::findIn(rig.top(), u"restorePicker"_qs);
            if (wait("restore picker", [&] {
                    auto *dialog = picker ? picker->property("dialog").value<QObject *>() : nullptr;
                    return dialog && dialog->property("visible").toBool();
                })) {
                save(rig, u"restore-picker"_qs, theme);
                QMetaObject::invokeMethod(picker->property("dialog").value<QObject *>(), "reject");
            }
            AppIcons::shared().choose(QString());
            icon.wait(3000);
        }
        rig.open(LibraryRoutes::sponsorCategories());
        if (onTop(rig, u"Qué saltar"_qs))
            save(rig, u"sponsor-categories"_qs, theme);
        Defaults::shared().setValue(u"pref.hiddenCats"_qs, u"foryou,news, tech"_qs);
        rig.open(LibraryRoutes::homeCategories());
        if (onTop(rig, u"Categorías"_qs))
            save(rig, u"home-categories"_qs, theme);
        rig.open(LibraryRoutes::changelog());
        if (onTop(rig, u"Novedades"_qs)
            && wait("release notes", [&] { return rig.top()->property("model").value<ChangelogModel *>()->state().isLoaded(); }))
            save(rig, u"changelog"_qs, theme);
        rig.open(LibraryRoutes::stats());
        if (onTop(rig, u"Estadísticas"_qs))
            save(rig, u"stats"_qs, theme);
        rig.backend().failPath(u"/api/changelog"_qs, 500, u"No disponible."_qs);
        rig.open(LibraryRoutes::history());
        rig.open(LibraryRoutes::changelog());
        if (onTop(rig, u"Novedades"_qs)
            && wait("release notes error", [&] { return QmlHarness::findIn(rig.top(), u"changelogError"_qs)->isVisible(); }))
            save(rig, u"changelog-error"_qs, theme);
    }
    rig.unload();
    return g_failures == 0 ? 0 : 1;
}
