#pragma once
#include "APIError.h"
#include "Json.h"
#include "Models.h"
#include "TransportError.h"

#include <QByteArray>
#include <QFuture>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QNetworkRequest>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <QCoroFuture>
#include <QCoroTask>

#include <exception>
#include <optional>
#include <type_traits>

class QNetworkAccessManager;

// The one client of the backend. Builds keyed requests, runs them on one
// QNetworkAccessManager (GUI thread), and decodes replies on a worker thread.
// Failures are exceptions: APIError (what the client refuses), TransportError
// (no complete reply) and DecodingError (a success reply of the wrong form).
// Call it from the GUI thread; await its tasks there.
class API final
{
public:
    // Query items by name; a QMap keeps them sorted by key, as they are sent.
    using Query = QMap<QString, QString>;

    // The reply of the fire-and-forget calls; always read as std::optional<Ok>,
    // so a JSON null body is "no value". Its content is never looked at.
    struct Ok
    {
        std::optional<bool> ok;
        static Ok fromJson(const QJsonValue &v);
    };

    static API &shared();

    // Origin every request goes to. Starts as NIMBELORA_BACKEND_URL when that
    // holds a usable http(s) URL (https only in a release build), else the
    // build-time origin.
    QUrl base() const;
    // Points the client at another origin (tests, dev tools); false, and
    // nothing changes, when `origin` is not an http(s) URL with a host.
    bool setBaseUrl(const QUrl &origin);
    static QUrl defaultBaseUrl();

    // The backend session token; absent while signed out. Only the account
    // store writes it. Read anew for every request that is built.
    std::optional<QString> session() const;
    void setSession(std::optional<QString> token);

    // Inactivity limit of every request, so nothing waits forever.
    void setTransferTimeout(int ms);
    int transferTimeout() const;

    // Endpoints. They raise APIError, TransportError or DecodingError; the
    // fire-and-forget calls (warm, syncLike, syncSubscribe, markWatched,
    // signOut, warmStream) never throw, so their tasks may be dropped unawaited.
    QCoro::Task<QList<Video>> feed(QString category, qint64 page);
    QCoro::Task<QList<Video>> search(QString query, qint64 page, std::optional<QString> filter = std::nullopt);
    QCoro::Task<QStringList> suggest(QString query);
    QCoro::Task<QList<Video>> shorts(qint64 page);
    QCoro::Task<QList<Video>> meFeed(QString kind, qint64 page);
    QCoro::Task<QList<Category>> categories();
    QCoro::Task<VideoDetail> video(QString id, bool fast);
    QCoro::Task<QList<Video>> related(QString id);
    QCoro::Task<QList<SponsorSegment>> sponsor(QString id);
    QCoro::Task<QList<Comment>> comments(QString id, QString sort);
    QCoro::Task<QList<Cue>> captions(QString id, QString lang);
    QCoro::Task<ChannelInfo> channel(QString id, qint64 page, QString tab);
    QCoro::Task<YTPlaylist> playlist(QString id);
    // Channel key (id or handle) to avatar URL; unresolved keys are absent.
    QCoro::Task<QMap<QString, QString>> avatars(QStringList keys);
    QCoro::Task<> warm(QStringList ids);
    QCoro::Task<Changelog> changelog();
    QCoro::Task<Account> me();
    QCoro::Task<SessionResponse> createSession(QList<QJsonObject> cookies);
    QCoro::Task<> syncLike(QString id, bool like);
    QCoro::Task<> syncSubscribe(QString channelId, bool subscribe);
    QCoro::Task<> markWatched(QString id);
    QCoro::Task<> signOut();
    // The first two bytes of a video's progressive stream, so the backend
    // prepares the rest before the player asks; the reply is dropped.
    QCoro::Task<> warmStream(QString id);

    // Media URLs for the player: the key rides as query item "k" (the player
    // sends no headers of ours). An id that cannot be one path segment gives
    // an empty QUrl.
    QUrl streamURL(const QString &id) const;
    QUrl hlsURL(const QString &id, qint64 quality) const;

    // `path` is already escaped: fixed ASCII text joined with segment(). The
    // query is escaped here. Throws APIError::badURL when no URL results.
    QNetworkRequest makeRequest(const QString &path, const Query &query = {}) const;

    // Reads accept only status 200; writes accept 200–299.
    template<class T>
    QCoro::Task<T> get(QString path, Query query = {});
    template<class T>
    QCoro::Task<T> send(QByteArray method, QString path, std::optional<QJsonObject> body = std::nullopt);

    // One path segment: every byte outside the unreserved set is escaped, so
    // "/", "?", "#" and "%" stay inside it. An empty id, "." or ".." cannot be
    // kept inside its endpoint (URLs decode %2E back to "."), so they throw
    // APIError::badURL.
    static QString segment(const QString &id);
    // name=value pairs in key order, "&"-joined; values escaped to the
    // unreserved set (a space is %20, never "+").
    static QByteArray encodeQuery(const Query &query);

private:
    API();
    API(const API &) = delete;
    API &operator=(const API &) = delete;

    struct RawReply
    {
        int status = 0;
        QByteArray body;
    };

    QCoro::Task<RawReply> perform(QNetworkRequest request, QByteArray method, std::optional<QByteArray> body);

    template<class T>
    static QCoro::Task<T> decodeOffThread(RawReply reply, int lowest, int highest);
    [[noreturn]] static void throwStatusError(const QByteArray &body);
    static std::optional<QUrl> originOf(const QString &text);
    QUrl mediaURL(const QString &path, const QByteArray &query) const;

    mutable QMutex m_lock;
    QUrl m_base;
    std::optional<QString> m_session;
    QByteArray m_key;
    int m_timeout = 60000;
    QNetworkAccessManager *m_nam = nullptr;
};

template<class T>
QCoro::Task<T> API::get(QString path, Query query)
{
    QNetworkRequest request = makeRequest(path, query);
    RawReply reply = co_await perform(std::move(request), QByteArrayLiteral("GET"), std::nullopt);
    co_return co_await decodeOffThread<T>(std::move(reply), 200, 200);
}

template<class T>
QCoro::Task<T> API::send(QByteArray method, QString path, std::optional<QJsonObject> body)
{
    QNetworkRequest request = makeRequest(path);
    std::optional<QByteArray> data;
    if (body) {
        request.setRawHeader("Content-Type", "application/json");
        data = QJsonDocument(*body).toJson(QJsonDocument::Compact);
    }
    RawReply reply = co_await perform(std::move(request), std::move(method), std::move(data));
    co_return co_await decodeOffThread<T>(std::move(reply), 200, 299);
}

template<class T>
QCoro::Task<T> API::decodeOffThread(RawReply reply, int lowest, int highest)
{
    // The exception travels as an exception_ptr so callers catch its own type.
    struct Outcome
    {
        std::optional<T> value;
        std::exception_ptr error;
    };
    QFuture<Outcome> future = QtConcurrent::run([reply = std::move(reply), lowest, highest] {
        Outcome out;
        try {
            if (reply.status < lowest || reply.status > highest)
                throwStatusError(reply.body);
            out.value.emplace(Json::decode<T>(reply.body));
        } catch (...) {
            out.error = std::current_exception();
        }
        return out;
    });
    Outcome out = co_await future;
    if (out.error)
        std::rethrow_exception(out.error);
    co_return std::move(*out.value);
}
