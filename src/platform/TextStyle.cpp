#include "TextStyle.h"
#include <QFontDatabase>
#include <QGuiApplication>
#include <QJSEngine>

TextStyle::TextStyle(QObject *parent) : QObject(parent)
{
    // The font database needs a GUI application.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        m_family = QStringLiteral("sans-serif");
        return;
    }
    const QString inter = QStringLiteral("Inter");
    m_family = QFontDatabase::families().contains(inter)
                   ? inter
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

TextStyle &TextStyle::shared()
{
    static TextStyle *t = new TextStyle;
    return *t;
}

TextStyle *TextStyle::create(QQmlEngine *, QJSEngine *)
{
    TextStyle *t = &shared();
    QJSEngine::setObjectOwnership(t, QJSEngine::CppOwnership);
    return t;
}

QFont TextStyle::font(int pixelSize, int weight) const
{
    QFont f(m_family);
    f.setPixelSize(qMax(1, pixelSize));
    f.setWeight(QFont::Weight(qBound(1, weight, 1000)));
    return f;
}
