// The whole window's content: the root view over the app's stores. For the
// programs that link the app.
#pragma once
#include "NimbeloraApp.h"
#include "QmlHarness.h"

#include <QUrl>
#include <QVariantMap>

// The root view in `qml`'s window, given `app`'s stores and `more`; nullptr
// when it did not load (see qml.errors()).
inline QQuickItem *loadRootView(QmlHarness &qml, NimbeloraApp &app, QVariantMap more = {})
{
    more.insert(QStringLiteral("player"), QVariant::fromValue(app.player()));
    more.insert(QStringLiteral("library"), QVariant::fromValue(app.library()));
    more.insert(QStringLiteral("router"), QVariant::fromValue(app.router()));
    more.insert(QStringLiteral("auth"), QVariant::fromValue(app.auth()));
    more.insert(QStringLiteral("avatars"), QVariant::fromValue(app.avatars()));
    return qml.load(QUrl(QStringLiteral("qrc:/Nimbelora/App/qml/RootView.qml")), more);
}
