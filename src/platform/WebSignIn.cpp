#include "WebSignIn.h"
#include "BuildConfig.h"

#include "WebProfileModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QThread>
#include <qpa/qplatformintegration.h>
#include <private/qguiapplication_p.h>
#include <QHostAddress>
#include <QLibrary>
#include <QPointer>
#include <QTimer>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

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

QOpenGLContext *newShareContext()
{
    auto *context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    return context;
}

// Made on a worker while the views are set up: on software GL the first
// context loads the driver, which takes tens of milliseconds. On X the
// question whether contexts may be made off the GUI thread makes one more
// (Qt answers it with a throwaway context): the worker asks it too, and the
// GUI thread, which asks it again when its first window is made, waits for
// the worker before then.
class ShareContextMaker : public QObject
{
public:
    explicit ShareContextMaker(bool askThreading)
    {
        // Taken here: the worker may still run while the application object goes.
        QThread *gui = QThread::currentThread();
        m_thread.reset(QThread::create([this, askThreading, gui] {
            if (askThreading && !threadedGL())
                return; // made on the GUI thread in settle()
            QOpenGLContext *context = newShareContext();
            // Its share group too: a group left with this thread would be
            // deleted later on a thread that has ended, that is never.
            if (QOpenGLContextGroup *group = context->shareGroup())
                group->moveToThread(gui);
            context->moveToThread(gui);
            m_context = context;
        }));
        m_thread->start();
        qApp->installEventFilter(this);
        // Before the application object tears down what the worker uses.
        qAddPostRoutine(&ShareContextMaker::finishPending);
    }

    ~ShareContextMaker() override
    {
        if (pending == this)
            pending = nullptr;
        if (m_thread)
            m_thread->wait();
    }

    static bool threadedGL()
    {
        return QGuiApplicationPrivate::platformIntegration()->hasCapability(QPlatformIntegration::ThreadedOpenGL);
    }

    static inline ShareContextMaker *pending = nullptr;

    // A process that ends before its first window: the worker is waited
    // for, and what it made is not needed any more.
    static void finishPending()
    {
        ShareContextMaker *maker = std::exchange(pending, nullptr);
        if (!maker || !maker->m_thread)
            return;
        qApp->removeEventFilter(maker);
        maker->m_thread->wait();
        maker->m_thread.reset();
        delete std::exchange(maker->m_context, nullptr);
    }

    // Before any window has a surface, so the scene graph's context of
    // each window is made sharing this one, and before the engine loads.
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::PlatformSurface || event->type() == QEvent::Expose)
            settle();
        return false;
    }

    void settle()
    {
        if (!m_thread)
            return;
        pending = nullptr;
        qApp->removeEventFilter(this);
        m_thread->wait();
        m_thread.reset();
        // A driver that cannot make contexts on other threads gets it here, as Qt would make it.
        if (!m_context)
            m_context = newShareContext();
        // Kept for the life of the process, like the one Qt would make.
        qt_gl_set_global_share_context(m_context);
    }

private:
    std::unique_ptr<QThread> m_thread;
    QOpenGLContext *m_context = nullptr;
};

} // namespace

void WebSignIn::prepareApplication() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

void WebSignIn::prepareAhead()
{
    // The engine draws through OpenGL contexts shared with the window's:
    // the one they all share is set up as Qt::AA_ShareOpenGLContexts would,
    // but off the GUI thread.
    if (!qApp || !QGuiApplicationPrivate::platformIntegration() ||
        !QGuiApplicationPrivate::platformIntegration()->hasCapability(QPlatformIntegration::OpenGL) ||
        QOpenGLContext::globalShareContext() || ShareContextMaker::pending)
        return;
    // Elsewhere the answer is cheap, and asked where Qt asks it.
    const bool onX = QGuiApplication::platformName() == u"xcb";
    if (!onX && !ShareContextMaker::threadedGL()) {
        qt_gl_set_global_share_context(newShareContext());
        return;
    }
    auto *maker = new ShareContextMaker(onX);
    maker->setParent(qApp);
    ShareContextMaker::pending = maker;
}

void WebSignIn::awaitApplication()
{
    if (ShareContextMaker::pending)
        ShareContextMaker::pending->settle();
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
    awaitApplication();
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
