#include "AuthStore.h"
#include "DiskCache.h"
#include "API.h"
#include "ErrorDescription.h"
#include "Defaults.h"
#include "Haptics.h"
#include "Keychain.h"
#include "WebSignIn.h"

#include <QJsonDocument>
#include <QPointer>

namespace {

// The backend's way of saying the session is no longer valid.
bool speaksOfSession(const std::exception &e)
{
    auto *api = dynamic_cast<const APIError *>(&e);
    if (!api || api->kind() != APIError::Kind::server)
        return false;
    return api->message().contains(u"Sesión") || api->message().contains(u"sesión");
}

} // namespace

AuthStore::AuthStore(QObject *parent) : AuthStore(Keychain::shared(), WebSignIn::shared(), parent) {}

AuthStore::AuthStore(Keychain &keychain, WebSignIn &web, QObject *parent)
    : Store(parent), m_keychain(keychain), m_web(web)
{
    restore();
}

QObject *AuthStore::webObject() const { return &m_web; }

void AuthStore::restore()
{
    const std::optional<QString> token = m_keychain.get(QLatin1String(sessionKey));
    if (!token)
        return;
    API::shared().setSession(token);
    const QVariant stored = Defaults::shared().value(QLatin1String(accountKey));
    if (!stored.isValid())
        return;
    try {
        // An unreadable record stays where it is; the next refresh replaces it.
        setAccount(Json::decode<Account>(stored.toString().toUtf8()));
    } catch (const std::exception &) {
    }
}

void AuthStore::setAccount(std::optional<Account> v)
{
    // Stored in any case; observers hear only of a different account.
    const bool changed = !(m_account == v);
    const bool was = signedIn();
    m_account = std::move(v);
    if (changed)
        emit accountChanged();
    if (signedIn() == was)
        return;
    emit signedInChanged();
    if (signedIn())
        emit didSignIn();
}

void AuthStore::store(std::optional<Account> account)
{
    setAccount(account);
    if (account) {
        const QByteArray json = QJsonDocument(account->toJson()).toJson(QJsonDocument::Compact);
        Defaults::shared().setValue(QLatin1String(accountKey), QString::fromUtf8(json));
    } else {
        Defaults::shared().remove(QLatin1String(accountKey));
    }
}

void AuthStore::signOutLocally()
{
    m_keychain.set(QLatin1String(sessionKey), std::nullopt);
    API::shared().setSession(std::nullopt);
    setAccount(std::nullopt);
    Defaults::shared().remove(QLatin1String(accountKey));
    wipeWebData();
    // The next account must not see this one's lists, not even for a paint.
    DiskCache::forgetAccountLists();
}

void AuthStore::wipeWebData() { m_web.wipeWebsiteData(); }

QCoro::Task<> AuthStore::refresh()
{
    const std::optional<QString> token = API::shared().session();
    if (!token)
        co_return;
    QPointer<AuthStore> self(this);
    try {
        Account account = co_await API::shared().me();
        // A sign-in or sign-out meanwhile has the last word.
        if (!self || API::shared().session() != token)
            co_return;
        store(std::move(account));
    } catch (const std::exception &e) {
        if (!self || API::shared().session() != token)
            co_return;
        if (speaksOfSession(e))
            signOutLocally();
    }
}

QCoro::Task<> AuthStore::logout(bool remote)
{
    QPointer<AuthStore> self(this);
    if (remote)
        co_await API::shared().signOut();
    if (self)
        signOutLocally();
}

void AuthStore::startLogout()
{
    QCoro::connect(logout(true), this, [this] { emit logoutFinished(); });
}

QCoro::Task<> AuthStore::login(QList<QNetworkCookie> cookies)
{
    setBusy(true);
    setError(std::nullopt);
    QList<QJsonObject> records;
    records.reserve(cookies.size());
    for (const QNetworkCookie &c : cookies)
        records.append(cookieRecord(c));
    QPointer<AuthStore> self(this);
    try {
        SessionResponse reply = co_await API::shared().createSession(std::move(records));
        if (!self)
            co_return;
        m_keychain.set(QLatin1String(sessionKey), reply.session);
        API::shared().setSession(reply.session);
        store(reply.account);
        wipeWebData();
        Haptics::shared().success();
        setBusy(false);
    } catch (const std::exception &e) {
        if (!self)
            co_return;
        setError(describe(e));
        setBusy(false);
    }
}

QJsonObject AuthStore::cookieRecord(const QNetworkCookie &cookie)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), QString::fromUtf8(cookie.name()));
    o.insert(QStringLiteral("value"), QString::fromUtf8(cookie.value()));
    o.insert(QStringLiteral("domain"), cookie.domain());
    o.insert(QStringLiteral("path"), cookie.path());
    o.insert(QStringLiteral("secure"), cookie.isSecure());
    o.insert(QStringLiteral("httpOnly"), cookie.isHttpOnly());
    const QDateTime expiry = cookie.expirationDate();
    if (cookie.isSessionCookie() || !expiry.isValid())
        o.insert(QStringLiteral("expires"), 0);
    else
        o.insert(QStringLiteral("expires"), double(expiry.toMSecsSinceEpoch()) / 1000.0);
    return o;
}
