#include "TestBackend.h"

#include "AccountBook.h"
#include "MediaCache.h"

#include <httplib.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

TestBackend::TestBackend() : TestBackend(Options{}) {}

TestBackend::TestBackend(Options options)
{
    DevBackendOptions o;
    o.port = 0;
    o.host = QStringLiteral("127.0.0.1");
    o.mediaDir = sharedMediaDir();
    o.apiKey = options.apiKey;
    o.faults = options.faults;
    m_backend = std::make_unique<DevBackend>(o);
    if (!m_backend->start(&m_error)) {
        qWarning("TestBackend: %s", qPrintable(m_error));
        return;
    }
    m_hadUrl = qEnvironmentVariableIsSet("NIMBELORA_BACKEND_URL");
    m_oldUrl = qgetenv("NIMBELORA_BACKEND_URL");
    qputenv("NIMBELORA_BACKEND_URL", origin().toUtf8());
    if (options.media && !prepareMedia())
        qWarning("TestBackend: media: %s", qPrintable(m_error));
}

TestBackend::~TestBackend()
{
    if (!isRunning())
        return;
    m_backend->stop();
    if (m_hadUrl)
        qputenv("NIMBELORA_BACKEND_URL", m_oldUrl);
    else
        qunsetenv("NIMBELORA_BACKEND_URL");
}

bool TestBackend::isRunning() const { return m_backend && m_backend->isRunning(); }
QString TestBackend::origin() const { return m_backend->origin(); }
QUrl TestBackend::url(const QString &pathAndQuery) const
{
    return QUrl(origin() + pathAndQuery, QUrl::StrictMode);
}
QString TestBackend::apiKey() const { return m_backend->apiKey(); }

qint64 TestBackend::failPath(const QString &prefix, int status, const QString &message)
{
    FaultRule r;
    r.pathPrefix = prefix;
    r.status = status;
    r.message = message;
    return addFault(r);
}

qint64 TestBackend::delayPath(const QString &prefix, int ms)
{
    FaultRule r;
    r.pathPrefix = prefix;
    r.delayMs = ms;
    return addFault(r);
}

qint64 TestBackend::servePath(const QString &prefix, const QString &id, const QByteArray &body, int delayMs, int times)
{
    FaultRule r;
    r.pathPrefix = prefix;
    r.id = id;
    r.body = FaultRule::Body::Raw;
    r.rawBody = body;
    r.delayMs = delayMs;
    r.times = times;
    return addFault(r);
}

bool TestBackend::prepareMedia()
{
    MediaCache &media = m_backend->media();
    const bool ok = media.ensureAll();
    if (!ok)
        m_error = media.lastError();
    return ok;
}

QString TestBackend::sharedMediaDir()
{
    return QDir::tempPath() + QStringLiteral("/nimbelora-test-media");
}

QJsonArray TestBackend::signInCookies(const QString &name) const
{
    const QString domain = m_backend->options().videoDomain;
    const QString marker = m_backend->accounts().markerValue(name);
    auto cookie = [&](const QString &n, const QString &v, bool secure, bool httpOnly) {
        return QJsonObject{{QStringLiteral("name"), n},          {QStringLiteral("value"), v},
                           {QStringLiteral("domain"), domain},   {QStringLiteral("path"), QStringLiteral("/")},
                           {QStringLiteral("secure"), secure},   {QStringLiteral("httpOnly"), httpOnly},
                           {QStringLiteral("expires"), 1805000000.5}};
    };
    return QJsonArray{cookie(QStringLiteral("PREF"), QStringLiteral("hl=es"), false, false),
                      cookie(QStringLiteral("SAPISID"), marker, false, false),
                      cookie(QStringLiteral("__Secure-3PAPISID"), marker, true, false)};
}

QString TestBackend::session(const QString &name)
{
    return m_backend->accounts().issueSession(name);
}

QJsonValue HttpReply::json() const
{
    // A bare null is valid JSON but not a document: wrap it in a list.
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson('[' + body + ']', &err);
    if (err.error != QJsonParseError::NoError || doc.array().size() != 1)
        return QJsonValue(QJsonValue::Undefined);
    return doc.array().first();
}

QString HttpReply::errorMessage() const
{
    const QJsonValue v = json();
    return v.isObject() ? v.toObject().value(QStringLiteral("error")).toString() : QString();
}

HttpReply TestBackend::request(const QByteArray &method, const QString &pathAndQuery, const RawHeaders &headers,
                               const QByteArray &body, const QByteArray &contentType) const
{
    httplib::Client client("127.0.0.1", m_backend->port());
    client.set_connection_timeout(5);
    client.set_read_timeout(60);
    client.set_url_encode(false); // the path and query are sent exactly as given
    httplib::Headers h;
    for (const auto &[name, value] : headers)
        h.emplace(name.toStdString(), value.toStdString());
    httplib::Request req;
    req.method = method.toStdString();
    req.path = pathAndQuery.toStdString();
    req.headers = h;
    req.body = body.toStdString();
    if (!contentType.isEmpty())
        req.set_header("Content-Type", contentType.toStdString());
    HttpReply reply;
    const httplib::Result res = client.send(req);
    if (!res)
        return reply;
    reply.status = res->status;
    reply.body = QByteArray::fromStdString(res->body);
    for (const auto &[name, value] : res->headers)
        reply.headers.insert(QString::fromStdString(name).toLower(), QString::fromStdString(value));
    return reply;
}

HttpReply TestBackend::get(const QString &pathAndQuery, const QString &session) const
{
    RawHeaders headers = {{"X-Ombri-Key", apiKey().toUtf8()}};
    if (!session.isEmpty())
        headers.append({"X-Ombri-Session", session.toUtf8()});
    return request("GET", pathAndQuery, headers);
}

HttpReply TestBackend::send(const QByteArray &method, const QString &path, const QByteArray &body,
                            const QString &session) const
{
    RawHeaders headers = {{"X-Ombri-Key", apiKey().toUtf8()}};
    if (!session.isEmpty())
        headers.append({"X-Ombri-Session", session.toUtf8()});
    return request(method, path, headers, body, body.isEmpty() ? QByteArray() : QByteArrayLiteral("application/json"));
}
