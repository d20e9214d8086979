#include "Opener.h"
#include <QDesktopServices>
#include <QGuiApplication>
#include <QJSEngine>

Opener &Opener::shared()
{
    static Opener *o = new Opener;
    return *o;
}

Opener *Opener::create(QQmlEngine *, QJSEngine *)
{
    Opener *o = &shared();
    QJSEngine::setObjectOwnership(o, QJSEngine::CppOwnership);
    return o;
}

bool Opener::isOpenable(const QUrl &url)
{
    if (!url.isValid() || url.isRelative())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return !url.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

bool Opener::open(const QUrl &url)
{
    if (!isOpenable(url))
        return false;
    m_opened << url;
    emit openedChanged();
    if (m_handler)
        return m_handler(url);
    // The desktop services need a GUI application.
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) && QDesktopServices::openUrl(url);
}

void Opener::clear()
{
    if (m_opened.isEmpty())
        return;
    m_opened.clear();
    emit openedChanged();
}

void Opener::setHandler(Handler handler) { shared().m_handler = std::move(handler); }
