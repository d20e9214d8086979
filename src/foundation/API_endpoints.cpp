#include "API.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

// GCC 12 miscompiles braced lists inside a co_await expression ("array used as
// initializer"), so every query and body is built in a local first.

namespace {
QString decimal(qint64 n) { return QString::number(n); }
}

QCoro::Task<QList<Video>> API::feed(QString category, qint64 page)
{
    Query items{{u"cat"_s, category}, {u"page"_s, decimal(page)}};
    co_return co_await get<QList<Video>>(u"/api/feed"_s, std::move(items));
}

QCoro::Task<QList<Video>> API::search(QString query, qint64 page, std::optional<QString> filter)
{
    Query items{{u"page"_s, decimal(page)}, {u"q"_s, query}};
    if (filter && *filter != u"any")
        items.insert(u"f"_s, *filter);
    co_return co_await get<QList<Video>>(u"/api/search"_s, std::move(items));
}

QCoro::Task<QStringList> API::suggest(QString query)
{
    Query items{{u"q"_s, query}};
    co_return co_await get<QStringList>(u"/api/suggest"_s, std::move(items));
}

QCoro::Task<QList<Video>> API::shorts(qint64 page)
{
    Query items{{u"page"_s, decimal(page)}};
    co_return co_await get<QList<Video>>(u"/api/shorts"_s, std::move(items));
}

QCoro::Task<QList<Video>> API::meFeed(QString kind, qint64 page)
{
    Query items{{u"kind"_s, kind}, {u"page"_s, decimal(page)}};
    co_return co_await get<QList<Video>>(u"/api/me/feed"_s, std::move(items));
}

QCoro::Task<QList<Category>> API::categories()
{
    co_return co_await get<QList<Category>>(u"/api/categories"_s);
}

QCoro::Task<VideoDetail> API::video(QString id, bool fast)
{
    const QString path = u"/api/video/"_s + segment(id);
    Query items;
    if (fast)
        items.insert(u"fast"_s, u"1"_s);
    co_return co_await get<VideoDetail>(path, std::move(items));
}

QCoro::Task<QList<Video>> API::related(QString id)
{
    const QString path = u"/api/related/"_s + segment(id);
    co_return co_await get<QList<Video>>(path);
}

QCoro::Task<QList<SponsorSegment>> API::sponsor(QString id)
{
    const QString path = u"/api/sponsor/"_s + segment(id);
    co_return co_await get<QList<SponsorSegment>>(path);
}

QCoro::Task<QList<Comment>> API::comments(QString id, QString sort)
{
    const QString path = u"/api/comments/"_s + segment(id);
    Query items{{u"sort"_s, sort}};
    co_return co_await get<QList<Comment>>(path, std::move(items));
}

QCoro::Task<QList<Cue>> API::captions(QString id, QString lang)
{
    const QString path = u"/api/captions/"_s + segment(id) + u'/' + segment(lang);
    co_return co_await get<QList<Cue>>(path);
}

QCoro::Task<ChannelInfo> API::channel(QString id, qint64 page, QString tab)
{
    const QString path = u"/api/channel/"_s + segment(id);
    Query items{{u"page"_s, decimal(page)}};
    if (tab != u"videos")
        items.insert(u"tab"_s, tab);
    co_return co_await get<ChannelInfo>(path, std::move(items));
}

QCoro::Task<YTPlaylist> API::playlist(QString id)
{
    const QString path = u"/api/playlist/"_s + segment(id);
    co_return co_await get<YTPlaylist>(path);
}

QCoro::Task<QMap<QString, QString>> API::avatars(QStringList keys)
{
    Query items{{u"keys"_s, keys.join(u',')}};
    co_return co_await get<QMap<QString, QString>>(u"/api/avatars"_s, std::move(items));
}

QCoro::Task<Changelog> API::changelog()
{
    co_return co_await get<Changelog>(u"/api/changelog"_s);
}

QCoro::Task<Account> API::me()
{
    co_return co_await get<Account>(u"/api/me"_s);
}

QCoro::Task<SessionResponse> API::createSession(QList<QJsonObject> cookies)
{
    QJsonArray list;
    for (const QJsonObject &cookie : cookies)
        list.append(cookie);
    QJsonObject body;
    body.insert(u"cookies"_s, list);
    co_return co_await send<SessionResponse>(QByteArrayLiteral("POST"), u"/api/auth/session"_s, std::move(body));
}

// Fire-and-forget: every failure, a bad status included, ends the call quietly.

QCoro::Task<> API::warm(QStringList ids)
{
    Query items{{u"ids"_s, ids.join(u',')}};
    try {
        co_await get<std::optional<Ok>>(u"/api/warm"_s, std::move(items));
    } catch (...) {
    }
}

QCoro::Task<> API::syncLike(QString id, bool like)
{
    QJsonObject body;
    body.insert(u"id"_s, id);
    body.insert(u"like"_s, like);
    try {
        co_await send<std::optional<Ok>>(QByteArrayLiteral("POST"), u"/api/me/like"_s, std::move(body));
    } catch (...) {
    }
}

QCoro::Task<> API::syncSubscribe(QString channelId, bool subscribe)
{
    QJsonObject body;
    body.insert(u"channelId"_s, channelId);
    body.insert(u"subscribe"_s, subscribe);
    try {
        co_await send<std::optional<Ok>>(QByteArrayLiteral("POST"), u"/api/me/subscribe"_s, std::move(body));
    } catch (...) {
    }
}

QCoro::Task<> API::markWatched(QString id)
{
    try {
        const QString path = u"/api/me/watched/"_s + segment(id);
        co_await send<std::optional<Ok>>(QByteArrayLiteral("POST"), path);
    } catch (...) {
    }
}

QCoro::Task<> API::signOut()
{
    try {
        co_await send<std::optional<Ok>>(QByteArrayLiteral("DELETE"), u"/api/me"_s);
    } catch (...) {
    }
}

QCoro::Task<> API::warmStream(QString id)
{
    const QUrl url = streamURL(id);
    if (url.isEmpty())
        co_return;
    QNetworkRequest request(url);
    request.setTransferTimeout(60000);
    request.setRawHeader("Range", "bytes=0-1");
    try {
        co_await perform(std::move(request), QByteArrayLiteral("GET"), std::nullopt);
    } catch (...) {
    }
}

QUrl API::streamURL(const QString &id) const
{
    try {
        return mediaURL(u"/api/stream/"_s + segment(id), "k=" + m_key.toPercentEncoding());
    } catch (const APIError &) {
        return QUrl();
    }
}

QUrl API::hlsURL(const QString &id, qint64 quality) const
{
    try {
        return mediaURL(u"/api/hls/"_s + segment(id) + u"/master.m3u8"_s,
                        "k=" + m_key.toPercentEncoding() + "&q=" + QByteArray::number(quality));
    } catch (const APIError &) {
        return QUrl();
    }
}
