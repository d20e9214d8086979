#include "DetailsModel.h"

#include "ChannelRoute.h"
#include "Fmt.h"
#include "Haptics.h"
#include "Store.h"
#include "PlayerOverlayModel.h"
#include "VideoFilterModel.h"
#include "VideoListModel.h"

#include <limits>

namespace {

const std::optional<VideoDetail> kNoDetail;

} // namespace

DetailsModel::DetailsModel(QObject *parent) : QObject(parent)
{
    m_relatedSource = new VideoListModel(this);
    m_related = new VideoFilterModel(this);
    m_related->setSource(m_relatedSource);
}

void DetailsModel::setPlayer(PlayerStore *player)
{
    if (!follow(this, m_player, player))
        return;
    if (player) {
        for (auto signal : {&PlayerStore::currentChanged, &PlayerStore::detailChanged,
                            &PlayerStore::channelAvatarChanged, &PlayerStore::detailStateChanged})
            connect(player, signal, this, &DetailsModel::changed);
        connect(player, &PlayerStore::relatedChanged, this, &DetailsModel::syncRelated);
    }
    syncRelated();
    emit storesChanged();
}

void DetailsModel::setLibrary(LibraryStore *library)
{
    if (!follow(this, m_library, library))
        return;
    if (library)
        connect(library, &LibraryStore::revisionChanged, this, &DetailsModel::changed);
    m_related->setLibrary(library);
    emit storesChanged();
    emit changed();
}

void DetailsModel::setRouter(Router *router)
{
    assignAndNotify(this, m_router, router, &DetailsModel::storesChanged);
}

void DetailsModel::setOverlay(PlayerOverlayModel *overlay)
{
    assignAndNotify(this, m_overlay, overlay, &DetailsModel::storesChanged);
}

void DetailsModel::setDescriptionOpen(bool v)
{
    if (!assignAndNotify(this, m_descriptionOpen, v, &DetailsModel::descriptionOpenChanged))
        return;
    emit changed(); // the chapter rows
}

void DetailsModel::setShowComments(bool v) { assignAndNotify(this, m_showComments, v, &DetailsModel::showCommentsChanged); }

void DetailsModel::syncRelated()
{
    m_relatedSource->replace(m_player ? m_player->related() : QList<Video>());
    emit changed();
}

QString DetailsModel::countWith(qint64 count, const QString &one, const QString &many)
{
    return Fmt::compact(count) + (count == 1 ? one : many);
}

QString DetailsModel::metaLineFor(const Video &video, const std::optional<VideoDetail> &detail)
{
    QStringList parts;
    const std::optional<qint64> views = detail && detail->views ? detail->views : video.views;
    if (views)
        parts << countWith(*views, QStringLiteral(" vista"), QStringLiteral(" vistas"));
    const QString age = Fmt::ago(detail ? detail->uploadDate : std::nullopt);
    if (!age.isEmpty())
        parts << age;
    return parts.join(QStringLiteral(" · "));
}

QString DetailsModel::likeTitleFor(const std::optional<VideoDetail> &detail, bool liked)
{
    if (detail && detail->likes) {
        const qint64 likes = *detail->likes;
        return Fmt::compact(liked && likes < std::numeric_limits<qint64>::max() ? likes + 1 : likes);
    }
    return liked ? QStringLiteral("Te gusta") : QStringLiteral("Me gusta");
}

const std::optional<VideoDetail> &DetailsModel::detail() const { return m_player ? m_player->detail() : kNoDetail; }

bool DetailsModel::hasVideo() const { return m_player && m_player->current(); }

Video DetailsModel::video() const { return hasVideo() ? *m_player->current() : Video(); }

QString DetailsModel::title() const
{
    if (detail())
        return detail()->title;
    // A link's placeholder whose detail failed is loading no more.
    if (placeholder() && detailFailed())
        return {};
    return hasVideo() ? m_player->current()->title : QString();
}

bool DetailsModel::detailFailed() const { return hasVideo() && !detail() && m_player->detailState().isFailed(); }

QString DetailsModel::detailError() const { return detailFailed() ? m_player->detailState().message : QString(); }

void DetailsModel::reload()
{
    if (m_player)
        m_player->reloadDetails();
}

QString DetailsModel::metaLine() const { return hasVideo() ? metaLineFor(*m_player->current(), detail()) : QString(); }

QString DetailsModel::channelName() const
{
    if (detail())
        return detail()->channel;
    return hasVideo() ? m_player->current()->channel : QString();
}

bool DetailsModel::verified() const
{
    if (detail())
        return detail()->verified;
    return hasVideo() && m_player->current()->verified;
}

std::optional<QString> DetailsModel::channelId() const
{
    if (detail() && detail()->channelId)
        return detail()->channelId;
    return hasVideo() ? m_player->current()->channelId : std::nullopt;
}

QVariant DetailsModel::channelIdValue() const { return QmlValue::of(channelId()); }

QString DetailsModel::avatar() const
{
    if (!hasVideo())
        return {};
    return m_player->channelAvatar().value_or(m_player->current()->avatar.value_or(QString()));
}

QString DetailsModel::subscriberLine() const
{
    if (!detail() || !detail()->subscribers)
        return {};
    return countWith(*detail()->subscribers, QStringLiteral(" suscriptor"), QStringLiteral(" suscriptores"));
}

bool DetailsModel::subscribed() const
{
    const std::optional<QString> id = channelId();
    return id && m_library && m_library->isSubscribed(*id);
}

bool DetailsModel::liked() const { return hasVideo() && m_library && m_library->isLiked(m_player->current()->id); }

bool DetailsModel::saved() const { return hasVideo() && m_library && m_library->isWatchLater(m_player->current()->id); }

QString DetailsModel::likeTitle() const { return likeTitleFor(detail(), liked()); }

bool DetailsModel::placeholder() const
{
    return hasVideo() && !detail() && m_player->current()->title == PlayerStore::placeholderTitle;
}

bool DetailsModel::showDescription() const
{
    return detail() && !(detail()->description.isEmpty() && detail()->chapters.isEmpty());
}

QString DetailsModel::description() const { return detail() ? detail()->description : QString(); }

QList<Chapter> DetailsModel::chapters() const
{
    if (!detail())
        return {};
    return detail()->chapters.mid(0, m_descriptionOpen ? openChapters : closedChapters);
}

QVariantList DetailsModel::chaptersValue() const { return QmlValue::list(chapters()); }

QString DetailsModel::commentCount() const
{
    return detail() && detail()->comments ? Fmt::compact(*detail()->comments) : QString();
}

bool DetailsModel::hasRelated() const { return m_player && !m_player->related().isEmpty(); }

bool DetailsModel::relatedPending() const { return hasVideo() && !hasRelated() && !detail() && !detailFailed(); }

std::optional<Video> DetailsModel::storable() const
{
    if (!hasVideo() || placeholder())
        return std::nullopt;
    return m_player->current();
}

void DetailsModel::openChannel()
{
    const std::optional<QString> id = channelId();
    if (!id)
        return;
    const QString name = channelName();
    if (m_overlay)
        m_overlay->collapse();
    if (m_router)
        m_router->openChannel(ChannelRoute{*id, name});
}

void DetailsModel::toggleSubscription()
{
    const std::optional<QString> id = channelId();
    if (!id || !m_library)
        return;
    Haptics::shared().success();
    m_library->toggleSubscription(*id, channelName(), m_player ? m_player->channelAvatar() : std::nullopt);
}

void DetailsModel::toggleLike()
{
    const std::optional<Video> video = storable();
    if (!video || !m_library)
        return;
    Haptics::shared().success();
    m_library->toggleLike(*video);
}

void DetailsModel::toggleWatchLater()
{
    const std::optional<Video> video = storable();
    if (!video || !m_library)
        return;
    Haptics::shared().light();
    m_library->toggleWatchLater(*video);
}

void DetailsModel::saveToPlaylist()
{
    if (const std::optional<Video> video = storable(); video && m_router)
        m_router->setPlaylistVideo(video);
}

void DetailsModel::enqueue()
{
    if (hasVideo())
        m_player->enqueue(*m_player->current());
}

void DetailsModel::hideChannel()
{
    if (!hasVideo() || !m_library)
        return;
    // The video's own channel, not the detail's.
    const QString channel = m_player->current()->channel;
    if (channel.isEmpty())
        return;
    m_library->hideChannel(channel);
    m_player->showToast(QStringLiteral("Canal oculto: ") + channel);
}

void DetailsModel::seekChapter(qint64 start)
{
    Haptics::shared().light();
    if (m_player)
        m_player->seek(double(start));
}

void DetailsModel::toggleDescription() { setDescriptionOpen(!m_descriptionOpen); }

void DetailsModel::openComments()
{
    Haptics::shared().light();
    setShowComments(true);
}
