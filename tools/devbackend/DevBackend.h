#pragma once
#include "FaultSwitches.h"
#include "RequestLog.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class AccountBook;
class Fixtures;
class MediaCache;

struct DevBackendOptions
{
    QString host = QStringLiteral("127.0.0.1");
    int port = 8765;            // 0: any free port
    QString dataDir;            // holds the media cache unless mediaDir is given
    QString mediaDir;           // empty: <dataDir>/media
    QString logFile;            // empty: no log file
    QString apiKey;             // empty: the build's key
    QString videoDomain;        // empty: the build's video-site cookie domain
    QString providerDomain;     // empty: the build's sign-in provider domain
    QString ffmpeg = QStringLiteral("ffmpeg");
    bool prepareMedia = false;  // make all media in the background after start
    QList<FaultRule> faults;

    // "--port 8765 --data DIR --log FILE --host H --key K --media DIR
    //  --video-domain D --provider-domain D --fault REGLA --prepare-media"
    static std::optional<DevBackendOptions> fromArguments(const QStringList &args, QString *error);
    static QString usage();
};

// The development backend: every endpoint of the app's backend over HTTP,
// from fixture data, with media, a sign-in page and switchable faults. It
// serves from background threads; start() returns once the port is bound.
class DevBackend
{
public:
    explicit DevBackend(DevBackendOptions options = {});
    ~DevBackend();
    DevBackend(const DevBackend &) = delete;
    DevBackend &operator=(const DevBackend &) = delete;

    bool start(QString *error = nullptr);
    void stop();
    bool isRunning() const;

    int port() const;
    QString origin() const;     // http://host:port
    QString apiKey() const;
    const DevBackendOptions &options() const;

    RequestLog &requestLog();
    FaultSwitches &faults();
    MediaCache &media();
    AccountBook &accounts();
    const Fixtures &fixtures() const;

    static QString defaultApiKey();
    static QString defaultVideoDomain();
    static QString defaultProviderDomain();

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
