#include "WebSignIn.h"
#include "BuildConfig.h"

#include <QHostAddress>
#include <QPointer>
#include <QTimer>
#include <QtWebEngineCore/QWebEngineCookieStore>
#include <QtWebEngineQuick/QQuickWebEngineProfile>

namespace {

bool isLoopbackName(const QString &host)
{
    if (host == u"localhost" || host.endsWith(u".localhost"))
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

WebSignIn::WebSignIn(Backing backing, QObject *parent) : QObject(parent), m_backing(backing) {}

WebSignIn::~WebSignIn() = default;

WebSignIn &WebSignIn::shared()
{
    static WebSignIn *w = new WebSignIn(Backing::Engine);
    return *w;
}

const QStringList &WebSignIn::markerNames()
{
    static const QStringList names = {QStringLiteral("SAPISID"), QStringLiteral("__Secure-3PAPISID")};
    return names;
}

QUrl WebSignIn::signInPage()
{
    QUrl page(QString::fromUtf8(BuildConfig::signInPage));
    const QUrl builtBackend(QString::fromUtf8(BuildConfig::backendOrigin));
    const QUrl running(qEnvironmentVariable("NIMBELORA_BACKEND_URL"));
    // Only a page served by the development backend moves with it.
    const bool onDevBackend = page.port() == builtBackend.port() &&
                              (page.host() == builtBackend.host() || isLoopbackName(page.host()));
    if (!onDevBackend || !running.isValid() || running.host().isEmpty())
        return page;
    page.setScheme(running.scheme());
    page.setPort(running.port());
    // The backend tells the provider from the video site by their *.localhost
    // names, which reach a loopback backend on any port; elsewhere only its
    // own host does.
    if (!isLoopbackName(running.host()))
        page.setHost(running.host());
    return page;
}

QString WebSignIn::videoSiteDomain() { return QString::fromUtf8(BuildConfig::videoSiteDomain); }

QString WebSignIn::providerName()
{
    const QStringList labels = QString::fromUtf8(BuildConfig::providerDomain).split(QLatin1Char('.'));
    return labels.size() >= 2 ? labels.at(labels.size() - 2) : labels.value(0);
}

bool WebSignIn::isVideoSitePage(const QUrl &url)
{
    const QString host = url.host();
    return !host.isEmpty() && host.endsWith(videoSiteDomain());
}

QList<QNetworkCookie> WebSignIn::accountCookies(const QList<QNetworkCookie> &cookies)
{
    const QString site = videoSiteDomain();
    const QString provider = providerName() + QLatin1Char('.');
    QList<QNetworkCookie> kept;
    for (const QNetworkCookie &c : cookies) {
        const QString domain = c.domain();
        if (domain.contains(site) || domain.contains(provider))
            kept.append(c);
    }
    return kept;
}

bool WebSignIn::hasMarker(const QList<QNetworkCookie> &cookies)
{
    for (const QNetworkCookie &c : cookies) {
        if (markerNames().contains(QString::fromUtf8(c.name())))
            return true;
    }
    return false;
}

QQuickWebEngineProfile *WebSignIn::profile()
{
    if (m_backing == Backing::Memory)
        return nullptr;
    if (m_profile)
        return m_profile;
    // A named profile is persistent; the default one is off the record.
    m_profile = new QQuickWebEngineProfile(this);
    m_profile->setStorageName(QStringLiteral("signin"));
    m_profile->setOffTheRecord(false);
    m_profile->setHttpUserAgent(m_profile->httpUserAgent() + QLatin1Char(' ') + QLatin1String(userAgentSuffix));
    QWebEngineCookieStore *store = m_profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &WebSignIn::cookieAdded);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &WebSignIn::cookieRemoved);
    // Cookies kept from an earlier run arrive as cookieAdded.
    store->loadAllCookies();
    return m_profile;
}

QObject *WebSignIn::profileObject() { return profile(); }

void WebSignIn::readCookies(QObject *context, std::function<void(QList<QNetworkCookie>)> done)
{
    QPointer<QObject> guard(context);
    QTimer::singleShot(0, this, [this, guard, done = std::move(done)] {
        if (guard)
            done(m_cookies);
    });
}

void WebSignIn::cookieAdded(const QNetworkCookie &cookie)
{
    for (QNetworkCookie &c : m_cookies) {
        if (c.hasSameIdentifier(cookie)) {
            c = cookie;
            return;
        }
    }
    m_cookies.append(cookie);
}

void WebSignIn::cookieRemoved(const QNetworkCookie &cookie)
{
    m_cookies.removeIf([&](const QNetworkCookie &c) { return c.hasSameIdentifier(cookie); });
}

void WebSignIn::wipeWebsiteData()
{
    ++m_wipes;
    m_cookies.clear();
    if (QQuickWebEngineProfile *p = profile()) {
        p->cookieStore()->deleteAllCookies();
        p->clearHttpCache();
    }
}
