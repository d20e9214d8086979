#include "DevBackend_p.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#ifndef DEVBACKEND_DEFAULT_KEY
#define DEVBACKEND_DEFAULT_KEY "7d3f09b2c4e85a6f1b0c9d8e2a4f6b13"
#endif
#ifndef DEVBACKEND_VIDEO_DOMAIN
#define DEVBACKEND_VIDEO_DOMAIN "video.localhost"
#endif
#ifndef DEVBACKEND_PROVIDER_DOMAIN
#define DEVBACKEND_PROVIDER_DOMAIN "accounts.localhost"
#endif

namespace {

DevBackendOptions resolved(DevBackendOptions o)
{
    if (o.apiKey.isEmpty())
        o.apiKey = DevBackend::defaultApiKey();
    if (o.videoDomain.isEmpty())
        o.videoDomain = DevBackend::defaultVideoDomain();
    if (o.providerDomain.isEmpty())
        o.providerDomain = DevBackend::defaultProviderDomain();
    if (o.mediaDir.isEmpty())
        o.mediaDir = o.dataDir.isEmpty() ? QDir::tempPath() + QStringLiteral("/nimbelora-devbackend/media")
                                         : o.dataDir + QStringLiteral("/media");
    return o;
}

QString fromStd(const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

} // namespace

// ---- options -------------------------------------------------------------

std::optional<DevBackendOptions> DevBackendOptions::fromArguments(const QStringList &args, QString *error)
{
    DevBackendOptions o;
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--prepare-media")) {
            o.prepareMedia = true;
            continue;
        }
        static const QStringList valued = {
            QStringLiteral("--port"), QStringLiteral("--host"), QStringLiteral("--data"), QStringLiteral("--media"),
            QStringLiteral("--log"), QStringLiteral("--key"), QStringLiteral("--video-domain"),
            QStringLiteral("--provider-domain"), QStringLiteral("--fault"), QStringLiteral("--ffmpeg")};
        if (!valued.contains(a))
            return fail(QStringLiteral("Opción desconocida: %1").arg(a));
        if (i + 1 >= args.size())
            return fail(QStringLiteral("Falta el valor de %1").arg(a));
        const QString v = args[++i];
        if (a == QLatin1String("--port")) {
            bool ok = false;
            o.port = v.toInt(&ok);
            if (!ok || o.port < 0 || o.port > 65535)
                return fail(QStringLiteral("Puerto no válido: %1").arg(v));
        } else if (a == QLatin1String("--host")) {
            o.host = v;
        } else if (a == QLatin1String("--data")) {
            o.dataDir = v;
        } else if (a == QLatin1String("--media")) {
            o.mediaDir = v;
        } else if (a == QLatin1String("--log")) {
            o.logFile = v;
        } else if (a == QLatin1String("--key")) {
            o.apiKey = v;
        } else if (a == QLatin1String("--video-domain")) {
            o.videoDomain = v;
        } else if (a == QLatin1String("--provider-domain")) {
            o.providerDomain = v;
        } else if (a == QLatin1String("--ffmpeg")) {
            o.ffmpeg = v;
        } else {
            QString why;
            const auto rule = FaultRule::parse(v, &why);
            if (!rule)
                return fail(QStringLiteral("Fallo no válido «%1»: %2").arg(v, why));
            o.faults.append(*rule);
        }
    }
    return o;
}

QString DevBackendOptions::usage()
{
    return QStringLiteral(
        "Uso: nimbelora-devbackend [--port 8765] [--host 127.0.0.1] [--data DIR] [--media DIR]\n"
        "                          [--log FILE] [--key CLAVE] [--video-domain video.localhost]\n"
        "                          [--provider-domain accounts.localhost] [--ffmpeg RUTA]\n"
        "                          [--lazy-media: medios solo cuando se piden]\n"
        "                          [--fault 'path=/api/feed;status=500'] …\n"
        "Fallos: path=PREFIJO, id=ID, method=GET, status=N, message=TEXTO,\n"
        "        body=malformed|null|empty|html, raw=TEXTO, delay=MS, missing=hls|stream, times=N\n"
        "Control: POST/GET/DELETE /__control/fault, GET/DELETE /__control/requests\n");
}

// ---- lifecycle -----------------------------------------------------------

DevBackend::Impl::Impl(DevBackendOptions o)
    : options(resolved(std::move(o))),
      log(options.logFile),
      media(options.mediaDir, options.ffmpeg),
      accounts(fixtures, QByteArrayLiteral("nimbelora-dev:") + options.apiKey.toUtf8())
{
    for (const FaultRule &r : std::as_const(options.faults))
        faults.add(r);
}

DevBackend::DevBackend(DevBackendOptions options) : d(std::make_unique<Impl>(std::move(options))) {}

DevBackend::~DevBackend() { stop(); }

QString DevBackend::defaultApiKey() { return QStringLiteral(DEVBACKEND_DEFAULT_KEY); }
QString DevBackend::defaultVideoDomain() { return QStringLiteral(DEVBACKEND_VIDEO_DOMAIN); }
QString DevBackend::defaultProviderDomain() { return QStringLiteral(DEVBACKEND_PROVIDER_DOMAIN); }

bool DevBackend::start(QString *error)
{
    if (d->started) {
        if (error)
            *error = QStringLiteral("El servidor ya se inició una vez.");
        return false;
    }
    httplib::Server &s = d->server;
    // Room for slow (delayed) replies next to ordinary ones.
    s.new_task_queue = [] { return new httplib::ThreadPool(32); };
    s.set_keep_alive_max_count(100);
    // Idle kept-alive connections hold stop() up for this long.
    s.set_keep_alive_timeout(1);
    s.set_payload_max_length(8 * 1024 * 1024);
    // A reply's head and body go out in two writes: without this, on a kept
    // connection the body waits for the client's delayed acknowledgement
    // (up to 40 ms), as no real server makes its clients wait.
    s.set_tcp_nodelay(true);
    d->installHooks();
    d->installApi();
    d->installAccount();
    d->installMedia();
    d->installSignIn();
    d->installControl();

    const std::string host = d->options.host.toStdString();
    if (d->options.port == 0) {
        d->port = s.bind_to_any_port(host);
    } else {
        d->port = s.bind_to_port(host, d->options.port) ? d->options.port : -1;
    }
    if (d->port <= 0) {
        if (error)
            *error = QStringLiteral("No se pudo escuchar en %1:%2.").arg(d->options.host).arg(d->options.port);
        return false;
    }
    d->started = true;
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // stop() is a no-op until the accept loop runs; wait for it so an early
    // stop can never leave the thread listening forever.
    for (int i = 0; i < 5000 && !s.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (d->options.prepareMedia)
        d->mediaThread = std::thread([this] { d->media.ensureAll(); });
    return true;
}

void DevBackend::stop()
{
    if (!d->started)
        return;
    {
        std::lock_guard lock(d->stopMutex);
        d->stopping = true;
    }
    d->stopSignal.notify_all();
    d->media.cancel();
    d->server.stop();
    if (d->thread.joinable())
        d->thread.join();
    if (d->mediaThread.joinable())
        d->mediaThread.join();
    d->started = false;
}

// True from a successful start() (the port is bound and accepting) until stop().
bool DevBackend::isRunning() const { return d->started; }
int DevBackend::port() const { return d->port; }
QString DevBackend::origin() const
{
    QString host = d->options.host;
    if (host == QLatin1String("0.0.0.0") || host.isEmpty())
        host = QStringLiteral("127.0.0.1");
    return QStringLiteral("http://%1:%2").arg(host).arg(d->port);
}
QString DevBackend::apiKey() const { return d->options.apiKey; }
const DevBackendOptions &DevBackend::options() const { return d->options; }
RequestLog &DevBackend::requestLog() { return d->log; }
FaultSwitches &DevBackend::faults() { return d->faults; }
MediaCache &DevBackend::media() { return d->media; }
AccountBook &DevBackend::accounts() { return d->accounts; }
const Fixtures &DevBackend::fixtures() const { return d->fixtures; }

// ---- hooks shared by every route ----------------------------------------

void DevBackend::Impl::installHooks()
{
    server.set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        return preRoute(req, res) ? httplib::Server::HandlerResponse::Handled
                                  : httplib::Server::HandlerResponse::Unhandled;
    });
    // Recorded before the reply is written, so a client that has its reply
    // always finds its request in the log.
    server.set_post_routing_handler([this](const httplib::Request &req, httplib::Response &res) { record(req, res); });
    server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request &req, httplib::Response &res) {
        if (!res.body.empty() || res.has_header("X-Dev-Fault"))
            return httplib::Server::HandlerResponse::Unhandled;
        sendError(res, res.status, res.status == 404 ? DevText::noRoute + QStringLiteral(" (%1 %2)")
                                                                       .arg(fromStd(req.method), fromStd(req.path))
                                                     : QStringLiteral("Error %1.").arg(res.status));
        return httplib::Server::HandlerResponse::Handled;
    }));
    server.set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
        sendError(res, 500, QStringLiteral("Error interno del servidor de desarrollo."));
    });
}

bool DevBackend::Impl::preRoute(const httplib::Request &req, httplib::Response &res)
{
    const QString path = fromStd(req.path);
    if (path.startsWith(QLatin1String("/__control/")))
        return false;

    QStringList values;
    for (const auto &[k, v] : req.params)
        values.append(fromStd(v));
    const FaultEffect effect = faults.match(fromStd(req.method), path, values);
    if (effect.delayMs > 0 && !sleep(effect.delayMs)) {
        sendError(res, 503, QStringLiteral("El servidor se está deteniendo."));
        return true;
    }
    if (effect.rule) {
        const FaultRule &r = *effect.rule;
        res.set_header("X-Dev-Fault", std::to_string(r.ruleId));
        if (r.missing != FaultRule::Missing::None) {
            sendError(res, r.status ? r.status : 404,
                      r.missing == FaultRule::Missing::Hls ? QStringLiteral("Este vídeo no tiene emisión HLS.")
                                                           : QStringLiteral("No hay flujo progresivo para este vídeo."));
            return true;
        }
        res.status = r.status ? r.status : 200;
        // These statuses carry no body in HTTP/1.1; one would corrupt a kept-alive connection.
        if (res.status == 204 || res.status == 304)
            return true;
        switch (r.body) {
        case FaultRule::Body::Default:
            sendError(res, res.status, r.message.isEmpty() ? DevText::simulated : r.message);
            break;
        case FaultRule::Body::Malformed:
            res.set_content(R"([{"id":"abc","title":"Vídeo roto","duration":)", "application/json; charset=utf-8");
            break;
        case FaultRule::Body::Null:
            res.set_content("null", "application/json; charset=utf-8");
            break;
        case FaultRule::Body::Empty:
            break;
        case FaultRule::Body::Html:
            res.set_content("<!DOCTYPE html><html><head><title>502 Bad Gateway</title></head>"
                            "<body><h1>Bad Gateway</h1></body></html>",
                            "text/html; charset=utf-8");
            break;
        case FaultRule::Body::Raw:
            res.set_content(r.rawBody.toStdString(), "application/json; charset=utf-8");
            break;
        }
        return true;
    }

    if (!path.startsWith(QLatin1String("/api/")))
        return false;
    const bool media = path.startsWith(QLatin1String("/api/hls/")) || path.startsWith(QLatin1String("/api/stream/"));
    // The media player sends no headers of the app's: media carry the key as "k".
    const QString key = media ? param(req, "k") : fromStd(req.get_header_value("X-Ombri-Key"));
    if (key != options.apiKey) {
        sendError(res, 401, DevText::badKey);
        return true;
    }
    return false;
}

void DevBackend::Impl::record(const httplib::Request &req, const httplib::Response &res)
{
    RequestRecord r;
    r.method = fromStd(req.method);
    r.path = fromStd(req.path);
    const QString target = fromStd(req.target);
    const qsizetype q = target.indexOf(QLatin1Char('?'));
    r.rawPath = q < 0 ? target : target.left(q);
    r.rawQuery = q < 0 ? QString() : target.mid(q + 1);
    for (const auto &[name, value] : req.headers) {
        // httplib files the peer's address among the headers; the client never sent those.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT")
            continue;
        r.headers.insert(fromStd(name).toLower(), fromStd(value));
    }
    r.body = QByteArray(req.body.data(), qsizetype(req.body.size()));
    r.status = res.status;
    const bool remember = !r.path.startsWith(QLatin1String("/__control/"));
    log.add(std::move(r), remember);
}

// ---- helpers -------------------------------------------------------------

QString DevBackend::Impl::originOf(const httplib::Request &req) const
{
    const std::string host = req.get_header_value("Host");
    if (!host.empty())
        return QStringLiteral("http://") + fromStd(host);
    return QStringLiteral("http://%1:%2").arg(options.host).arg(port);
}

bool DevBackend::Impl::sleep(int ms)
{
    std::unique_lock lock(stopMutex);
    return !stopSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
}

std::optional<QString> DevBackend::Impl::account(const httplib::Request &req, httplib::Response &res)
{
    if (!req.has_header("X-Ombri-Session")) {
        sendError(res, 401, DevText::noSession);
        return std::nullopt;
    }
    const auto name = accounts.accountForSession(fromStd(req.get_header_value("X-Ombri-Session")));
    if (!name)
        sendError(res, 401, DevText::badSession);
    return name;
}

void DevBackend::Impl::sendJson(httplib::Response &res, const QJsonValue &value, int status)
{
    QByteArray body;
    if (value.isObject())
        body = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    else if (value.isArray())
        body = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else if (value.isNull())
        body = "null";
    else // a bare scalar: wrap and strip, since QJsonDocument holds only containers
        body = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).chopped(1).mid(1);
    res.status = status;
    res.set_content(body.toStdString(), "application/json; charset=utf-8");
}

void DevBackend::Impl::sendError(httplib::Response &res, int status, const QString &message)
{
    sendJson(res, QJsonObject{{QStringLiteral("error"), message}}, status);
}

QString DevBackend::Impl::param(const httplib::Request &req, const char *name)
{
    return fromStd(req.get_param_value(name));
}

QString DevBackend::Impl::match(const httplib::Request &req, int n)
{
    return n < int(req.matches.size()) ? fromStd(req.matches[n].str()) : QString();
}

std::optional<qint64> DevBackend::Impl::page(const httplib::Request &req, httplib::Response &res)
{
    if (!req.has_param("page"))
        return 0;
    bool ok = false;
    const qint64 n = param(req, "page").toLongLong(&ok);
    if (!ok || n < 0) {
        sendError(res, 400, QStringLiteral("Número de página no válido."));
        return std::nullopt;
    }
    return n;
}
