#include "NowPlaying.h"
#include "Clock.h"
#include "MprisService.h"
#include <QBuffer>
#include <QCryptographicHash>
#include <QDBusObjectPath>
#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

NowPlaying::NowPlaying()
{
    m_writer.setMaxThreadCount(1);
}

NowPlaying &NowPlaying::shared()
{
    static NowPlaying *n = new NowPlaying;
    return *n;
}

QString NowPlaying::trackIdFor(const QString &videoId)
{
    QString element;
    for (const char c : videoId.toUtf8()) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9'))
            element += QChar(b);
        else
            element += QStringLiteral("_%1").arg(b, 2, 16, QChar('0'));
    }
    // An escape never gives a lone "_", so the empty id keeps a path of its own.
    if (element.isEmpty())
        element = QStringLiteral("_");
    return QStringLiteral("/org/nimbelora/track/") + element;
}

QString NowPlaying::artworkFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/nowplaying");
}

void NowPlaying::setInfo(const NowPlayingInfo &given)
{
    NowPlayingInfo info = given;
    if (!std::isfinite(info.elapsed))
        info.elapsed = 0;
    if (!std::isfinite(info.duration) || info.duration < 0)
        info.duration = 0;
    if (!std::isfinite(info.speed) || info.speed <= 0)
        info.speed = 1;

    const bool sameVideo = m_info && m_info->videoId == info.videoId;
    const double expected = elapsedNow();

    if (info.artwork.isNull())
        forgetArtwork();
    else if (info.artwork.cacheKey() != m_artworkKey) {
        forgetArtwork();
        m_artworkKey = info.artwork.cacheKey();
        writeArtwork(info.artwork);
    }
    m_info = std::move(info);
    m_stamp = Clock::now();

    MprisService::shared().start();
    emit changed();
    if (sameVideo && std::abs(m_info->elapsed - expected) > 1.0)
        emit seeked(position());
}

void NowPlaying::clear()
{
    if (!m_info)
        return;
    m_info.reset();
    forgetArtwork();
    emit changed();
}

double NowPlaying::elapsedNow() const
{
    if (!m_info)
        return 0;
    double t = m_info->elapsed;
    if (m_info->status == MediaEngine::TimeControlStatus::Playing)
        t += m_stamp.msecsTo(Clock::now()) / 1000.0 * m_info->speed;
    if (m_info->duration > 0)
        t = std::min(t, m_info->duration);
    return std::max(t, 0.0);
}

QString NowPlaying::playbackStatus() const
{
    if (!m_info)
        return QStringLiteral("Stopped");
    return m_info->status == MediaEngine::TimeControlStatus::Playing ? QStringLiteral("Playing")
                                                                      : QStringLiteral("Paused");
}

double NowPlaying::rate() const { return m_info ? m_info->speed : 1.0; }

qint64 NowPlaying::position() const { return std::llround(elapsedNow() * 1e6); }

QString NowPlaying::trackId() const { return m_info ? trackIdFor(m_info->videoId) : noTrack; }

QVariantMap NowPlaying::metadata() const
{
    if (!m_info)
        return {};
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackId())));
    m.insert(QStringLiteral("xesam:title"), m_info->title);
    if (!m_info->artist.isEmpty())
        m.insert(QStringLiteral("xesam:artist"), QStringList{m_info->artist});
    if (m_info->duration > 0)
        m.insert(QStringLiteral("mpris:length"), qlonglong(std::llround(m_info->duration * 1e6)));
    if (!m_artworkUrl.isEmpty())
        m.insert(QStringLiteral("mpris:artUrl"), m_artworkUrl.toString());
    return m;
}

void NowPlaying::forgetArtwork()
{
    // A write still under way for the old picture is dropped when it lands.
    if (m_artworkKey == 0 && m_artworkUrl.isEmpty())
        return;
    m_artworkKey = 0;
    ++m_artworkGeneration;
    m_artworkUrl.clear();
}

void NowPlaying::writeArtwork(const QImage &image)
{
    const quint64 generation = m_artworkGeneration;
    const QString folder = artworkFolder();
    m_writer.start([this, image, generation, folder] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QString suffix = QStringLiteral(".jpg");
        if (image.hasAlphaChannel() || !image.save(&buffer, "JPEG", 90)) {
            bytes.clear();
            buffer.seek(0);
            suffix = QStringLiteral(".png");
            image.save(&buffer, "PNG");
        }
        // Named by content, so a desktop that caches by URL never shows an
        // older picture under a new video.
        const QString name =
            QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(24)) + suffix;
        const QString path = folder + QLatin1Char('/') + name;
        bool ok = false;
        if (!bytes.isEmpty() && QDir().mkpath(folder)) {
            QSaveFile file(path);
            ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
        }
        // Only the newest picture is kept.
        QDir dir(folder);
        for (const QString &other : dir.entryList(QDir::Files))
            if (other != name || !ok)
                dir.remove(other);
        QMetaObject::invokeMethod(
            this, [this, generation, path, ok] { artworkWritten(generation, ok ? path : QString()); },
            Qt::QueuedConnection);
    });
}

void NowPlaying::artworkWritten(quint64 generation, const QString &path)
{
    if (generation != m_artworkGeneration || path.isEmpty() || !m_info)
        return;
    m_artworkUrl = QUrl::fromLocalFile(path);
    emit changed();
}
