#include "Platform.h"
#include "ColorScheme.h"
#include "SymbolImageProvider.h"
#include <QQmlEngine>

void installPlatform(QQmlEngine &engine)
{
    if (!engine.imageProvider(QStringLiteral("symbol")))
        engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
    ColorScheme::shared().start();
}
