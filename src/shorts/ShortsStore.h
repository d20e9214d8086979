#pragma once
#include "MediaEngine.h"
#include "PagedList.h"

#include <QPointer>
#include <QSet>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>
#include <functional>

// The Shorts tab's model: the paged list of Shorts, which one is current, and
// a media engine of its own that plays every Short in turn, in a loop. The
// list is cached on disk so the next launch shows it at once, and the next
// two streams are warmed. While the screen is not shown (`onScreen`) nothing
// plays: a Short made current then loads paused and plays on the next showing.
class ShortsStore : public PagedList
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(VideoListModel *items READ list CONSTANT)
    Q_PROPERTY(QString currentID READ currentID NOTIFY currentIDChanged)
    Q_PROPERTY(bool paused READ paused NOTIFY pausedChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY readyChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(MediaEngine *player READ player CONSTANT)
    // Plain: set once by the view. The app's own player, paused each time
    // the screen comes.
    Q_PROPERTY(MediaEngine *mainPlayer READ mainPlayer WRITE setMainPlayer)
    // While held the engine stays closed and a Short made current waits to
    // load. Opening the media library holds the dynamic loader's lock for
    // some 80 ms, and the GL driver takes that lock to build the shaders of
    // anything drawn for the first time: the screen holds its player until
    // its own first pictures are drawn.
    Q_PROPERTY(bool playerHeld READ playerHeld WRITE setPlayerHeld NOTIFY playerHeldChanged)

public:
    // Makes the engine of each new store; the store adopts it.
    using EngineFactory = std::function<MediaEngine *()>;
    // Null restores the default, defaultEngine().
    static void setEngineFactory(EngineFactory factory);
    // The app's engine that plays on the output chosen in the player's
    // output menu, and moves along when that choice changes.
    static MediaEngine *defaultEngine();

    static inline const QString cacheKey = QStringLiteral("shorts");
    static constexpr qsizetype cacheLimit = 30;
    static constexpr qsizetype warmAhead = 2;
    static constexpr qsizetype pageWhenWithin = 3;
    static constexpr int emptyRepliesToStop = 3;

    explicit ShortsStore(QObject *parent = nullptr);
    ~ShortsStore() override;

    const QList<Video> &items() const { return list()->videos(); }
    const QString &currentID() const { return m_currentID; }
    bool paused() const { return m_paused; }
    bool ready() const { return m_ready; }
    double progress() const { return m_progress; }
    MediaEngine *player() const { return m_player; }
    MediaEngine *mainPlayer() const { return m_mainPlayer; }
    void setMainPlayer(MediaEngine *v) { m_mainPlayer = v; }
    bool playerHeld() const { return m_playerHeld; }
    void setPlayerHeld(bool held);

    // The one-time wiring of the loop and the progress; later calls do nothing.
    Q_INVOKABLE void start();
    // Fills an empty store from the cache, else from the backend.
    QCoro::Task<> loadInitial();
    void retry() override { loadInitial(); }
    Q_INVOKABLE void setCurrent(const QString &id);
    Q_INVOKABLE void togglePause();

    // The public page of a Short; empty when the id makes no valid address.
    Q_INVOKABLE static QString shareLink(const QString &id);

signals:
    void currentIDChanged();
    void pausedChanged();
    void readyChanged();
    void progressChanged();
    void playerHeldChanged();

protected:
    // The screen came: the app's own player pauses, the Short plays unless
    // the user paused it, and the list fills when empty.
    void runTask() override;
    // The screen went: the Short pauses, and stays wanted for the next time.
    void cancelTask() override { m_player->pause(); }

private:
    void setCurrentID(const QString &v) { assign(m_currentID, v, &ShortsStore::currentIDChanged); }
    void setPaused(bool v) { assign(m_paused, v, &ShortsStore::pausedChanged); }
    void setReady(bool v) { assign(m_ready, v, &ShortsStore::readyChanged); }
    void setProgress(double v) { assign(m_progress, v, &ShortsStore::progressChanged); }
    void playIfWanted();
    void loadCurrent();
    void warmNext(const QString &id);
    QCoro::Task<QList<Video>> fetchPage(qint64 page) override;
    void pageFailed(const std::exception &e) override;

    QString m_currentID;
    bool m_paused = false;
    bool m_ready = false;
    double m_progress = 0;
    MediaEngine *m_player;
    QPointer<MediaEngine> m_mainPlayer;
    bool m_playerHeld = false;
    // The current Short waits for the hold to end.
    bool m_loadWaiting = false;
    bool m_readingCache = false;
    quint64 m_item = 0;
    QSet<QString> m_warmed;
    bool m_started = false;
};
