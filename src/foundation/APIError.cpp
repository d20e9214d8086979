#include "APIError.h"
#include <QJsonDocument>
#include <QJsonObject>

APIError::APIError(Kind kind, QString message)
    : m_kind(kind), m_message(std::move(message))
{
    m_what = description().toUtf8();
}

APIError APIError::server(const QString &message) { return APIError(Kind::server, message); }
APIError APIError::badURL() { return APIError(Kind::badURL, {}); }
APIError APIError::badResponse() { return APIError(Kind::badResponse, {}); }

APIError APIError::fromStatusBody(const QByteArray &body)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error == QJsonParseError::NoError && doc.isObject()) {
        const QJsonValue message = doc.object().value(QLatin1String("error"));
        if (message.isString())
            return server(message.toString());
    }
    return badResponse();
}

QString APIError::description() const
{
    switch (m_kind) {
    case Kind::server:
        return m_message;
    case Kind::badURL:
        return QStringLiteral("Dirección no válida.");
    case Kind::badResponse:
        break;
    }
    return QStringLiteral("El servidor no respondió correctamente.");
}
