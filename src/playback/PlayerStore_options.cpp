#include "PlayerStore.h"

#include "API.h"
#include "Defaults.h"
#include "Haptics.h"
#include "Pref.h"

#include <array>
#include <cmath>

namespace {

const QString kCaptionsFailed = QStringLiteral("No se pudieron cargar los subtítulos");
const QString kNoCaptions = QStringLiteral("Este vídeo no tiene subtítulos");
const QString kAudioOnly = QStringLiteral("Solo audio: ahorra datos");
const QString kLoopStart = QStringLiteral("Inicio del bucle marcado");

// Languages chosen by themselves, best first.
const std::array<QString, 4> kPreferredCaptions{QStringLiteral("es"), QStringLiteral("es-orig"),
                                                QStringLiteral("en"), QStringLiteral("en-orig")};

} // namespace

// ---- captions

void PlayerStore::autoSelectCaption()
{
    if (m_activeCaption || m_captionTracks.isEmpty())
        return;
    for (const QString &lang : kPreferredCaptions)
        for (const CaptionTrack &track : std::as_const(m_captionTracks))
            if (track.lang == lang) {
                selectCaption(std::optional<QString>(track.lang));
                return;
            }
    selectCaption(std::optional<QString>(m_captionTracks.first().lang));
}

void PlayerStore::selectCaption(const QVariant &lang)
{
    if (!lang.isValid() || lang.isNull())
        selectCaption(std::optional<QString>());
    else
        selectCaption(std::optional<QString>(lang.toString()));
}

void PlayerStore::selectCaption(std::optional<QString> lang)
{
    if (!lang) {
        setActiveCaption(std::nullopt);
        setCaptionText(std::nullopt);
        m_cues.clear();
        return;
    }
    if (!m_current)
        return;
    const QString id = m_current->id;
    setActiveCaption(lang);
    m_cues.clear();
    loadCaption(id, *lang);
}

// The reply counts only for the video and the track it was asked for. A
// failure that comes after the user moved to another video is as stale as a
// success would be: it must not switch off the new video's captions.
QCoro::Task<> PlayerStore::loadCaption(QString id, QString lang)
{
    QPointer<PlayerStore> self(this);
    bool failed = false;
    QList<Cue> cues;
    try {
        cues = co_await API::shared().captions(id, lang);
    } catch (...) {
        failed = true;
    }
    if (!self || !isCurrent(id) || m_activeCaption != lang)
        co_return;
    if (failed) {
        showToast(kCaptionsFailed);
        setActiveCaption(std::nullopt);
        co_return;
    }
    m_cues = std::move(cues);
}

void PlayerStore::toggleCaptions()
{
    if (m_activeCaption) {
        setActiveCaption(std::nullopt);
        setCaptionText(std::nullopt);
        m_cues.clear();
        return;
    }
    if (m_captionTracks.isEmpty()) {
        showToast(kNoCaptions);
        return;
    }
    autoSelectCaption();
}

// Bisection over cues sorted by start; a cue counts from s to e, both ends
// included.
void PlayerStore::updateCaption(double t)
{
    if (!m_activeCaption || m_cues.isEmpty()) {
        if (m_captionText)
            setCaptionText(std::nullopt);
        return;
    }
    qsizetype low = 0;
    qsizetype high = m_cues.size() - 1;
    const Cue *found = nullptr;
    while (low <= high) {
        const qsizetype middle = (low + high) / 2;
        const Cue &cue = m_cues.at(middle);
        if (cue.s > t) {
            high = middle - 1;
        } else if (cue.e >= t) {
            found = &cue;
            break;
        } else {
            low = middle + 1;
        }
    }
    setCaptionText(found ? std::optional<QString>(found->t) : std::nullopt);
}

// ---- quality and audio only

void PlayerStore::setQuality(qint64 q)
{
    if (!m_current)
        return;
    // The same quality on the progressive stream still goes back to HLS.
    if (m_activeQuality == q && !m_usingLegacy)
        return;
    setActiveQuality(q);
    m_usingLegacy = false;
    const auto [t, playing] = playHead();
    load(API::shared().hlsURL(m_current->id, q), t, playing);
}

void PlayerStore::setAudioOnly(bool on)
{
    if (m_audioOnly == on)
        return;
    setAudioOnlyField(on);
    if (on) {
        m_qualityBeforeAudio = m_activeQuality;
        setQuality(audioOnlyQuality);
        showToast(kAudioOnly);
    } else {
        setQuality(m_qualityBeforeAudio);
    }
}

// ---- rate, mute, boost

void PlayerStore::setSpeed(float rate)
{
    setSpeedField(rate);
    Defaults::shared().setValue(Pref::speed, QVariant::fromValue(rate));
    m_player->setDefaultRate(rate);
    if (m_player->timeControlStatus() != MediaEngine::TimeControlStatus::Paused)
        m_player->setRate(rate);
    // The desktop extrapolates the position at the rate it was told.
    updateNowPlaying();
}

void PlayerStore::toggleMute()
{
    setMutedField(!m_muted);
    m_player->setMuted(m_muted);
}

void PlayerStore::boost(bool on)
{
    if (m_boosted == on)
        return;
    setBoosted(on);
    const bool running = m_player->timeControlStatus() != MediaEngine::TimeControlStatus::Paused;
    if (on) {
        m_preBoostSpeed = m_speed;
        const double wanted = Defaults::shared().doubleValue(Pref::boostSpeed);
        // Not a number, or too slow to feel like a boost: the least boost.
        const double rate = wanted >= minimumBoost && std::isfinite(wanted) ? wanted : minimumBoost;
        m_player->setDefaultRate(rate);
        if (running)
            m_player->setRate(rate);
        Haptics::shared().light(); // only while haptics are on
    } else {
        m_player->setDefaultRate(m_preBoostSpeed);
        if (running)
            m_player->setRate(m_preBoostSpeed);
    }
}

// ---- loop points

void PlayerStore::markLoopA()
{
    setLoopA(m_player->currentTime());
    setLoopB(std::nullopt);
    showToast(kLoopStart);
}

void PlayerStore::clearLoop()
{
    setLoopA(std::nullopt);
    setLoopB(std::nullopt);
}
