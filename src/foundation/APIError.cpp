#include "APIError.h"

APIError::APIError(Kind kind, QString message)
    : m_kind(kind), m_message(std::move(message))
{
    m_what = description().toUtf8();
}

APIError APIError::server(const QString &message) { return APIError(Kind::server, message); }
APIError APIError::badURL() { return APIError(Kind::badURL, {}); }
APIError APIError::badResponse() { return APIError(Kind::badResponse, {}); }

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
