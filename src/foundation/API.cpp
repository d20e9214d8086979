#include "API.h"

#include "BuildConfig.h"

#include <QCoreApplication>
#include <QJsonParseError>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QCoroNetworkReply>

#include <algorithm>
#include <memory>

namespace {
struct DeleteLater
{
    void operator()(QObject *o) const { o->deleteLater(); }
};
}

API &API::shared()
{
    // Never released: replies may still be in flight while the process ends.
    static API *instance = new API;
    return *instance;
}

API::API()
    : m_base(defaultBaseUrl()), m_key(QByteArray(BuildConfig::apiKey)), m_nam(new QNetworkAccessManager)
{
    // Replies must be created and read on the thread that owns the manager.
    if (auto *app = QCoreApplication::instance(); app && m_nam->thread() != app->thread())
        m_nam->moveToThread(app->thread());
}

std::optional<QUrl> API::originOf(const QString &text)
{
    QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return std::nullopt;
    url.setUserInfo({});
    url.setPath({});
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QUrl API::defaultBaseUrl()
{
    const QString override = qEnvironmentVariable("NIMBELORA_BACKEND_URL");
    if (!override.isEmpty()) {
        auto url = originOf(override);
        if (url && (!BuildConfig::releaseBuild || url->scheme().toLower() == u"https"))
            return *url;
    }
    if (auto url = originOf(QString::fromUtf8(BuildConfig::backendOrigin)))
        return *url;
    // A broken build-time origin makes every request fail with badURL.
    return QUrl();
}

QUrl API::base() const
{
    QMutexLocker lock(&m_lock);
    return m_base;
}

bool API::setBaseUrl(const QUrl &origin)
{
    auto url = originOf(origin.toString());
    if (!url)
        return false;
    QMutexLocker lock(&m_lock);
    m_base = *url;
    return true;
}

std::optional<QString> API::session() const
{
    QMutexLocker lock(&m_lock);
    return m_session;
}

void API::setSession(std::optional<QString> token)
{
    QMutexLocker lock(&m_lock);
    m_session = std::move(token);
}

void API::setTransferTimeout(int ms)
{
    QMutexLocker lock(&m_lock);
    m_timeout = ms;
}

int API::transferTimeout() const
{
    QMutexLocker lock(&m_lock);
    return m_timeout;
}

QString API::segment(const QString &id)
{
    if (id.isEmpty() || id == u"." || id == u"..")
        throw APIError::badURL();
    return QString::fromLatin1(id.toUtf8().toPercentEncoding());
}

QByteArray API::encodeQuery(const Query &query)
{
    QByteArray out;
    for (auto it = query.cbegin(); it != query.cend(); ++it) {
        if (!out.isEmpty())
            out += '&';
        // Keys are fixed ASCII names, so escaping leaves them as they are.
        out += it.key().toUtf8().toPercentEncoding();
        out += '=';
        out += it.value().toUtf8().toPercentEncoding();
    }
    return out;
}

namespace {
// Base origin + escaped path + escaped query; an invalid QUrl when they do
// not form a URL on that same origin.
QUrl formURL(const QUrl &base, const QString &path, const QByteArray &query)
{
    if (!base.isValid() || base.isEmpty())
        return QUrl();
    QByteArray text = base.toEncoded(QUrl::FullyEncoded);
    text += path.toUtf8();
    if (!query.isEmpty())
        text += '?' + query;
    QUrl url = QUrl::fromEncoded(text, QUrl::StrictMode);
    if (!url.isValid() || url.host() != base.host() || url.port() != base.port() || !url.userInfo().isEmpty())
        return QUrl();
    return url;
}
}

QNetworkRequest API::makeRequest(const QString &path, const Query &query) const
{
    QUrl base;
    std::optional<QString> token;
    int timeout;
    {
        QMutexLocker lock(&m_lock);
        base = m_base;
        token = m_session;
        timeout = m_timeout;
    }
    const QUrl url = formURL(base, path, encodeQuery(query));
    if (url.isEmpty())
        throw APIError::badURL();

    QNetworkRequest request(url);
    request.setTransferTimeout(timeout);
    request.setRawHeader("X-Ombri-Key", m_key);
    // A token with control characters could split the header block: it is
    // left out, and the backend answers as for a missing session.
    const auto control = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; };
    if (token && std::none_of(token->cbegin(), token->cend(), control))
        request.setRawHeader("X-Ombri-Session", token->toUtf8());
    return request;
}

QUrl API::mediaURL(const QString &path, const QByteArray &query) const
{
    return formURL(base(), path, query);
}

QCoro::Task<API::RawReply> API::perform(QNetworkRequest request, QByteArray method, std::optional<QByteArray> body)
{
    Q_ASSERT_X(QThread::currentThread() == m_nam->thread(), "API", "requests are made on the GUI thread");
    QNetworkReply *started = nullptr;
    if (body)
        started = m_nam->sendCustomRequest(request, method, *body);
    else if (method == "GET")
        started = m_nam->get(request);
    else {
        // No body and no Content-Type; the explicit zero length keeps servers
        // from waiting for a body until the connection closes.
        request.setRawHeader("Content-Length", "0");
        started = m_nam->sendCustomRequest(request, method);
    }
    std::unique_ptr<QNetworkReply, DeleteLater> reply(started);

    co_await reply.get();

    QNetworkReply::NetworkError error = reply->error();
    // Qt ends a request that outruns its transfer time-out as cancelled; the
    // client never calls one off itself, so that is a time-out: a failure to
    // report, not a load someone abandoned.
    if (error == QNetworkReply::OperationCanceledError)
        error = QNetworkReply::TimeoutError;
    if (TransportError::isTransport(error))
        throw TransportError(error, reply->errorString());
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        throw APIError::badResponse();
    co_return RawReply{status.toInt(), reply->readAll()};
}

void API::throwStatusError(const QByteArray &body)
{
    throw APIError::fromStatusBody(body);
}

API::Ok API::Ok::fromJson(const QJsonValue &v)
{
    return Ok{Json::read<std::optional<bool>>(Json::toObject(v), "ok")};
}
