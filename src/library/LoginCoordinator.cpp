#include "LoginCoordinator.h"
#include "Store.h"
#include "AuthStore.h"
#include "WebSignIn.h"

LoginCoordinator::LoginCoordinator(QObject *parent) : Store(parent) {}

void LoginCoordinator::setAuth(AuthStore *auth)
{
    assignAndNotify(this, m_auth, auth, &LoginCoordinator::authChanged);
}

void LoginCoordinator::pageFinished(const QUrl &url)
{
    // The provider's own pages never start a read, even with its cookies set.
    if (m_done || !m_auth || !WebSignIn::isVideoSitePage(url))
        return;
    m_auth->web().readCookies(this, [this](QList<QNetworkCookie> all) {
        if (m_done)
            return;
        QList<QNetworkCookie> kept = WebSignIn::accountCookies(all);
        // Not signed in yet: the next finished page of the site tries again.
        if (!WebSignIn::hasMarker(kept))
            return;
        // Set before the hand-over is queued, so overlapping reads hand over once.
        m_done = true;
        QMetaObject::invokeMethod(this, [this, kept = std::move(kept)] { handOver(kept); }, Qt::QueuedConnection);
    });
}

void LoginCoordinator::handOver(QList<QNetworkCookie> cookies)
{
    emit cookiesHandedOver(cookies);
    setFinishing(true);
    exchange(std::move(cookies));
}

QCoro::Task<> LoginCoordinator::exchange(QList<QNetworkCookie> cookies)
{
    QPointer<AuthStore> auth = m_auth;
    if (!auth)
        co_return;
    QPointer<LoginCoordinator> self(this);
    // The exchange completes in the store even when the sheet is closed meanwhile.
    co_await auth->login(std::move(cookies));
    if (!self)
        co_return;
    if (auth && auth->signedIn())
        emit dismissRequested();
    else
        setFinishing(false);
}
