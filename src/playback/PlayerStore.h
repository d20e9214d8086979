#pragma once
#include "LibraryStore.h"
#include "MediaEngine.h"
#include "Models.h"
#include "PictureInPicture.h"
#include "Store.h"
#include "VideoSurface.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>

#include <optional>

class QTimer;

// The one playback store: it owns the app's media engine and video surface,
// turns a video into a playing item (HLS first, the progressive stream once
// as a fallback), runs the clock, the queue and the end of a video, and
// publishes every bit of playback state the screens draw.
//
// Every observed field is a property whose setter notifies only when the
// value changes; optionals reach QML as a value or undefined.
//
// One .cpp per concern: state and attach (PlayerStore.cpp), play and load
// (PlayerStore_load.cpp), clock and transport (PlayerStore_clock.cpp), queue,
// end of video, countdown, toast and sleep timer (PlayerStore_queue.cpp),
// captions and viewer options (PlayerStore_options.cpp), the desktop's media
// controls, screen, network, audio and Picture in Picture
// (PlayerStore_system.cpp), statistics (PlayerStore_stats.cpp).
class PlayerStore : public Store
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app creates the one player store")
    Q_PROPERTY(QVariant current READ currentValue NOTIFY currentChanged)
    Q_PROPERTY(QVariant detail READ detailValue NOTIFY detailChanged)
    Q_PROPERTY(bool expanded READ expanded NOTIFY expandedChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(bool isBuffering READ isBuffering NOTIFY isBufferingChanged)
    Q_PROPERTY(double currentTime READ currentTime WRITE setCurrentTime NOTIFY currentTimeChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(float speed READ speed NOTIFY speedChanged)
    Q_PROPERTY(qint64 activeQuality READ activeQuality NOTIFY activeQualityChanged)
    Q_PROPERTY(QVariant errorMessage READ errorMessageValue NOTIFY errorMessageChanged)
    Q_PROPERTY(QVariant toast READ toastValue NOTIFY toastChanged)
    Q_PROPERTY(bool pipActive READ pipActive NOTIFY pipActiveChanged)
    Q_PROPERTY(bool pipPossible READ pipPossible NOTIFY pipPossibleChanged)
    Q_PROPERTY(bool isScrubbing READ isScrubbing WRITE setIsScrubbing NOTIFY isScrubbingChanged)
    Q_PROPERTY(QVariantList comments READ commentsValue NOTIFY commentsChanged)
    Q_PROPERTY(LoadState commentsState READ commentsState NOTIFY commentsStateChanged)
    // The current video's detail: on its way, come, or failed for good (both
    // requests failed); the details area shows its error then, not a spinner.
    Q_PROPERTY(LoadState detailState READ detailState NOTIFY detailStateChanged)
    Q_PROPERTY(QVariant channelAvatar READ channelAvatarValue NOTIFY channelAvatarChanged)
    Q_PROPERTY(bool fillScreen READ fillScreen WRITE setFillScreen NOTIFY fillScreenChanged)
    Q_PROPERTY(bool loop READ loop WRITE setLoop NOTIFY loopChanged)
    Q_PROPERTY(bool boosted READ boosted NOTIFY boostedChanged)
    Q_PROPERTY(bool muted READ muted NOTIFY mutedChanged)
    Q_PROPERTY(bool audioOnly READ audioOnly NOTIFY audioOnlyChanged)
    Q_PROPERTY(QVariant sleepEndsAt READ sleepEndsAtValue WRITE setSleepEndsAtValue NOTIFY sleepEndsAtChanged)
    Q_PROPERTY(bool sleepAtEnd READ sleepAtEnd WRITE setSleepAtEnd NOTIFY sleepAtEndChanged)
    Q_PROPERTY(QVariant activeCaption READ activeCaptionValue WRITE setActiveCaptionValue NOTIFY activeCaptionChanged)
    Q_PROPERTY(QVariant captionText READ captionTextValue WRITE setCaptionTextValue NOTIFY captionTextChanged)
    Q_PROPERTY(bool onCellular READ onCellular NOTIFY onCellularChanged)
    Q_PROPERTY(QVariantList segments READ segmentsValue NOTIFY segmentsChanged)
    Q_PROPERTY(QVariant loopA READ loopAValue NOTIFY loopAChanged)
    Q_PROPERTY(QVariant loopB READ loopBValue WRITE setLoopBValue NOTIFY loopBChanged)
    Q_PROPERTY(QVariant upNext READ upNextValue NOTIFY upNextChanged)
    Q_PROPERTY(qint64 countdown READ countdown NOTIFY countdownChanged)
    // Plain members screens use directly.
    Q_PROPERTY(MediaEngine *player READ player CONSTANT)
    Q_PROPERTY(VideoSurface *surface READ surface CONSTANT)
    Q_PROPERTY(QVariantList playedStack READ playedStackValue) // plain: read, never observed
    Q_PROPERTY(PictureInPicture *pip READ pip) // plain: made once by attach when supported

public:
    static constexpr int playedStackCap = 30;
    static constexpr double resumeMinimum = 10.0;  // a saved position must be above this
    static constexpr double resumeTailGap = 20.0;  // and below the duration minus this
    static constexpr double startSeekMinimum = 1.0; // smaller start times start at 0
    static constexpr qint64 audioOnlyQuality = 144;
    static constexpr qint64 legacyQuality = 360;
    static constexpr double publishStep = 0.45;
    static constexpr double saveStep = 5.0;
    static constexpr qint64 countdownSeconds = 5;
    static inline const QString placeholderTitle = QStringLiteral("Cargando…");
    static inline const QString sleepToast = QStringLiteral("Temporizador: pausado"); // the sleep timer paused

    // How long the timed waits last; tests shorten them.
    struct Waits
    {
        int toastMs = 2200;
        int countdownStepMs = 1000;
    };

    // The store uses `engine` for its whole life and adopts it when it has
    // no parent (the app passes its main engine, tests a SimulatedEngine).
    explicit PlayerStore(MediaEngine *engine, QObject *parent = nullptr);
    ~PlayerStore() override;

    // Links the store to the library (every call) and, the first time only,
    // wires the surface, the speed setting, the engine's observers and the
    // system media integration.
    void attach(LibraryStore *library);

    // ---- play and load (PlayerStore_load.cpp)
    void play(const Video &video, std::optional<double> startAt, bool remember);
    Q_INVOKABLE void play(const Video &video) { play(video, std::nullopt, true); }
    Q_INVOKABLE void loadComments(const QString &id, const QString &sort);
    Q_INVOKABLE void retry();
    // The details area's retry: loads the metadata again, the stream stays.
    Q_INVOKABLE void reloadDetails();
    Q_INVOKABLE void stop();
    // Keeps the play head as the current video's saved position now (the
    // clock keeps it only every 5 s): for quitting and closing the player.
    void savePosition();

    // ---- clock and transport (PlayerStore_clock.cpp)
    Q_INVOKABLE void togglePlay();
    Q_INVOKABLE void seek(double t);
    Q_INVOKABLE void playNext();
    Q_INVOKABLE void playPrevious();

    // ---- queue, end of video, countdown, toast, sleep (PlayerStore_queue.cpp)
    Q_INVOKABLE void cancelCountdown();
    void didFinish();
    std::optional<Video> nextCandidate() const;
    Q_INVOKABLE void enqueue(const Video &video);
    Q_INVOKABLE void playAfterCurrent(const Video &video);
    // Queue edits of the queue sheet, by id since playback may take the head
    // meanwhile; each is one change of `queue`.
    Q_INVOKABLE void removeFromQueue(const QString &id);
    // `to` counts rows before the move takes the video out: moving the first
    // of n rows to the end passes n.
    Q_INVOKABLE void moveInQueue(const QString &id, int to);
    Q_INVOKABLE void showToast(const QString &text);
    // minutes: a whole number, or undefined / null for none.
    Q_INVOKABLE void setSleep(const QVariant &minutes, bool atEnd);

    // ---- captions and options (PlayerStore_options.cpp)
    // lang: a track's language, or undefined / null for none.
    Q_INVOKABLE void selectCaption(const QVariant &lang);
    void selectCaption(std::optional<QString> lang);
    Q_INVOKABLE void toggleCaptions();
    Q_INVOKABLE void setQuality(qint64 q);
    Q_INVOKABLE void setAudioOnly(bool on);
    Q_INVOKABLE void setSpeed(float rate);
    Q_INVOKABLE void toggleMute();
    Q_INVOKABLE void boost(bool on);
    Q_INVOKABLE void markLoopA();
    Q_INVOKABLE void clearLoop();
    static constexpr double minimumBoost = 1.25;

    // ---- statistics (PlayerStore_stats.cpp)
    Q_INVOKABLE QStringList statsLines() const;
    Q_INVOKABLE double bufferedAhead() const;

    void setWaits(Waits waits) { m_waits = waits; }

    // ---- observed fields
    const std::optional<Video> &current() const { return m_current; }
    const std::optional<VideoDetail> &detail() const { return m_detail; }
    const QList<Video> &related() const { return m_related; }
    const QList<Video> &queue() const { return m_queue; }
    bool expanded() const { return m_expanded; }
    bool isPlaying() const { return m_isPlaying; }
    bool isBuffering() const { return m_isBuffering; }
    double currentTime() const { return m_currentTime; }
    double duration() const { return m_duration; }
    float speed() const { return m_speed; }
    qint64 activeQuality() const { return m_activeQuality; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    const std::optional<QString> &toast() const { return m_toast; }
    bool pipActive() const { return m_pipActive; }
    bool pipPossible() const { return m_pipPossible; }
    bool isScrubbing() const { return m_isScrubbing; }
    const QList<Comment> &comments() const { return m_comments; }
    LoadState commentsState() const { return m_commentsState; }
    LoadState detailState() const { return m_detailState; }
    const std::optional<QString> &channelAvatar() const { return m_channelAvatar; }
    bool fillScreen() const { return m_fillScreen; }
    bool loop() const { return m_loop; }
    bool boosted() const { return m_boosted; }
    bool muted() const { return m_muted; }
    bool audioOnly() const { return m_audioOnly; }
    const std::optional<QDateTime> &sleepEndsAt() const { return m_sleepEndsAt; }
    bool sleepAtEnd() const { return m_sleepAtEnd; }
    const QList<CaptionTrack> &captionTracks() const { return m_captionTracks; }
    const std::optional<QString> &activeCaption() const { return m_activeCaption; }
    const std::optional<QString> &captionText() const { return m_captionText; }
    bool onCellular() const { return m_onCellular; }
    const QList<SponsorSegment> &segments() const { return m_segments; }
    std::optional<double> loopA() const { return m_loopA; }
    std::optional<double> loopB() const { return m_loopB; }
    const std::optional<Video> &upNext() const { return m_upNext; }
    qint64 countdown() const { return m_countdown; }

    // Setters of the fields screens write.
    void setQueue(QList<Video> v) { assign(m_queue, std::move(v), &PlayerStore::queueChanged); }
    // Shows the full player and lets the window turn every way, or hides it
    // and goes back to portrait. Only a real change does either.
    Q_INVOKABLE void setPresented(bool presented);
    void setCurrentTime(double v) { assign(m_currentTime, v, &PlayerStore::currentTimeChanged); }
    void setIsScrubbing(bool v) { assign(m_isScrubbing, v, &PlayerStore::isScrubbingChanged); }
    void setFillScreen(bool v) { assign(m_fillScreen, v, &PlayerStore::fillScreenChanged); }
    void setLoop(bool v) { assign(m_loop, v, &PlayerStore::loopChanged); }
    void setLoopB(std::optional<double> v) { assign(m_loopB, v, &PlayerStore::loopBChanged); }
    void setSleepEndsAt(std::optional<QDateTime> v) { assign(m_sleepEndsAt, std::move(v), &PlayerStore::sleepEndsAtChanged); }
    void setSleepAtEnd(bool v) { assign(m_sleepAtEnd, v, &PlayerStore::sleepAtEndChanged); }
    void setActiveCaption(std::optional<QString> v) { assign(m_activeCaption, std::move(v), &PlayerStore::activeCaptionChanged); }
    void setCaptionText(std::optional<QString> v) { assign(m_captionText, std::move(v), &PlayerStore::captionTextChanged); }

    // ---- plain fields
    MediaEngine *player() const { return m_player; }
    VideoSurface *surface() const { return m_surface; }
    const QList<Video> &playedStack() const { return m_playedStack; }
    const QList<Cue> &cues() const { return m_cues; }
    double lastSkip() const { return m_lastSkip; }
    double lastSave() const { return m_lastSave; }
    double lastPublish() const { return m_lastPublish; }
    double watchedSeconds() const { return m_watchedSeconds; }
    const QImage &artwork() const { return m_artwork; }
    bool usingLegacy() const { return m_usingLegacy; }
    bool started() const { return m_started; }
    LibraryStore *library() const { return m_library; }
    float preBoostSpeed() const { return m_preBoostSpeed; }
    qint64 qualityBeforeAudio() const { return m_qualityBeforeAudio; }
    PictureInPicture *pip() const { return m_pip; }

signals:
    void currentChanged();
    void detailChanged();
    void relatedChanged();
    void queueChanged();
    void expandedChanged();
    void isPlayingChanged();
    void isBufferingChanged();
    void currentTimeChanged();
    void durationChanged();
    void speedChanged();
    void activeQualityChanged();
    void errorMessageChanged();
    void toastChanged();
    void pipActiveChanged();
    void pipPossibleChanged();
    void isScrubbingChanged();
    void commentsChanged();
    void commentsStateChanged();
    void detailStateChanged();
    void channelAvatarChanged();
    void fillScreenChanged();
    void loopChanged();
    void boostedChanged();
    void mutedChanged();
    void audioOnlyChanged();
    void sleepEndsAtChanged();
    void sleepAtEndChanged();
    void captionTracksChanged();
    void activeCaptionChanged();
    void captionTextChanged();
    void onCellularChanged();
    void segmentsChanged();
    void loopAChanged();
    void loopBChanged();
    void upNextChanged();
    void countdownChanged();

private:
    friend class PlayerStoreProbe; // tests reach the clock and the private setters

    // The status observer of one loaded item: it acts on the first ready or
    // failed status of that item only. A new load replaces it; stop cancels it.
    struct ItemWatch
    {
        quint64 item = 0;
        double startAt = 0;
        bool play = false;
        bool settled = false;
        bool active = false;
        // Held at the beginning until the seek to the start time has landed.
        bool holding = false;
        // Watched, and not yet ready at its start.
        bool starting() const { return active && (!settled || holding); }
    };

    // The Picture in Picture delegate; it refers back to the store weakly.
    class PiPDelegate : public PictureInPictureDelegate
    {
    public:
        ~PiPDelegate() override;
        QPointer<PlayerStore> store;
        QPointer<PictureInPicture> controller;
        void pictureInPictureWillStart(PictureInPicture *) override;
        void pictureInPictureDidStop(PictureInPicture *) override;
        void restoreUserInterface(PictureInPicture *, std::function<void(bool)> completion) override;
    };

    // Setters of the fields only the store writes.
    void setCurrent(std::optional<Video> v) { assign(m_current, std::move(v), &PlayerStore::currentChanged); }
    void setDetail(std::optional<VideoDetail> v) { assign(m_detail, std::move(v), &PlayerStore::detailChanged); }
    void setRelated(QList<Video> v) { assign(m_related, std::move(v), &PlayerStore::relatedChanged); }
    void setIsPlaying(bool v) { assign(m_isPlaying, v, &PlayerStore::isPlayingChanged); }
    void setIsBuffering(bool v) { assign(m_isBuffering, v, &PlayerStore::isBufferingChanged); }
    void setDuration(double v) { assign(m_duration, v, &PlayerStore::durationChanged); }
    void setSpeedField(float v) { assign(m_speed, v, &PlayerStore::speedChanged); }
    void setActiveQuality(qint64 v) { assign(m_activeQuality, v, &PlayerStore::activeQualityChanged); }
    void setErrorMessage(std::optional<QString> v) { assign(m_errorMessage, std::move(v), &PlayerStore::errorMessageChanged); }
    void setToast(std::optional<QString> v) { assign(m_toast, std::move(v), &PlayerStore::toastChanged); }
    void setPipActive(bool v) { assign(m_pipActive, v, &PlayerStore::pipActiveChanged); }
    void setPipPossible(bool v) { assign(m_pipPossible, v, &PlayerStore::pipPossibleChanged); }
    void setComments(QList<Comment> v) { assign(m_comments, std::move(v), &PlayerStore::commentsChanged); }
    void setCommentsState(LoadState v) { assign(m_commentsState, std::move(v), &PlayerStore::commentsStateChanged); }
    void setDetailState(LoadState v) { assign(m_detailState, std::move(v), &PlayerStore::detailStateChanged); }
    void setChannelAvatar(std::optional<QString> v) { assign(m_channelAvatar, std::move(v), &PlayerStore::channelAvatarChanged); }
    void setBoosted(bool v) { assign(m_boosted, v, &PlayerStore::boostedChanged); }
    void setMutedField(bool v) { assign(m_muted, v, &PlayerStore::mutedChanged); }
    void setAudioOnlyField(bool v) { assign(m_audioOnly, v, &PlayerStore::audioOnlyChanged); }
    void setCaptionTracks(QList<CaptionTrack> v) { assign(m_captionTracks, std::move(v), &PlayerStore::captionTracksChanged); }
    void setOnCellular(bool v) { assign(m_onCellular, v, &PlayerStore::onCellularChanged); }
    void setSegments(QList<SponsorSegment> v) { assign(m_segments, std::move(v), &PlayerStore::segmentsChanged); }
    void setLoopA(std::optional<double> v) { assign(m_loopA, v, &PlayerStore::loopAChanged); }
    void setUpNext(std::optional<Video> v) { assign(m_upNext, std::move(v), &PlayerStore::upNextChanged); }
    void setCountdown(qint64 v) { assign(m_countdown, v, &PlayerStore::countdownChanged); }

    // QML forms of the fields.
    QVariant currentValue() const { return QmlValue::of(m_current); }
    QVariant detailValue() const { return QmlValue::of(m_detail); }
    QVariant errorMessageValue() const { return QmlValue::of(m_errorMessage); }
    QVariant toastValue() const { return QmlValue::of(m_toast); }
    QVariantList commentsValue() const { return QmlValue::list(m_comments); }
    QVariant channelAvatarValue() const { return QmlValue::of(m_channelAvatar); }
    QVariant sleepEndsAtValue() const { return QmlValue::of(m_sleepEndsAt); }
    void setSleepEndsAtValue(const QVariant &v);
    QVariant activeCaptionValue() const { return QmlValue::of(m_activeCaption); }
    void setActiveCaptionValue(const QVariant &v);
    QVariant captionTextValue() const { return QmlValue::of(m_captionText); }
    void setCaptionTextValue(const QVariant &v);
    QVariantList segmentsValue() const { return QmlValue::list(m_segments); }
    QVariant loopAValue() const { return QmlValue::of(m_loopA); }
    QVariant loopBValue() const { return QmlValue::of(m_loopB); }
    void setLoopBValue(const QVariant &v);
    QVariant upNextValue() const { return QmlValue::of(m_upNext); }
    QVariantList playedStackValue() const { return QmlValue::list(m_playedStack); }

    // ---- play and load (PlayerStore_load.cpp)
    bool isCurrent(const QString &id) const { return m_current && m_current->id == id; }
    qint64 requestedQuality() const;
    void load(const QUrl &url, double startAt, bool play);
    void onItemReady(quint64 item);
    void startPlayback();
    // The player's time and whether it runs; an item still on its way to its
    // start time counts as standing there, with the intent it was loaded with.
    std::pair<double, bool> playHead() const;
    void onItemFailed(quint64 item);
    void fallbackToLegacy();
    void startMeta(const QString &id);
    void cancelMeta() { ++m_metaTask; }
    QCoro::Task<> loadMeta(QString id, quint64 generation);
    void applyDetail(const VideoDetail &d, const QString &id);
    QCoro::Task<> runComments(QString id, QString sort, quint64 request);
    QCoro::Task<> loadChannelAvatar(QString channelId, QString id);
    QCoro::Task<> loadArtwork(QString id);
    void loadArtworkOnceStarted();

    // ---- clock (PlayerStore_clock.cpp)
    void tick(double t);
    // seek(t), with `done` told whether the play head got there.
    void seekThen(double t, MediaEngine::SeekCompletion done);

    // ---- countdown (PlayerStore_queue.cpp)
    void startCountdown(const Video &video);
    void countdownStep();

    // ---- engine observers the clock needs (PlayerStore.cpp)
    void observeEngine();
    void onTimeControl(int status);

    // ---- captions (PlayerStore_options.cpp)
    void autoSelectCaption();
    void updateCaption(double t);
    QCoro::Task<> loadCaption(QString id, QString lang);

    // ---- system media integration (PlayerStore_system.cpp)
    void updateNowPlaying();
    void clearNowPlaying();
    void setupAudioSession();
    void observeSystem();
    void setupPiP();
    void setupRemote();
    void startPathMonitor();
    void updateIdleTimer(bool playing);

    // Observed fields, in declaration order.
    std::optional<Video> m_current;
    std::optional<VideoDetail> m_detail;
    QList<Video> m_related;
    QList<Video> m_queue;
    bool m_expanded = false;
    bool m_isPlaying = false;
    bool m_isBuffering = false;
    double m_currentTime = 0;
    double m_duration = 0;
    float m_speed = 1.0f;
    qint64 m_activeQuality = 720;
    std::optional<QString> m_errorMessage;
    std::optional<QString> m_toast;
    bool m_pipActive = false;
    bool m_pipPossible = false;
    bool m_isScrubbing = false;
    QList<Comment> m_comments;
    LoadState m_commentsState;
    LoadState m_detailState;
    std::optional<QString> m_channelAvatar;
    bool m_fillScreen = false;
    bool m_loop = false;
    bool m_boosted = false;
    bool m_muted = false;
    bool m_audioOnly = false;
    std::optional<QDateTime> m_sleepEndsAt;
    bool m_sleepAtEnd = false;
    QList<CaptionTrack> m_captionTracks;
    std::optional<QString> m_activeCaption;
    std::optional<QString> m_captionText;
    bool m_onCellular = false;
    QList<SponsorSegment> m_segments;
    std::optional<double> m_loopA;
    std::optional<double> m_loopB;
    std::optional<Video> m_upNext;
    qint64 m_countdown = 0;

    // Plain fields.
    MediaEngine *m_player = nullptr;
    VideoSurface *m_surface = nullptr;
    PiPDelegate m_pipDelegate;
    QPointer<PictureInPicture> m_pip;
    ItemWatch m_itemSub;
    // The running metadata load is the one started with this number; raising
    // it cancels that load (its replies are then dropped as failed ones).
    quint64 m_metaTask = 0;
    // Only the newest comments request may write its reply.
    quint64 m_commentsRequest = 0;
    QTimer *m_toastTask = nullptr;
    QTimer *m_countdownTask = nullptr;
    QList<Cue> m_cues;
    double m_lastSkip = -100;
    double m_lastSave = 0;
    double m_lastPublish = -10;
    double m_watchedSeconds = 0;
    QImage m_artwork;
    QString m_artworkDue; // the video whose artwork waits for its start
    bool m_started = false;
    bool m_usingLegacy = false;
    // The loop's restart still plays once it is back at the start, unless a
    // pause was asked for meanwhile.
    bool m_loopRestart = false;
    float m_preBoostSpeed = 1.0f;
    qint64 m_qualityBeforeAudio = 720;
    QList<Video> m_playedStack;
    QPointer<LibraryStore> m_library;
    // The start time of the loaded item until the play head has got there;
    // positions are not saved before, so a resumed video keeps its position.
    std::optional<double> m_startLanding;
    Waits m_waits;
};
