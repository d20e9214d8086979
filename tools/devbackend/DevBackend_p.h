#pragma once
// Private to the development backend's sources.
#include "AccountBook.h"
#include "DevBackend.h"
#include "Fixtures.h"
#include "MediaCache.h"

#include <httplib.h>

#include <QJsonValue>
#include <condition_variable>
#include <mutex>
#include <thread>

struct DevBackend::Impl
{
    explicit Impl(DevBackendOptions o);

    DevBackendOptions options;
    Fixtures fixtures;
    RequestLog log;
    FaultSwitches faults;
    MediaCache media;
    AccountBook accounts;
    httplib::Server server;
    std::thread thread;
    std::thread mediaThread;
    int port = 0;
    bool started = false;

    std::mutex stopMutex;
    std::condition_variable stopSignal;
    bool stopping = false;

    void installHooks();
    void installApi();
    void installAccount();
    void installMedia();
    void installSignIn();
    void installControl();

    // Answers a fault or a missing key before routing; true when answered.
    bool preRoute(const httplib::Request &req, httplib::Response &res);
    void record(const httplib::Request &req, const httplib::Response &res);

    QString originOf(const httplib::Request &req) const;
    // Waits `ms`, or less when the server stops; false when stopping.
    bool sleep(int ms);
    // The signed-in account of the request, or an error reply.
    std::optional<QString> account(const httplib::Request &req, httplib::Response &res);

    static void sendJson(httplib::Response &res, const QJsonValue &value, int status = 200);
    static void sendError(httplib::Response &res, int status, const QString &message);
    static QString param(const httplib::Request &req, const char *name);
    // The "page" item: 0 when absent; nullopt (and an error reply) when not a whole number >= 0.
    static std::optional<qint64> page(const httplib::Request &req, httplib::Response &res);
    static QString match(const httplib::Request &req, int n);
};

// Texts of the error replies.
namespace DevText {
inline const QString badKey = QStringLiteral("Clave de API no válida.");
inline const QString noSession = QStringLiteral("Falta la sesión: inicia sesión de nuevo.");
inline const QString badSession = QStringLiteral("La sesión ha caducado o no es válida. Vuelve a iniciar sesión.");
inline const QString noRoute = QStringLiteral("Ruta desconocida.");
inline const QString badBody = QStringLiteral("El cuerpo de la petición no es válido.");
inline const QString noVideo = QStringLiteral("No se encontró el vídeo.");
inline const QString simulated = QStringLiteral("Error simulado del servidor.");
} // namespace DevText
