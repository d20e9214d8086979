#include "ChannelModel.h"
#include "API.h"
#include "ErrorDescription.h"
#include "Fmt.h"
#include "Haptics.h"
#include "Opener.h"
#include "Pasteboard.h"
#include "YouTubeLink.h"

#include <QSet>

ChannelModel::ChannelModel(QObject *parent)
    : Store(parent), m_tab(tabIds().first()), m_videos(new VideoListModel(this))
{
}

const QStringList &ChannelModel::tabIds()
{
    static const QStringList ids{QStringLiteral("videos"), QStringLiteral("popular"), QStringLiteral("shorts")};
    return ids;
}

QStringList ChannelModel::tabLabels()
{
    return {QStringLiteral("Vídeos"), QStringLiteral("Populares"), QStringLiteral("Shorts")};
}

void ChannelModel::setRoute(const ChannelRoute &route)
{
    if (assign(m_route, route, &ChannelModel::routeChanged)) {
        emit infoChanged();
        emit subscribedChanged();
    }
}

void ChannelModel::setLibrary(LibraryStore *library)
{
    if (library == m_library)
        return;
    disconnect(m_followWatch);
    m_library = library;
    if (library)
        m_followWatch = connect(library, &LibraryStore::subscriptionsChanged, this, &ChannelModel::subscribedChanged);
    emit libraryChanged();
    emit subscribedChanged();
}

bool ChannelModel::subscribed() const { return m_library && m_library->isSubscribed(followId()); }

QString ChannelModel::metaLine(const std::optional<QString> &handle, const std::optional<qint64> &subscribers)
{
    QStringList parts;
    if (handle && !handle->isEmpty())
        parts.append(*handle);
    if (subscribers)
        parts.append(Fmt::compact(*subscribers) +
                     (*subscribers == 1 ? QStringLiteral(" suscriptor") : QStringLiteral(" suscriptores")));
    return parts.join(QStringLiteral(" · "));
}

QUrl ChannelModel::bannerUrl(const std::optional<QString> &banner)
{
    if (!banner)
        return {};
    const QUrl url(*banner, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url;
}

QCoro::Task<> ChannelModel::load()
{
    QPointer<ChannelModel> self(this);
    const quint64 generation = ++m_generation;
    setLoadingMore(false);
    setState(LoadState::loading());
    m_page = 0;
    try {
        ChannelInfo reply = co_await API::shared().channel(m_route.id, 0, m_tab);
        if (!self || generation != m_generation)
            co_return;
        m_info = std::move(reply);
        m_videos->replace(m_info->videos);
        m_canMore = !m_info->videos.isEmpty();
        emit infoChanged();
        emit subscribedChanged();
        setState(LoadState::loaded());
        if (m_library)
            m_library->updateAvatar(m_info->id, m_info->avatar);
    } catch (const std::exception &e) {
        if (self && generation == m_generation)
            setState(LoadState::failed(describe(e)));
    }
}

QCoro::Task<> ChannelModel::loadMore()
{
    if (!m_canMore || m_loadingMore || !m_state.isLoaded())
        co_return;
    QPointer<ChannelModel> self(this);
    const quint64 generation = m_generation;
    const qint64 next = m_page + 1;
    setLoadingMore(true);
    std::optional<ChannelInfo> reply;
    try {
        reply = co_await API::shared().channel(m_route.id, next, m_tab);
    } catch (const std::exception &) {
        // A failed page ends paging, without a message.
    }
    // A reload since: its own paging is already reset.
    if (!self || generation != m_generation)
        co_return;
    QList<Video> fresh;
    if (reply) {
        QSet<QString> shown;
        for (const Video &v : m_videos->videos())
            shown.insert(v.id);
        for (const Video &v : std::as_const(reply->videos))
            if (!shown.contains(v.id))
                fresh.append(v);
    }
    if (fresh.isEmpty()) {
        m_canMore = false;
    } else {
        m_videos->append(fresh);
        m_page = next;
    }
    setLoadingMore(false);
}

void ChannelModel::selectTab(int index)
{
    if (index < 0 || index >= tabIds().size() || tabIds().at(index) == m_tab)
        return;
    m_tab = tabIds().at(index);
    emit tabChanged();
    load();
}

void ChannelModel::reached(const QString &videoId)
{
    const QList<Video> &shown = m_videos->videos();
    if (!shown.isEmpty() && shown.last().id == videoId)
        loadMore();
}

void ChannelModel::toggleSubscription()
{
    Haptics::shared().success();
    if (!m_library)
        return;
    if (m_info)
        m_library->toggleSubscription(m_info->id, m_info->name, m_info->avatar);
    else
        m_library->toggleSubscription(m_route.id, m_route.name, std::optional<QString>());
}

void ChannelModel::copyLink() const { Pasteboard::shared().setString(YouTubeLink::channelLink(m_route.id)); }

void ChannelModel::openLink() const
{
    const QUrl url = YouTubeLink::strictUrl(YouTubeLink::channelLink(m_route.id));
    if (url.isValid())
        Opener::shared().open(url);
}

void ChannelModel::hideChannel()
{
    if (m_library)
        m_library->hideChannel(m_route.name);
}
