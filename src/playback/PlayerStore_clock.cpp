#include "PlayerStore.h"

#include "Clock.h"
#include "Defaults.h"
#include "LibraryStore.h"
#include "Pref.h"

#include <cmath>

namespace {

constexpr double kTickSeconds = 0.25;
constexpr double kDurationSlack = 1.0;
constexpr double kSegmentTail = 0.7;  // a segment whose last 0.7 s has begun is left alone
constexpr double kSkipSpread = 1.0;   // segments starting this close to the last skip are not skipped again
constexpr double kLandingSlack = 1.0; // the play head counts as at the start time this close to it
constexpr double kRestartTail = 0.5;
constexpr double kRestartAfter = 5.0;

const QString kBreakToast = QStringLiteral("Llevas un buen rato viendo vídeos. Quizá toca descansar.");
const QString kSkipToast = QStringLiteral("Patrocinio omitido");

} // namespace

void PlayerStore::tick(double t)
{
    if (!std::isfinite(t) || !m_current)
        return;

    if (!m_isScrubbing && std::abs(t - m_lastPublish) >= publishStep) {
        m_lastPublish = t;
        setCurrentTime(t);
    }

    if (m_player->hasItem()) {
        const double d = m_player->duration();
        if (std::isfinite(d) && d > 0 && std::abs(d - m_duration) > kDurationSlack)
            setDuration(d);
    }

    updateCaption(t);

    if (m_player->timeControlStatus() == MediaEngine::TimeControlStatus::Playing) {
        m_watchedSeconds += kTickSeconds;
        const double reminder = double(Defaults::shared().intValue(Pref::breakReminder)) * 60.0;
        if (reminder > 0 && reminder <= m_watchedSeconds) {
            m_watchedSeconds = 0;
            showToast(kBreakToast);
        }
    }

    if (m_sleepEndsAt && Clock::now() >= *m_sleepEndsAt) {
        setSleepEndsAt(std::nullopt);
        m_player->pause();
        showToast(sleepToast);
    }

    if (m_loopA && m_loopB && *m_loopB <= t) {
        seek(*m_loopA);
        return;
    }

    if (Defaults::shared().boolValue(Pref::skipSponsors) && !m_isScrubbing) {
        for (const SponsorSegment &s : std::as_const(m_segments)) {
            if (s.start <= t && t < s.end - kSegmentTail) {
                // A tick before the skip has landed finds the same segment.
                if (std::abs(s.start - m_lastSkip) > kSkipSpread) {
                    m_lastSkip = s.start;
                    seek(s.end);
                    showToast(kSkipToast);
                }
                break;
            }
        }
    }

    // Until the play head has reached the item's start time, the time seen
    // is not a position of this video worth keeping.
    if (m_startLanding) {
        if (t < *m_startLanding - kLandingSlack)
            return;
        m_startLanding.reset();
    }

    if (m_current && std::abs(t - m_lastSave) >= saveStep) {
        m_lastSave = t;
        if (m_library)
            m_library->setPosition(m_current->id, t);
        updateNowPlaying();
    }
}

void PlayerStore::savePosition()
{
    // Nothing played yet, or the start seek has not landed: the saved
    // position still stands. At the end it has been forgotten on purpose.
    if (!m_current || !m_library || m_player->itemStatus() != MediaEngine::ItemStatus::Ready
        || m_player->isAtEnd() || (m_itemSub.active && m_itemSub.holding))
        return;
    const double t = m_player->currentTime();
    if (!std::isfinite(t) || (m_startLanding && t < *m_startLanding - kLandingSlack))
        return;
    m_lastSave = t;
    m_library->setPosition(m_current->id, t);
}

void PlayerStore::togglePlay()
{
    if (m_player->timeControlStatus() != MediaEngine::TimeControlStatus::Paused) {
        m_player->pause();
        return;
    }
    if (m_duration > 0 && m_currentTime >= m_duration - kRestartTail)
        seek(0);
    m_player->setDefaultRate(m_speed);
    m_player->play();
}

void PlayerStore::seek(double t) { seekThen(t, {}); }

void PlayerStore::seekThen(double t, MediaEngine::SeekCompletion done)
{
    if (m_duration > 0)
        t = std::min(t, m_duration);
    if (!(t >= 0) || !std::isfinite(t))
        t = 0;
    setCurrentTime(t);
    m_lastPublish = t;
    // The user (or the clock) has moved the play head on purpose.
    m_startLanding.reset();
    m_player->seek(t, std::move(done));
}

void PlayerStore::playNext()
{
    cancelCountdown();
    // A queued copy of the video on screen would only open the player again
    // and leave the queue stuck behind it.
    QList<Video> rest = m_queue;
    if (m_current)
        rest.removeIf([&](const Video &v) { return v.id == m_current->id; });
    if (!rest.isEmpty()) {
        const Video next = rest.takeFirst();
        setQueue(std::move(rest));
        play(next, std::nullopt, true);
        return;
    }
    setQueue(std::move(rest));
    if (const std::optional<Video> candidate = nextCandidate())
        play(*candidate, std::nullopt, true);
}

void PlayerStore::playPrevious()
{
    if (m_currentTime > kRestartAfter) {
        seek(0);
        return;
    }
    if (!m_playedStack.isEmpty()) {
        const Video previous = m_playedStack.takeLast();
        play(previous, std::nullopt, false);
        return;
    }
    seek(0);
}
