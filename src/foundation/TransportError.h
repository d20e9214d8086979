#pragma once
#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <exception>

// The request never produced a complete HTTP reply: no connection, a time-out,
// a dropped connection, a TLS failure. Passed to callers as it is, with a
// Spanish description for the screens and Qt's own text for diagnosis.
class TransportError : public std::exception
{
public:
    TransportError(QNetworkReply::NetworkError code, QString detail = {});

    QNetworkReply::NetworkError code() const { return m_code; }
    QString description() const;
    QString detail() const { return m_detail; }
    const char *what() const noexcept override { return m_what.constData(); }

    // Errors below 200 happen before or instead of an HTTP reply; the others
    // describe an HTTP status and are handled by the status rule.
    static bool isTransport(QNetworkReply::NetworkError code) { return code > 0 && code < 200; }

private:
    QNetworkReply::NetworkError m_code;
    QString m_detail;
    QByteArray m_what;
};
