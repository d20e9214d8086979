#pragma once
#include <QDate>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct FxChannel
{
    int index = 0;
    QString id;
    QString name;
    QString handle;     // empty: no handle
    QString category;   // category id
    qint64 subscribers = 0;
    bool verified = false;
    bool hasAvatar = true;
    bool hasBanner = true;
    QString description;
    QList<int> videos;  // regular videos, newest first
    QList<int> shorts;
};

struct FxVideo
{
    int index = -1;     // -1: made up for an id outside the catalogue
    QString id;
    QString title;
    QString subject;    // the phrase the title was built from
    int channel = 0;
    bool withChannelId = true;
    bool withHandle = true;
    bool withAvatar = false;
    qint64 duration = 0;
    qint64 views = 0;
    bool live = false;
    bool isShort = false;
    int daysAgo = 0;
    bool canPlay = true;
    bool hls = true;
    bool thumbHq = true;
    bool thumbMq = true;
    bool commentsOff = false;
    int clip = 0;       // media clip it plays
    int thumb = 0;      // thumbnail variant
};

struct FxPlaylist
{
    QString id;
    QString title;
    int channel = 0;    // -1: no owner channel (its name is "")
    QList<int> videos;
};

// Deterministic catalogue of the development backend: channels, videos,
// Shorts, playlists and everything derived per video (comments, captions,
// chapters, sponsor segments). Immutable after construction, so any thread
// may read it.
class Fixtures
{
public:
    Fixtures();

    static constexpr int feedPageSize = 20;
    static constexpr int searchPageSize = 20;
    static constexpr int shortsPageSize = 10;
    static constexpr int channelPageSize = 6;
    static constexpr int accountPageSize = 20;
    static constexpr int clipCount = 4;      // 0..2 landscape, 3 portrait
    static constexpr int portraitClip = 3;
    static constexpr int thumbsPerClip = 6;
    static constexpr int avatarImages = 12;
    static constexpr int bannerImages = 4;

    // The day uploads count back from; fixed, so the data never drifts.
    static QDate referenceDate() { return QDate(2026, 3, 14); }

    const QList<FxVideo> &videos() const { return m_videos; }
    const QList<FxChannel> &channels() const { return m_channels; }
    const QList<FxPlaylist> &playlists() const { return m_playlists; }
    QStringList categoryIds() const;
    QStringList searchFilterIds() const;

    // A catalogue video, or one made up from an id of the video site's form.
    std::optional<FxVideo> find(const QString &id) const;
    // Channel by id or by handle ("@name").
    const FxChannel *channel(const QString &idOrHandle) const;
    const FxPlaylist *playlist(const QString &id) const;

    // Whole ordered lists; callers cut pages with page().
    std::optional<QList<int>> feed(const QString &category) const;
    std::optional<QList<int>> search(const QString &query, const QString &filter) const;
    QStringList suggest(const QString &query) const;
    QList<int> shorts() const { return m_shorts; }
    QList<int> related(const FxVideo &v) const;
    std::optional<QList<int>> channelTab(const FxChannel &c, const QString &tab) const;

    static QList<int> page(const QList<int> &all, qint64 page, int size);

    // JSON forms of the replies; `origin` prefixes image URLs.
    QJsonObject videoJson(const FxVideo &v, const QString &origin) const;
    QJsonArray videosJson(const QList<int> &indexes, const QString &origin) const;
    QJsonObject detailJson(const FxVideo &v, bool fast) const;
    QJsonObject channelJson(const FxChannel &c, const QList<int> &videos, const QString &origin) const;
    QJsonObject playlistJson(const FxPlaylist &p, const QString &origin) const;
    std::optional<QJsonArray> commentsJson(const FxVideo &v, const QString &sort, const QString &origin) const;
    QJsonArray captionTracksJson(const FxVideo &v) const;
    std::optional<QJsonArray> cuesJson(const FxVideo &v, const QString &lang) const;
    QJsonArray chaptersJson(const FxVideo &v) const;
    QJsonArray sponsorJson(const FxVideo &v) const;
    QJsonArray categoriesJson() const;
    QJsonObject changelogJson() const;
    QJsonObject avatarsJson(const QStringList &keys, const QString &origin) const;

    QString channelAvatarUrl(const FxChannel &c, const QString &origin) const;
    static QString avatarUrl(const QString &key, const QString &origin);
    static QString uploadDate(const FxVideo &v);

    // Lower-case, accents removed: how search compares words.
    static QString fold(const QString &text);
    static bool isVideoSiteId(const QString &id);

private:
    void buildChannels();
    void buildVideos();
    void buildPlaylists();
    FxVideo makeVideo(int channel, int slot, bool isShort, std::uint64_t seed) const;

    QList<FxChannel> m_channels;
    QList<FxVideo> m_videos;
    QList<int> m_regular;
    QList<int> m_shorts;
    QList<FxPlaylist> m_playlists;
    QHash<QString, int> m_videoById;
    QHash<QString, int> m_channelByKey;
    QHash<QString, int> m_playlistById;
    QHash<QString, QList<int>> m_feeds;
    QList<QStringList> m_searchWords; // folded words per video
};
