#pragma once
#include <QByteArray>
#include <QString>
#include <exception>

// A backend call the client itself refuses: the URL could not be formed, the
// reply was not HTTP, or its status was not a success. description() is the
// sentence screens show.
class APIError : public std::exception
{
public:
    enum class Kind { server, badURL, badResponse };

    static APIError server(const QString &message);
    static APIError badURL();
    static APIError badResponse();
    // The error of a reply whose status was not a success: the body's
    // "error" text when it is a JSON object that has one, else badResponse.
    static APIError fromStatusBody(const QByteArray &body);

    Kind kind() const { return m_kind; }
    // The backend's own message; empty unless kind() is server.
    QString message() const { return m_message; }
    QString description() const;
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const APIError &o) const { return m_kind == o.m_kind && m_message == o.m_message; }

private:
    APIError(Kind kind, QString message);

    Kind m_kind;
    QString m_message;
    QByteArray m_what;
};
