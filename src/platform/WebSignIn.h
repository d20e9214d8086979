#pragma once
#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

// The web sign-in's browser state: one off-the-record Qt WebEngine profile
// (nothing of it reaches the disk; a wipe retires it, so a signed-in
// account's cookies, storage and caches go with it), a mirror
// of its cookie store (which cannot be listed, only followed), and the rules
// of the hand-over: which pages count as the video site, which cookies belong
// to the account, and which of them mark a signed-in account.
//
// In memory (tests) there is no profile: cookies are fed in by hand.
class WebSignIn : public QObject
{
    Q_OBJECT
    // The profile for the sign-in's WebEngineView; null in memory.
    Q_PROPERTY(QObject *profile READ profile CONSTANT)
    Q_PROPERTY(QUrl signInPage READ signInPage CONSTANT)

public:
    enum class Backing { Engine, Memory };

    explicit WebSignIn(Backing backing = Backing::Engine, QObject *parent = nullptr);
    ~WebSignIn() override;

    // The app's one sign-in state, over the engine. Needs
    // prepareApplication() before the application object, or
    // prepareAhead() after it.
    static WebSignIn &shared();
    // What the browser engine needs of the process, without loading the
    // engine itself: the OpenGL context its contexts share with the
    // windows'. Called before the application object: Qt makes it with
    // that object.
    static void prepareApplication();
    // The same, made on a worker: called once the application object
    // exists and the process knows it will show a window (a launch that
    // hands its link over never asks), before its first window. In place
    // before a window's surface or the engine's profile is made. The worker
    // opens the display and reads the environment meanwhile: only for a
    // process that changes no environment variable after this (the app's
    // own main). A process that ends first waits for the worker before the
    // application object tears anything down.
    static void prepareAhead();
    // Waits for that worker: before the first window is made (Qt asks the
    // driver the worker's question again then). Nothing otherwise.
    static void awaitApplication();

    // Appended to the engine's own user agent.
    static constexpr const char *userAgentSuffix = "Version/17.5 Mobile/15E148 Safari/604.1";
    static const QStringList &markerNames();

    // The sign-in page: "/ServiceLogin" of the provider's origin (a build
    // setting) with the service, the language and the video site's mobile
    // home page to continue to. When the build points it at the development
    // backend, it follows NIMBELORA_BACKEND_URL to wherever that runs.
    static QUrl signInPage();
    static QString videoSiteDomain();
    // The provider's name in cookie domains: "google" of "accounts.google.com".
    static QString providerName();

    // A finished page of the video site (its host ends with the site's domain).
    static bool isVideoSitePage(const QUrl &url);
    // The cookies of the video site or the provider, in the given order.
    static QList<QNetworkCookie> accountCookies(const QList<QNetworkCookie> &cookies);
    // Whether one of them is named exactly like a marker.
    static bool hasMarker(const QList<QNetworkCookie> &cookies);

    // The engine's profile (a WebEngineProfile for QML), created on first
    // use after a wipe too; null in memory or when the engine cannot be loaded.
    QObject *profile();
    bool isMemory() const { return m_backing == Backing::Memory; }

    // Every cookie of the store, in the order they arrived.
    QList<QNetworkCookie> cookies() const { return m_cookies; }
    // The cookies as a later callback on this thread, as the store would
    // answer; dropped when `context` is gone by then.
    void readCookies(QObject *context, std::function<void(QList<QNetworkCookie>)> done);

    // Mirror of the store; tests feed fixture cookies through these.
    void cookieAdded(const QNetworkCookie &cookie);
    void cookieRemoved(const QNetworkCookie &cookie);

    // Removes every cookie, the HTTP cache and the mirror, and retires the
    // profile with whatever else it holds (local storage, IndexedDB, service
    // workers). Returns at once; nothing is reported.
    void wipeWebsiteData();
    int wipes() const { return m_wipes; }

private:
    Backing m_backing;
    QObject *m_profile = nullptr;
    QList<QNetworkCookie> m_cookies;
    int m_wipes = 0;
};
