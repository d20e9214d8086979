#pragma once
#include "AuthStore.h"
#include "Store.h"
#include <QList>
#include <QNetworkCookie>
#include <QPointer>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>

// The sign-in sheet's state, one per web page shown: watches the page's
// finished loads for the video site's account cookies, hands them over once,
// and runs the exchange with the account store. `finishing` is true from the
// hand-over until the exchange has ended without an account; with an account
// it asks the sheet to close instead.
class LoginCoordinator : public Store
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AuthStore *auth READ auth WRITE setAuth NOTIFY authChanged)
    Q_PROPERTY(bool finishing READ finishing NOTIFY finishingChanged)

public:
    explicit LoginCoordinator(QObject *parent = nullptr);

    AuthStore *auth() const { return m_auth; }
    void setAuth(AuthStore *auth);
    bool finishing() const { return m_finishing; }
    bool handedOver() const { return m_done; }

    // A page of the web view finished loading; `url` is the view's address.
    Q_INVOKABLE void pageFinished(const QUrl &url);

signals:
    void authChanged();
    void finishingChanged();
    // The account cookies, given to the account store.
    void cookiesHandedOver(const QList<QNetworkCookie> &cookies);
    // Signed in: the sheet closes itself.
    void dismissRequested();

private:
    void handOver(QList<QNetworkCookie> cookies);
    QCoro::Task<> exchange(QList<QNetworkCookie> cookies);
    void setFinishing(bool v) { assign(m_finishing, v, &LoginCoordinator::finishingChanged); }

    QPointer<AuthStore> m_auth;
    bool m_finishing = false;
    bool m_done = false;
};
