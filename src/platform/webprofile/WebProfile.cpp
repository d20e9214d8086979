// The module that holds everything of the browser engine the app calls
// from C++. It is opened at run time (see WebProfileModule.h).
#include "WebProfileModule.h"

#include <QtWebEngineCore/QWebEngineCookieStore>
#include <QtWebEngineQuick/QQuickWebEngineProfile>

extern "C" Q_DECL_EXPORT QObject *nimbelora_make_web_profile(QObject *parent, const QString &userAgentSuffix,
                                                             WebProfileModule::CookieHooks hooks)
{
    // Off the record: cookies, caches, local storage, IndexedDB and service
    // workers live in memory only, and go with the profile.
    auto *profile = new QQuickWebEngineProfile(parent);
    profile->setOffTheRecord(true);
    profile->setHttpUserAgent(profile->httpUserAgent() + QLatin1Char(' ') + userAgentSuffix);
    QWebEngineCookieStore *store = profile->cookieStore();
    QObject::connect(store, &QWebEngineCookieStore::cookieAdded, profile, hooks.added);
    QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, profile, hooks.removed);
    return profile;
}

extern "C" Q_DECL_EXPORT void nimbelora_wipe_web_profile(QObject *object)
{
    auto *profile = qobject_cast<QQuickWebEngineProfile *>(object);
    if (!profile)
        return;
    QWebEngineCookieStore *store = profile->cookieStore();
    QObject::disconnect(store, nullptr, profile, nullptr);
    store->deleteAllCookies();
    profile->clearHttpCache();
}
