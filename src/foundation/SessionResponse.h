#pragma once
#include "Account.h"
#include "Json.h"

// The backend's answer to a sign-in. Only read, never compared.
struct SessionResponse
{
    Q_GADGET
    Q_PROPERTY(QString session MEMBER session)
    Q_PROPERTY(Account account MEMBER account)

public:
    QString session; // the session token
    Account account;

    static SessionResponse fromJson(const QJsonValue &v);
    QJsonObject toJson() const;
};
