#pragma once
#include "Account.h"
#include "Store.h"
#include <QList>
#include <QNetworkCookie>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>
#include <optional>

class Keychain;
class WebSignIn;

// The one sign-in state. Owns the backend session token: the keychain item
// "session", the client's session (it is the only writer of it) and the
// account record under the settings key "account". A present `account`
// means signed in, and `signedIn` is the one place that says so.
//
// QML reads `account` (undefined while signed out), `signedIn`, `busy` and
// `error`; the sign-in sheet reaches the web profile through `web`.
class AuthStore : public Store
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app creates the one account store")
    Q_PROPERTY(QVariant account READ accountValue NOTIFY accountChanged)
    Q_PROPERTY(bool signedIn READ signedIn NOTIFY signedInChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(QVariant error READ errorValue NOTIFY errorChanged)
    Q_PROPERTY(QObject *web READ webObject CONSTANT)

public:
    static constexpr const char *sessionKey = "session";
    static constexpr const char *accountKey = "account";

    // Restores a saved session before it returns (waits for the keychain).
    explicit AuthStore(QObject *parent = nullptr);
    AuthStore(Keychain &keychain, WebSignIn &web, QObject *parent = nullptr);

    const std::optional<Account> &account() const { return m_account; }
    bool signedIn() const { return m_account.has_value(); }
    bool busy() const { return m_busy; }
    const std::optional<QString> &error() const { return m_error; }
    WebSignIn &web() const { return m_web; }

    // Re-reads the account; signs out locally only when the backend says the
    // session is gone. A reply that comes after the token changed is dropped.
    QCoro::Task<> refresh();
    // Signs out, first on the server when `remote`; locally whatever it says.
    QCoro::Task<> logout(bool remote);
    // Exchanges the sign-in page's cookies for a backend session; the outcome
    // is read afterwards from `account` and `error`.
    QCoro::Task<> login(QList<QNetworkCookie> cookies);

    // For the account sheet: logout(true), then logoutFinished.
    Q_INVOKABLE void startLogout();

    // Removes the sign-in page's cookies and cache.
    void wipeWebData();

    // The record the backend receives for one cookie.
    static QJsonObject cookieRecord(const QNetworkCookie &cookie);

signals:
    void accountChanged();
    void signedInChanged();
    // Signed out before, signed in now: another account replacing the
    // current one, or the state read at start-up, is no sign-in.
    void didSignIn();
    void busyChanged();
    void errorChanged();
    void logoutFinished();

private:
    void restore();
    void store(std::optional<Account> account);
    void signOutLocally();
    void setBusy(bool v) { assign(m_busy, v, &AuthStore::busyChanged); }
    void setError(std::optional<QString> v) { assign(m_error, std::move(v), &AuthStore::errorChanged); }
    void setAccount(std::optional<Account> v);

    QVariant accountValue() const { return QmlValue::of(m_account); }
    QVariant errorValue() const { return QmlValue::of(m_error); }
    QObject *webObject() const;

    Keychain &m_keychain;
    WebSignIn &m_web;
    std::optional<Account> m_account;
    bool m_busy = false;
    std::optional<QString> m_error;
};
