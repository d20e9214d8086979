#include "MprisPlayerAdaptor.h"
#include "NowPlaying.h"
#include "RemoteCommands.h"
#include <algorithm>

namespace {
RemoteCommands *commands()
{
    RemoteCommands &r = RemoteCommands::shared();
    return r.isRegistered() ? &r : nullptr;
}
} // namespace

QString MprisPlayerAdaptor::playbackStatus() const { return NowPlaying::shared().playbackStatus(); }

double MprisPlayerAdaptor::rate() const { return NowPlaying::shared().rate(); }

double MprisPlayerAdaptor::minimumRate() const { return std::min(0.25, rate()); }

double MprisPlayerAdaptor::maximumRate() const { return std::max(3.0, rate()); }

QVariantMap MprisPlayerAdaptor::metadata() const { return NowPlaying::shared().metadata(); }

qlonglong MprisPlayerAdaptor::position() const { return NowPlaying::shared().position(); }

bool MprisPlayerAdaptor::commandsAvailable() const { return RemoteCommands::shared().isRegistered(); }

QVariantMap MprisPlayerAdaptor::announcedProperties() const
{
    const bool can = commandsAvailable();
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Rate"), rate()},
        {QStringLiteral("MinimumRate"), minimumRate()},
        {QStringLiteral("MaximumRate"), maximumRate()},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("CanGoNext"), can},
        {QStringLiteral("CanGoPrevious"), can},
        {QStringLiteral("CanPlay"), can},
        {QStringLiteral("CanPause"), can},
        {QStringLiteral("CanSeek"), can},
    };
}

void MprisPlayerAdaptor::Play()
{
    if (auto *r = commands())
        emit r->playCommand();
}

void MprisPlayerAdaptor::Pause()
{
    if (auto *r = commands())
        emit r->pauseCommand();
}

void MprisPlayerAdaptor::PlayPause()
{
    if (auto *r = commands())
        emit r->togglePlayPauseCommand();
}

// The app has no stop command for the desktop.
void MprisPlayerAdaptor::Stop() {}

void MprisPlayerAdaptor::Next()
{
    if (auto *r = commands())
        emit r->nextTrackCommand();
}

void MprisPlayerAdaptor::Previous()
{
    if (auto *r = commands())
        emit r->previousTrackCommand();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    auto *r = commands();
    if (!r)
        return;
    // The desktop says how far: a key's own step, "5 s on", a widget's drag.
    if (Offset > 0)
        emit r->skipForwardCommand(Offset / 1e6);
    else if (Offset < 0)
        emit r->skipBackwardCommand(-(Offset / 1e6));
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    auto *r = commands();
    const NowPlaying &now = NowPlaying::shared();
    // A position meant for another (older) track must not move this one.
    if (!r || !now.info() || TrackId.path() != now.trackId())
        return;
    const double duration = now.info()->duration;
    if (Position < 0 || (duration > 0 && Position > qlonglong(duration * 1e6)))
        return;
    emit r->changePlaybackPositionCommand(Position / 1e6);
}

// No URI schemes are supported.
void MprisPlayerAdaptor::OpenUri(const QString &) {}
