#include "TransportError.h"

TransportError::TransportError(QNetworkReply::NetworkError code, QString detail)
    : m_code(code), m_detail(std::move(detail))
{
    m_what = description().toUtf8();
}

QString TransportError::description() const
{
    switch (m_code) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("No se pudo conectar con el servidor.");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("No se encontró el servidor.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Se perdió la conexión con el servidor.");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Se agotó el tiempo de espera de la solicitud.");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("No se pudo establecer una conexión segura con el servidor.");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return QStringLiteral("Parece que no hay conexión a Internet.");
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("El servidor redirigió la solicitud de forma no válida.");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::UnknownProxyError:
        return QStringLiteral("No se pudo conectar a través del proxy.");
    default:
        break;
    }
    return QStringLiteral("Se produjo un error de red.");
}
