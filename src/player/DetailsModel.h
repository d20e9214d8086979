#pragma once
#include "LibraryStore.h"
#include "PlayerOverlayModel.h"
#include "PlayerStore.h"
#include "Router.h"
#include "VideoFilterModel.h"
#include "VideoListModel.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>


// What the details under the video show of the current video, and the
// actions of its channel row, pills, chapters and cards. The detail wins
// over the video's own fields once it has come.
class DetailsModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY storesChanged)
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY storesChanged)
    Q_PROPERTY(Router *router READ router WRITE setRouter NOTIFY storesChanged)
    // Collapses the player when a channel opens.
    Q_PROPERTY(PlayerOverlayModel *overlay READ overlay WRITE setOverlay NOTIFY storesChanged)
    // Kept while the sheet lives, also across a change of video.
    Q_PROPERTY(bool descriptionOpen READ descriptionOpen WRITE setDescriptionOpen NOTIFY descriptionOpenChanged)
    Q_PROPERTY(bool showComments READ showComments WRITE setShowComments NOTIFY showCommentsChanged)

    Q_PROPERTY(bool hasVideo READ hasVideo NOTIFY changed)
    // The current video; an empty one while none is.
    Q_PROPERTY(Video video READ video NOTIFY changed)
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString metaLine READ metaLine NOTIFY changed)
    Q_PROPERTY(QString channelName READ channelName NOTIFY changed)
    Q_PROPERTY(bool verified READ verified NOTIFY changed)
    Q_PROPERTY(QVariant channelId READ channelIdValue NOTIFY changed)
    Q_PROPERTY(QString avatar READ avatar NOTIFY changed)
    Q_PROPERTY(QString subscriberLine READ subscriberLine NOTIFY changed)
    Q_PROPERTY(bool subscribed READ subscribed NOTIFY changed)
    Q_PROPERTY(bool liked READ liked NOTIFY changed)
    Q_PROPERTY(bool saved READ saved NOTIFY changed)
    Q_PROPERTY(QString likeTitle READ likeTitle NOTIFY changed)
    // A link's placeholder before its detail: nothing may be stored of it yet.
    Q_PROPERTY(bool placeholder READ placeholder NOTIFY changed)
    Q_PROPERTY(bool showDescription READ showDescription NOTIFY changed)
    Q_PROPERTY(QString description READ description NOTIFY changed)
    // The chapter rows shown now: three, or up to 100 while open.
    Q_PROPERTY(QVariantList chapters READ chaptersValue NOTIFY changed)
    Q_PROPERTY(QString commentCount READ commentCount NOTIFY changed)
    Q_PROPERTY(bool hasRelated READ hasRelated NOTIFY changed)
    Q_PROPERTY(bool relatedPending READ relatedPending NOTIFY changed)
    // Both detail requests failed: the error and its retry take the spinner's place.
    Q_PROPERTY(bool detailFailed READ detailFailed NOTIFY changed)
    Q_PROPERTY(QString detailError READ detailError NOTIFY changed)
    // The related videos minus hidden channels.
    Q_PROPERTY(VideoFilterModel *related READ related CONSTANT)

public:
    static constexpr int closedChapters = 3;
    static constexpr int openChapters = 100;

    explicit DetailsModel(QObject *parent = nullptr);

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    Router *router() const { return m_router; }
    void setRouter(Router *router);
    PlayerOverlayModel *overlay() const { return m_overlay; }
    void setOverlay(PlayerOverlayModel *overlay);
    bool descriptionOpen() const { return m_descriptionOpen; }
    void setDescriptionOpen(bool v);
    bool showComments() const { return m_showComments; }
    void setShowComments(bool v);

    // The views (or the video's own) and the detail's age, joined by " · ".
    static QString metaLineFor(const Video &video, const std::optional<VideoDetail> &detail);
    // The like pill: the count (one more when liked), or words without one.
    static QString likeTitleFor(const std::optional<VideoDetail> &detail, bool liked);
    // " vista" and " suscriptor" are for exactly one.
    static QString countWith(qint64 count, const QString &one, const QString &many);

    bool hasVideo() const;
    Video video() const;
    QString title() const;
    QString metaLine() const;
    QString channelName() const;
    bool verified() const;
    std::optional<QString> channelId() const;
    QString avatar() const;
    QString subscriberLine() const;
    bool subscribed() const;
    bool liked() const;
    bool saved() const;
    QString likeTitle() const;
    bool placeholder() const;
    bool showDescription() const;
    QString description() const;
    QList<Chapter> chapters() const;
    QString commentCount() const;
    bool hasRelated() const;
    bool relatedPending() const;
    bool detailFailed() const;
    QString detailError() const;
    VideoFilterModel *related() const { return m_related; }

    Q_INVOKABLE void openChannel();
    Q_INVOKABLE void toggleSubscription();
    Q_INVOKABLE void toggleLike();
    Q_INVOKABLE void toggleWatchLater();
    // "Lista": the root shows the add-to-playlist sheet for the router's video.
    Q_INVOKABLE void saveToPlaylist();
    Q_INVOKABLE void enqueue();
    Q_INVOKABLE void hideChannel();
    Q_INVOKABLE void seekChapter(qint64 start);
    Q_INVOKABLE void toggleDescription();
    Q_INVOKABLE void openComments();
    Q_INVOKABLE void reload();

signals:
    void storesChanged();
    void descriptionOpenChanged();
    void showCommentsChanged();
    void changed();

private:
    const std::optional<VideoDetail> &detail() const;
    QVariant channelIdValue() const;
    QVariantList chaptersValue() const;
    void syncRelated();
    // The current video while nothing forbids storing it.
    std::optional<Video> storable() const;

    QPointer<PlayerStore> m_player;
    QPointer<LibraryStore> m_library;
    QPointer<Router> m_router;
    QPointer<PlayerOverlayModel> m_overlay;
    bool m_descriptionOpen = false;
    bool m_showComments = false;
    VideoListModel *m_relatedSource = nullptr;
    VideoFilterModel *m_related = nullptr;
};
