#include "AppIcons.h"
#include "BackgroundPool.h"
#include "Defaults.h"
#include "Haptics.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWindow>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString key = QStringLiteral("appIcon");
const QString desktopName = QStringLiteral("applications/nimbelora.desktop");

// Rewrites (or adds) the Icon= line of the desktop entry into the user's
// copy. True when there is no entry to rewrite.
bool writeDesktopIcon(const QString &icon)
{
    const QString source = QStandardPaths::locate(QStandardPaths::GenericDataLocation, desktopName);
    if (source.isEmpty())
        return true;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(in.readAll());
    in.close();
    static const QRegularExpression line(QStringLiteral("^Icon=.*$"), QRegularExpression::MultilineOption);
    const QString wanted = QStringLiteral("Icon=") + icon;
    if (text.contains(line)) {
        text.replace(line, wanted);
    } else {
        const qsizetype header = text.indexOf(QStringLiteral("[Desktop Entry]"));
        const qsizetype end = header < 0 ? -1 : text.indexOf(u'\n', header);
        if (end < 0)
            return false;
        text.insert(end + 1, wanted + u'\n');
    }
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (home.isEmpty() || !QDir().mkpath(home + QStringLiteral("/applications")))
        return false;
    QSaveFile out(home + u'/' + desktopName);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(text.toUtf8());
    return out.commit();
}

// Qt hands a new application icon to each open window as that window's own
// icon, and a window with an icon of its own keeps it through later changes
// of the application's: so the open windows are given the picture as well.
void showIcon(const QIcon &icon)
{
    QGuiApplication::setWindowIcon(icon);
    for (QWindow *window : QGuiApplication::topLevelWindows())
        window->setIcon(icon);
}

} // namespace

AppIcons &AppIcons::shared()
{
    static AppIcons *instance = new AppIcons;
    return *instance;
}

AppIcons *AppIcons::create(QQmlEngine *, QJSEngine *)
{
    QQmlEngine::setObjectOwnership(&shared(), QQmlEngine::CppOwnership);
    return &shared();
}

const QList<AppIcons::Option> &AppIcons::all()
{
    static const QList<Option> options{
        {u"classic"_qs, u"Clásico"_qs, QString(), u"nimbelora"_qs},
        {u"night"_qs, u"Noche"_qs, u"AppIcon-night"_qs, u"nimbelora-night"_qs},
        {u"ocean"_qs, u"Océano"_qs, u"AppIcon-ocean"_qs, u"nimbelora-ocean"_qs},
        {u"mint"_qs, u"Menta"_qs, u"AppIcon-mint"_qs, u"nimbelora-mint"_qs},
        {u"gold"_qs, u"Dorado"_qs, u"AppIcon-gold"_qs, u"nimbelora-gold"_qs},
    };
    return options;
}

const AppIcons::Option *AppIcons::find(const QString &alt)
{
    for (const Option &o : all())
        if (o.alt == alt)
            return &o;
    return nullptr;
}

QString AppIcons::source(const Option &option)
{
    return QStringLiteral(":/icons/") + option.icon + QStringLiteral(".svg");
}

QString AppIcons::current() const
{
    return Defaults::shared().stringValue(key);
}

QVariantList AppIcons::options() const
{
    QVariantList out;
    for (const Option &o : all())
        out.append(QVariantMap{{u"id"_qs, o.id}, {u"title"_qs, o.title}, {u"alt"_qs, o.alt},
                               {u"source"_qs, u"qrc"_qs + source(o)}});
    return out;
}

void AppIcons::choose(const QString &alt)
{
    Haptics::shared().success();
    setAlternateIconName(alt);
}

void AppIcons::setAlternateIconName(const QString &alt)
{
    const Option *option = find(alt);
    if (!option) {
        QMetaObject::invokeMethod(this, [this, alt] { settle(alt, false); }, Qt::QueuedConnection);
        return;
    }
    QPointer<AppIcons> self(this);
    const QString icon = option->icon;
    // The file work runs on the pool; the outcome comes back in this thread.
    (void)QtConcurrent::run(backgroundPool(), [icon] { return writeDesktopIcon(icon); })
        .then(this, [self, alt](bool ok) {
            if (self)
                self->settle(alt, ok);
        });
}

void AppIcons::settle(const QString &alt, bool ok)
{
    if (ok) {
        if (alt.isEmpty())
            Defaults::shared().remove(key);
        else
            Defaults::shared().setValue(key, alt);
        if (const Option *option = find(alt); option && qGuiApp)
            showIcon(QIcon(source(*option)));
        emit currentChanged();
    }
    emit finished(alt, ok);
}

void AppIcons::applyStored()
{
    // Tools and tests run the app's stores without a GUI.
    if (!qGuiApp)
        return;
    const Option *option = find(current());
    showIcon(QIcon(source(option ? *option : all().first())));
}
