#include "AppScheme.h"
#include "ColorScheme.h"
#include <QJSEngine>

AppScheme::AppScheme(QObject *parent) : QObject(parent)
{
    connect(&ColorScheme::shared(), &ColorScheme::darkChanged, this, [this] {
        emit systemDarkChanged();
        update();
    });
    update();
}

AppScheme &AppScheme::shared()
{
    static AppScheme *p = new AppScheme;
    return *p;
}

AppScheme *AppScheme::create(QQmlEngine *, QJSEngine *)
{
    AppScheme *p = &shared();
    QJSEngine::setObjectOwnership(p, QJSEngine::CppOwnership);
    return p;
}

bool AppScheme::systemDark() const { return ColorScheme::shared().dark(); }

void AppScheme::setScheme(int scheme)
{
    if (scheme != 1 && scheme != 2)
        scheme = 0;
    if (m_scheme == scheme)
        return;
    m_scheme = scheme;
    emit schemeChanged();
    update();
}

void AppScheme::update()
{
    const bool dark = m_scheme == 2 || (m_scheme == 0 && systemDark());
    if (m_dark == dark)
        return;
    m_dark = dark;
    emit darkChanged();
}
