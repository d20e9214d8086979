#include "Pasteboard.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QJSEngine>

Pasteboard &Pasteboard::shared()
{
    static Pasteboard *p = new Pasteboard;
    return *p;
}

Pasteboard *Pasteboard::create(QQmlEngine *, QJSEngine *)
{
    Pasteboard *p = &shared();
    QJSEngine::setObjectOwnership(p, QJSEngine::CppOwnership);
    return p;
}

void Pasteboard::setString(const QString &text)
{
    // No GUI application (a console tool or test): no clipboard to write.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QGuiApplication::clipboard()->setText(text);
}

QString Pasteboard::string() const
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return {};
    return QGuiApplication::clipboard()->text();
}
