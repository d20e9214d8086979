#include "Platform.h"
#include "ColorScheme.h"
#include "PointerGate.h"
#include "ReadOnlyTextKeys.h"
#include "SymbolImageProvider.h"
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QQmlEngine>
#include <QTranslator>

namespace {

// The dialogs Qt draws (the file picker) speak the app's language: Qt's own
// catalogs for Spanish, when installed.
void installQtTranslations()
{
    static bool done = false;
    if (done || !QCoreApplication::instance())
        return;
    done = true;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qt"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

void installPlatform(QQmlEngine &engine)
{
    installQtTranslations();
    PointerGate::install();
    ReadOnlyTextKeys::install();
    if (!engine.imageProvider(QStringLiteral("symbol")))
        engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
    ColorScheme::shared().start();
}
