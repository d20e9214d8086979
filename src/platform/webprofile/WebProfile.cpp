// The module that holds everything of the browser engine the app calls
// from C++. It is opened at run time (see WebProfileModule.h).
#include "WebProfileModule.h"

#include <QtWebEngineCore/QWebEngineCookieStore>
#include <QtWebEngineQuick/QQuickWebEngineProfile>

extern "C" Q_DECL_EXPORT QObject *nimbelora_make_web_profile(QObject *parent, const QString &storageName,
                                                             const QString &userAgentSuffix,
                                                             WebProfileModule::CookieHooks hooks)
{
    // A named profile is persistent; the default one is off the record.
    auto *profile = new QQuickWebEngineProfile(parent);
    profile->setStorageName(storageName);
    profile->setOffTheRecord(false);
    profile->setHttpUserAgent(profile->httpUserAgent() + QLatin1Char(' ') + userAgentSuffix);
    QWebEngineCookieStore *store = profile->cookieStore();
    QObject::connect(store, &QWebEngineCookieStore::cookieAdded, profile, hooks.added);
    QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, profile, hooks.removed);
    // Cookies kept from an earlier run arrive as cookieAdded.
    store->loadAllCookies();
    return profile;
}

extern "C" Q_DECL_EXPORT void nimbelora_wipe_web_profile(QObject *object)
{
    auto *profile = qobject_cast<QQuickWebEngineProfile *>(object);
    if (!profile)
        return;
    profile->cookieStore()->deleteAllCookies();
    profile->clearHttpCache();
}
