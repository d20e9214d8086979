#include "WebSignIn.h"
#include "BuildConfig.h"

#include "WebProfileModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QLibrary>
#include <QPointer>
#include <QTimer>

namespace {

bool isLoopbackName(const QString &host)
{
    if (host == u"localhost" || host.endsWith(u".localhost"))
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

struct Module
{
    WebProfileModule::MakeProfile make = nullptr;
    WebProfileModule::WipeProfile wipe = nullptr;
};

// Opened once, next to the program when installed, else where it was built.
const Module &module()
{
    static const Module loaded = [] {
        const QString name = QStringLiteral(NIMBELORA_WEBPROFILE_NAME);
        const QStringList candidates = {
            QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/nimbelora/") + name,
            QStringLiteral(NIMBELORA_WEBPROFILE_BUILT),
        };
        for (const QString &path : candidates) {
            if (!QFileInfo::exists(path))
                continue;
            QLibrary library(path);
            Module m;
            m.make = reinterpret_cast<WebProfileModule::MakeProfile>(library.resolve(WebProfileModule::makeProfileSymbol));
            m.wipe = reinterpret_cast<WebProfileModule::WipeProfile>(library.resolve(WebProfileModule::wipeProfileSymbol));
            if (m.make && m.wipe)
                return m;
            qWarning("web sign-in: %s", qPrintable(library.errorString()));
        }
        qWarning("web sign-in: the browser engine module %s is missing", qPrintable(name));
        return Module{};
    }();
    return loaded;
}

} // namespace

void WebSignIn::prepareApplication()
{
    // The engine draws through OpenGL contexts shared with the window's.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

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
    page.setPath(QStringLiteral("/ServiceLogin"));
    const QByteArray home = "https://m." + QByteArray(BuildConfig::videoSiteDomain) + "/";
    page.setQuery(QStringLiteral("service=youtube&hl=es&continue=") + QString::fromLatin1(QUrl::toPercentEncoding(home)),
                  QUrl::StrictMode);
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

QObject *WebSignIn::profile()
{
    if (m_backing == Backing::Memory || m_profile)
        return m_profile;
    const Module &engine = module();
    if (!engine.make)
        return nullptr;
    m_profile = engine.make(this, QLatin1String(userAgentSuffix),
                            {[this](const QNetworkCookie &c) { cookieAdded(c); },
                             [this](const QNetworkCookie &c) { cookieRemoved(c); }});
    return m_profile;
}

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
    if (!m_profile)
        return;
    module().wipe(m_profile);
    // Pages still open keep the old profile until they go (it stays with us);
    // the next page gets a new, empty one.
    m_profile = nullptr;
}
