#include "PlayerStore.h"

#include "AudioSession.h"
#include "Defaults.h"
#include "NetworkPath.h"
#include "NowPlaying.h"
#include "Pref.h"
#include "RemoteCommands.h"
#include "Screen.h"

#include <algorithm>

namespace {

constexpr qint64 kLeastSkipStep = 5; // seconds

} // namespace

// ---- audio session and the system's notifications

void PlayerStore::setupAudioSession()
{
    // Neither step can stop playback: a failure is left as it is.
    AudioSession &session = AudioSession::shared();
    session.setCategory(AudioSession::Category::Playback, AudioSession::Mode::MoviePlayback);
    session.setActive(true);
}

void PlayerStore::observeSystem()
{
    AudioSession &session = AudioSession::shared();
    connect(&session, &AudioSession::interruption, this, [this](AudioSession::InterruptionType type, uint options) {
        if (type == AudioSession::InterruptionType::Ended && (options & AudioSession::ShouldResume))
            m_player->play();
    });
    connect(&session, &AudioSession::routeChanged, this, [this](AudioSession::RouteChangeReason reason) {
        if (!Defaults::shared().boolValue(Pref::pauseOnUnplug))
            return;
        if (reason == AudioSession::RouteChangeReason::OldDeviceUnavailable)
            m_player->pause();
    });
}

void PlayerStore::updateIdleTimer(bool playing) { Screen::shared().setIdleTimerDisabled(playing); }

void PlayerStore::startPathMonitor()
{
    NetworkPath &path = NetworkPath::shared();
    connect(&path, &NetworkPath::expensiveChanged, this, [this] { setOnCellular(NetworkPath::shared().isExpensive()); });
    path.start();
    setOnCellular(path.isExpensive());
}

// ---- remote commands and Now Playing

void PlayerStore::setupRemote()
{
    RemoteCommands &remote = RemoteCommands::shared();
    // Read once: a later change reaches the desktop at the next launch.
    remote.registerCommands(double(std::max(Defaults::shared().intValue(Pref::seekStep), kLeastSkipStep)));

    connect(&remote, &RemoteCommands::playCommand, this, [this] { m_player->play(); });
    connect(&remote, &RemoteCommands::pauseCommand, this, [this] { m_player->pause(); });
    connect(&remote, &RemoteCommands::togglePlayPauseCommand, this, &PlayerStore::togglePlay);
    // The desktop shows the new position at once, also while paused (where
    // nothing else would tell it before the next save).
    const auto seekForDesktop = [this](double t) {
        seek(t);
        updateNowPlaying();
    };
    connect(&remote, &RemoteCommands::skipForwardCommand, this, [this, seekForDesktop](double interval) {
        const double t = m_player->currentTime() + interval;
        // Past the end the desktop expects the next item.
        if (m_current && m_duration > 0 && t > m_duration)
            playNext();
        else
            seekForDesktop(t);
    });
    connect(&remote, &RemoteCommands::skipBackwardCommand, this,
            [this, seekForDesktop](double interval) { seekForDesktop(m_player->currentTime() - interval); });
    connect(&remote, &RemoteCommands::nextTrackCommand, this, &PlayerStore::playNext);
    connect(&remote, &RemoteCommands::previousTrackCommand, this, &PlayerStore::playPrevious);
    connect(&remote, &RemoteCommands::changePlaybackPositionCommand, this, seekForDesktop);
}

void PlayerStore::updateNowPlaying()
{
    if (!m_current)
        return;
    NowPlayingInfo info;
    info.videoId = m_current->id;
    info.title = m_current->title;
    info.artist = m_current->channel;
    info.duration = m_duration;
    // The engine's own time, not the screens' (published only every so
    // often): the desktop seeks from what it was told.
    info.elapsed = m_player->hasItem() ? m_player->currentTime() : m_currentTime;
    info.speed = double(m_speed);
    info.status = m_player->timeControlStatus();
    info.artwork = m_artwork;
    NowPlaying::shared().setInfo(info);
}

void PlayerStore::clearNowPlaying() { NowPlaying::shared().clear(); }

// ---- Picture in Picture

void PlayerStore::setupPiP()
{
    if (!PictureInPicture::isSupported())
        return;
    m_pipDelegate.store = this;
    // On the engine the one surface shows: the floating window claims its
    // pictures and hands them back to that surface.
    auto *pip = new PictureInPicture(m_player, this);
    pip->setCanStartAutomaticallyFromInline(true);
    pip->setDelegate(&m_pipDelegate);
    m_pipDelegate.controller = pip;
    m_pip = pip;

    connect(pip, &PictureInPicture::possibleChanged, this, [this] {
        if (m_pip)
            setPipPossible(m_pip->isPossible());
    });
    setPipPossible(pip->isPossible());

    // Shown inline: the full player is up and the video runs.
    const auto inlineNow = [this] {
        if (m_pip)
            m_pip->setShownInline(m_expanded && m_isPlaying);
    };
    connect(this, &PlayerStore::expandedChanged, this, inlineNow);
    connect(this, &PlayerStore::isPlayingChanged, this, inlineNow);
    inlineNow();
}

PlayerStore::PiPDelegate::~PiPDelegate()
{
    if (controller)
        controller->setDelegate(nullptr);
}

void PlayerStore::PiPDelegate::pictureInPictureWillStart(PictureInPicture *)
{
    if (!store)
        return;
    store->setPipActive(true);
    store->setPresented(false);
}

void PlayerStore::PiPDelegate::pictureInPictureDidStop(PictureInPicture *)
{
    if (store)
        store->setPipActive(false);
}

void PlayerStore::PiPDelegate::restoreUserInterface(PictureInPicture *, std::function<void(bool)> completion)
{
    if (store)
        store->setPresented(true);
    completion(true);
}
