#pragma once
#include "Store.h"
#include "Video.h"
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>
#include <chrono>
#include <optional>

// The channel-avatar cache. Cards ask for a channel's avatar URL; unknown
// channels are collected and resolved by the backend in batches of at most 30,
// the first batch of a burst leaving 350 ms after the first unknown channel.
// Resolved URLs are kept for good in "avatars.json" in the cache folder, read
// back at the next start.
//
// QML binds through `revision`, which moves whenever `urls` changes:
//   url: { avatars.revision; return avatars.urlValue(video) }
class AvatarStore : public Store
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app creates the one avatar store")
    Q_PROPERTY(QVariantMap urls READ urlsValue NOTIFY urlsChanged)
    Q_PROPERTY(int revision READ revision NOTIFY urlsChanged)

public:
    static constexpr qsizetype batchSize = 30;
    static constexpr std::chrono::milliseconds debounce{350};
    // How long a channel the backend did not resolve stays asked.
    static constexpr std::chrono::milliseconds giveUpAfter{4000};
    static constexpr const char *fileName = "avatars.json";

    // Reads the cache file before it returns; a missing or damaged file
    // only means an empty start.
    explicit AvatarStore(QObject *parent = nullptr);

    const QMap<QString, QString> &urls() const { return m_urls; }
    int revision() const { return m_revision; }

    // The channel id, else the handle; none when the video has neither.
    static std::optional<QString> channelKey(const Video &video);
    // The video's own avatar, else the cached one of its channel.
    std::optional<QString> url(const Video &video) const;
    // The same for QML: empty when there is none.
    Q_INVOKABLE QString urlValue(const Video &video) const;
    // Queues the video's channel for the next batch when its avatar is unknown.
    Q_INVOKABLE void want(const Video &video);

    static QString filePath();
    // Blocks until every queued cache write has landed (quit, tests).
    static void waitForWrites();

signals:
    void urlsChanged();

private:
    void load();
    void setUrls(QMap<QString, QString> urls);
    void merge(const QMap<QString, QString> &reply);
    void arm(std::chrono::milliseconds delay);
    // Holds the store weakly: a store gone meanwhile flushes nothing.
    static QCoro::Task<> runArmed(QPointer<AvatarStore> self, std::chrono::milliseconds delay);
    QCoro::Task<> flush();
    void save();
    QVariantMap urlsValue() const;

    QMap<QString, QString> m_urls;
    QSet<QString> m_pending; // waiting for the next batch
    QSet<QString> m_asked;   // in a batch, neither known nor given up yet
    bool m_flushArmed = false;
    bool m_dirty = false;
    int m_revision = 0;
};
