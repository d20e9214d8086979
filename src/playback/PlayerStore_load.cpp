#include "PlayerStore.h"

#include "API.h"
#include "ErrorDescription.h"
#include "Defaults.h"
#include "ImageLoader.h"
#include "LibraryStore.h"
#include "Orientation.h"
#include "Pref.h"

#include <QCoroFuture>
#include <QSet>
#include <cmath>

namespace {

const QString kUnplayable = QStringLiteral("No se pudo reproducir este vídeo.");
const QString kUnavailable = QStringLiteral("Este vídeo no está disponible.");

// A request whose failure counts as no result.
template<class T>
QCoro::Task<std::optional<T>> attempt(QCoro::Task<T> task)
{
    try {
        co_return co_await std::move(task);
    } catch (...) {
        co_return std::nullopt;
    }
}

} // namespace

void PlayerStore::play(const Video &video, std::optional<double> startAt, bool remember)
{
    if (startAt && !std::isfinite(*startAt))
        startAt = 0.0;

    // Same video, still loaded: only seek and show the full player.
    if (m_current && m_current->id == video.id && m_player->hasItem()) {
        if (startAt)
            seek(*startAt);
        setPresented(true);
        return;
    }

    if (remember && m_current && m_current->id != video.id) {
        if (m_playedStack.size() >= playedStackCap)
            m_playedStack.removeFirst();
        m_playedStack.append(*m_current);
    }

    cancelMeta();
    cancelCountdown();

    setCurrent(video);
    setDetail(std::nullopt);
    setDetailState(LoadState::loading());
    setRelated({});
    setSegments({});
    m_cues.clear();
    setCaptionTracks({});
    setActiveCaption(std::nullopt);
    setCaptionText(std::nullopt);
    setLoopA(std::nullopt);
    setLoopB(std::nullopt);
    m_lastSkip = -100;
    m_lastPublish = -10;
    setErrorMessage(std::nullopt);
    m_usingLegacy = false;
    setActiveQuality(requestedQuality());
    setCurrentTime(0);
    setDuration(double(video.duration));
    m_artwork = QImage();
    // A video left before it started never fetches its artwork now.
    m_artworkDue.clear();
    setComments({});
    setCommentsState(LoadState::idle());
    setChannelAvatar(std::nullopt);

    double start = 0;
    if (startAt) {
        start = *startAt;
    } else if (Defaults::shared().intValue(Pref::resumeMode) == 0 && m_library) {
        const double saved = m_library->position(video.id);
        if (saved > resumeMinimum && saved < double(video.duration) - resumeTailGap)
            start = saved;
    }

    // The engine first: it opens the stream on threads of its own while what
    // follows (the player sheet, the lists that show history) is built here.
    load(API::shared().hlsURL(video.id, m_activeQuality), start, true);

    setPresented(true);

    // A link's placeholder is no video worth remembering: its entry is made
    // by the detail that fills it in, and never if none comes.
    if (m_library && video.title != placeholderTitle)
        m_library->addToHistory(video);
    if (m_library && !Defaults::shared().boolValue(Pref::incognito) && m_library->onSync)
        m_library->onSync(SyncEvent::watched(video.id));

    m_artworkDue = video.id;
    loadArtworkOnceStarted();
    updateNowPlaying();
    startMeta(video.id);
}

void PlayerStore::setPresented(bool presented)
{
    if (!assign(m_expanded, presented, &PlayerStore::expandedChanged))
        return;
    Orientation::set(presented ? Orientation::AllButUpsideDown : Orientation::Portrait);
}

qint64 PlayerStore::requestedQuality() const
{
    if (m_audioOnly)
        return audioOnlyQuality;
    const qint64 quality = Defaults::shared().intValue(Pref::quality);
    const qint64 cap = Defaults::shared().intValue(Pref::cellularCap);
    if (m_onCellular && cap >= 1)
        return quality == 0 ? cap : std::min(quality, cap);
    return quality;
}

// A start time is an exact seek once the item is ready; the item holds still
// at its beginning until the seek has landed. (Starting mpv at the time
// itself leaves HLS items unable to seek back to their first 0.1 s.)
void PlayerStore::load(const QUrl &url, double startAt, bool play)
{
    const bool seekFirst = startAt > startSeekMinimum;
    m_player->setWaitsToMinimizeStalling(false);
    if (play)
        m_player->setDefaultRate(m_speed);
    m_itemSub = ItemWatch{0, startAt, play, false, false, seekFirst};
    const quint64 item = m_player->load(url, play && !seekFirst);
    m_itemSub.item = item;
    m_itemSub.active = true;
    m_startLanding = seekFirst ? std::optional<double>(startAt) : std::nullopt;
    m_player->setMuted(m_muted);
}

void PlayerStore::onItemReady(quint64 item)
{
    if (!m_itemSub.active || m_itemSub.item != item || m_itemSub.settled)
        return;
    m_itemSub.settled = true;
    // A seek made while the item loaded has moved the start already.
    if (m_itemSub.holding && m_startLanding) {
        QPointer<PlayerStore> self(this);
        // Whether or not the seek finished; but never for an item replaced
        // meanwhile, and not after a pause asked for while it ran.
        m_player->seek(m_itemSub.startAt, [self, item](bool) {
            if (!self || self->m_player->currentItem() != item)
                return;
            self->m_itemSub.holding = false;
            if (self->m_itemSub.play)
                self->startPlayback();
            self->loadArtworkOnceStarted();
        });
        return;
    }
    m_itemSub.holding = false;
    if (m_itemSub.play)
        startPlayback();
    loadArtworkOnceStarted();
}

void PlayerStore::startPlayback()
{
    m_player->setDefaultRate(m_speed);
    m_player->playImmediately(m_speed);
}

void PlayerStore::onItemFailed(quint64 item)
{
    if (!m_itemSub.active || m_itemSub.item != item || m_itemSub.settled)
        return;
    m_itemSub.settled = true;
    m_itemSub.holding = false;
    if (!m_usingLegacy) {
        if (!m_current)
            return;
        m_usingLegacy = true;
        setActiveQuality(legacyQuality);
        const ItemWatch failed = m_itemSub;
        load(API::shared().streamURL(m_current->id), failed.startAt, failed.play);
        return;
    }
    if (!m_errorMessage)
        setErrorMessage(kUnplayable);
    loadArtworkOnceStarted();
}

void PlayerStore::fallbackToLegacy()
{
    if (!m_current || m_usingLegacy)
        return;
    m_usingLegacy = true;
    setActiveQuality(legacyQuality);
    const auto [t, playing] = playHead();
    load(API::shared().streamURL(m_current->id), t, playing);
}

std::pair<double, bool> PlayerStore::playHead() const
{
    if (m_itemSub.active && m_itemSub.holding)
        return {m_itemSub.startAt, m_itemSub.play};
    const double t = m_player->currentTime();
    return {std::isfinite(t) ? t : 0.0, m_player->timeControlStatus() != MediaEngine::TimeControlStatus::Paused};
}

void PlayerStore::startMeta(const QString &id)
{
    cancelMeta();
    loadMeta(id, m_metaTask);
}

// API requests cannot be aborted, so a cancelled load treats every reply
// that comes after its cancellation as a failed request.
QCoro::Task<> PlayerStore::loadMeta(QString id, quint64 generation)
{
    QPointer<PlayerStore> self(this);
    auto cancelled = [&] { return !self || generation != m_metaTask; };

    auto relatedTask = attempt(API::shared().related(id));
    auto sponsorTask = attempt(API::shared().sponsor(id));

    std::optional<VideoDetail> fast = co_await attempt(API::shared().video(id, true));
    if (cancelled())
        co_return;
    if (fast && isCurrent(id) && !m_detail)
        applyDetail(*fast, id);

    std::optional<VideoDetail> full;
    QString fullError;
    try {
        full = co_await API::shared().video(id, false);
    } catch (const std::exception &e) {
        fullError = describe(e);
    } catch (...) {
    }
    if (cancelled() || !isCurrent(id))
        co_return;
    if (full)
        applyDetail(*full, id);
    else if (!m_detail)
        setDetailState(LoadState::failed(fullError));

    std::optional<QList<Video>> related = co_await std::move(relatedTask);
    std::optional<QList<SponsorSegment>> sponsor = co_await std::move(sponsorTask);
    if (cancelled() || !isCurrent(id))
        co_return;

    setRelated(related.value_or(QList<Video>()));

    const QStringList names = Defaults::shared().stringValue(Pref::sponsorCats).split(u',', Qt::SkipEmptyParts);
    const QSet<QString> categories(names.cbegin(), names.cend());
    QList<SponsorSegment> kept;
    for (const SponsorSegment &s : sponsor.value_or(QList<SponsorSegment>()))
        if (categories.contains(s.category))
            kept.append(s);
    setSegments(std::move(kept));

    const std::optional<VideoDetail> &source = full ? full : m_detail;
    if (source && source->channelId)
        loadChannelAvatar(*source->channelId, id);

    loadComments(id, QStringLiteral("top"));
}

void PlayerStore::applyDetail(const VideoDetail &d, const QString &id)
{
    Q_UNUSED(id);
    setDetail(d);
    setDetailState(LoadState::loaded());
    if (d.duration > 0)
        setDuration(double(d.duration));

    if (m_current && m_current->title == placeholderTitle) {
        // An in-place change of the current video always notifies.
        m_current->title = d.title;
        m_current->channel = d.channel;
        m_current->channelId = d.channelId;
        m_current->duration = d.duration;
        emit currentChanged();
        if (m_library)
            m_library->addToHistory(*m_current);
        updateNowPlaying();
    }

    if (!d.canPlay) {
        // Nothing may start this video now: neither the pending ready status
        // nor a fallback of this load.
        m_player->pause();
        m_itemSub.play = false;
        setErrorMessage(kUnavailable);
        return;
    }

    if (d.hls && !*d.hls && !m_usingLegacy)
        fallbackToLegacy();

    const QList<CaptionTrack> tracks = d.captions.value_or(QList<CaptionTrack>());
    if (!tracks.isEmpty()) {
        setCaptionTracks(tracks);
        if (Defaults::shared().boolValue(Pref::captions))
            autoSelectCaption();
    }
}

void PlayerStore::loadComments(const QString &id, const QString &sort)
{
    setCommentsState(LoadState::loading());
    runComments(id, sort, ++m_commentsRequest);
}

QCoro::Task<> PlayerStore::runComments(QString id, QString sort, quint64 request)
{
    QPointer<PlayerStore> self(this);
    auto wanted = [&] { return self && request == m_commentsRequest && isCurrent(id); };
    try {
        QList<Comment> list = co_await API::shared().comments(id, sort);
        if (!wanted())
            co_return;
        setComments(std::move(list));
        setCommentsState(LoadState::loaded());
    } catch (const std::exception &e) {
        if (wanted())
            setCommentsState(LoadState::failed(describe(e)));
    }
}

QCoro::Task<> PlayerStore::loadChannelAvatar(QString channelId, QString id)
{
    QPointer<PlayerStore> self(this);
    std::optional<ChannelInfo> info = co_await attempt(API::shared().channel(channelId, 0, QStringLiteral("videos")));
    if (!info || !self || !isCurrent(id))
        co_return;
    setChannelAvatar(info->avatar);
    if (m_library)
        m_library->updateAvatar(channelId, info->avatar);
}

// The artwork only feeds the system's media controls. Fetching and decoding
// it while mpv opens the stream and decodes the first pictures slows the
// start, so it waits until the item has settled (ready or failed, its start
// time reached) and is no longer on its way to playing.
void PlayerStore::loadArtworkOnceStarted()
{
    if (m_artworkDue.isEmpty())
        return;
    if (m_itemSub.starting())
        return;
    if (m_player->timeControlStatus() == MediaEngine::TimeControlStatus::WaitingToPlay && !m_errorMessage)
        return;
    loadArtwork(std::exchange(m_artworkDue, QString()));
}

QCoro::Task<> PlayerStore::loadArtwork(QString id)
{
    QPointer<PlayerStore> self(this);
    const QImage image = co_await ImageLoader::shared().first(ImageLoader::thumbURLs(id));
    if (image.isNull() || !self || !isCurrent(id))
        co_return;
    m_artwork = image;
    updateNowPlaying();
}

void PlayerStore::retry()
{
    if (!m_current)
        return;
    const double start = m_currentTime;
    setErrorMessage(std::nullopt);
    cancelMeta();
    m_usingLegacy = false;
    setActiveQuality(requestedQuality());
    load(API::shared().hlsURL(m_current->id, m_activeQuality), start, true);
    if (!m_detail)
        setDetailState(LoadState::loading());
    startMeta(m_current->id);
}

void PlayerStore::reloadDetails()
{
    if (!m_current)
        return;
    if (!m_detail)
        setDetailState(LoadState::loading());
    startMeta(m_current->id);
}

void PlayerStore::stop()
{
    savePosition();
    cancelMeta();
    cancelCountdown();
    m_player->pause();
    m_player->unload();
    m_itemSub.active = false;
    m_startLanding.reset();
    m_artworkDue.clear();

    setCurrent(std::nullopt);
    setDetail(std::nullopt);
    setDetailState(LoadState::idle());
    setRelated({});
    setComments({});
    setCommentsState(LoadState::idle());
    setChannelAvatar(std::nullopt);
    setCaptionText(std::nullopt);
    m_cues.clear();
    setLoopA(std::nullopt);
    setLoopB(std::nullopt);
    setErrorMessage(std::nullopt);

    clearNowPlaying();

    setPresented(false);
}
