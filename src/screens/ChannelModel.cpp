#include "ChannelModel.h"
#include "API.h"
#include "ErrorDescription.h"
#include "Fmt.h"
#include "Haptics.h"
#include "Opener.h"
#include "Pasteboard.h"
#include "YouTubeLink.h"


ChannelModel::ChannelModel(QObject *parent)
    : PagedList(parent, PagingRule{.needsLoaded = true}, LoadState::loading()), m_tab(tabIds().first())
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
    if (!follow(this, m_library, library))
        return;
    if (library)
        connect(library, &LibraryStore::subscriptionsChanged, this, &ChannelModel::subscribedChanged);
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
    const Generation::Ticket load = newLoad();
    setState(LoadState::loading());
    resetPaging();
    try {
        ChannelInfo reply = co_await API::shared().channel(m_route.id, 0, m_tab);
        if (!load)
            co_return;
        m_info = std::move(reply);
        emit infoChanged();
        emit subscribedChanged();
        showFirstPage(m_info->videos);
        if (m_library)
            m_library->updateAvatar(m_info->id, m_info->avatar);
    } catch (const std::exception &e) {
        if (load)
            setState(LoadState::failed(describe(e)));
    }
}

QCoro::Task<QList<Video>> ChannelModel::fetchPage(qint64 page)
{
    const ChannelInfo reply = co_await API::shared().channel(m_route.id, page, m_tab);
    co_return reply.videos;
}

void ChannelModel::selectTab(int index)
{
    if (index < 0 || index >= tabIds().size() || tabIds().at(index) == m_tab)
        return;
    m_tab = tabIds().at(index);
    emit tabChanged();
    load();
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

QList<MenuEntry> ChannelModel::menuEntries()
{
    return {MenuEntry::button(QStringLiteral("copyLink"), QStringLiteral("Copiar enlace del canal"), QStringLiteral("link")),
            MenuEntry::button(QStringLiteral("openOnSite"), QStringLiteral("Abrir en YouTube"), QStringLiteral("arrow.up.right.square")),
            MenuEntry::button(QStringLiteral("hideChannel"), QStringLiteral("No me interesa este canal"), QStringLiteral("eye.slash"), true)};
}

void ChannelModel::trigger(const QString &id)
{
    if (id == QLatin1String("copyLink"))
        copyLink();
    else if (id == QLatin1String("openOnSite"))
        openLink();
    else if (id == QLatin1String("hideChannel"))
        hideChannel();
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
