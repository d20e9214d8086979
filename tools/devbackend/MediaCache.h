#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// The media files, made once with ffmpeg into a cache folder and reused:
// a few visibly different clips (HLS 360p and 720p plus a progressive MP4),
// a portrait clip for Shorts, thumbnails, avatars and banners. Each unit is
// generated in a temporary folder and renamed into place, so several
// processes may start on the same folder at once. Thread-safe.
class MediaCache
{
public:
    struct Variant
    {
        int quality = 0;    // 360 or 720: the short side of the picture
        int width = 0;
        int height = 0;
        qint64 bandwidth = 0;
        qint64 averageBandwidth = 0;
    };

    static constexpr int clipSeconds = 16;
    static constexpr int qualities[2] = {720, 360};

    explicit MediaCache(QString dir, QString ffmpeg = QStringLiteral("ffmpeg"));

    QString dir() const { return m_dir; }

    // Make the unit when missing; false when ffmpeg failed (see lastError()).
    bool ensureImages();
    bool ensureClip(int clip);
    bool ensureAll();
    bool hasClip(int clip) const;
    bool hasImages() const;

    QString clipDir(int clip) const;
    QString imagesDir() const;
    QString variantDir(int clip, int quality) const;
    QString streamFile(int clip) const;
    QString thumbFile(int variant, bool large) const;
    QString avatarFile(int n) const;
    QString bannerFile(int n) const;

    QList<Variant> variants(int clip);

    // File contents, read once and kept; null when the file is missing.
    std::shared_ptr<const QByteArray> read(const QString &path);

    QString lastError() const;
    // Ends running and future generation (the server is stopping).
    void cancel() { m_cancelled = true; }

    // Runs a program and waits (at most `timeoutSec`); output goes to `logFile`.
    static bool run(const QStringList &argv, const QString &logFile, int timeoutSec, QString *error,
                    const std::atomic<bool> *cancel = nullptr);

private:
    struct Unit
    {
        std::mutex mutex;
        qint64 failedAt = 0; // ms since epoch of the last failure
    };
    bool ensure(Unit &unit, const QString &finalDir, const std::function<bool(const QString &tmp, QString *error)> &make);
    bool makeClip(int clip, const QString &out, QString *error) const;
    bool makeImages(const QString &out, QString *error) const;
    QString root() const;

    QString m_dir;
    QString m_ffmpeg;
    std::array<Unit, 5> m_units; // clips 0..3, images
    mutable std::mutex m_mutex;
    QString m_lastError;
    std::atomic<bool> m_cancelled{false};
    QHash<QString, std::shared_ptr<const QByteArray>> m_files;
    QHash<int, QList<Variant>> m_variants;
};
