#include "PlayerStore.h"

#include "Defaults.h"
#include "LibraryStore.h"
#include "Pref.h"

#include <QQmlEngine>
#include <QTimer>
#include <cmath>

namespace {

bool absent(const QVariant &v) { return !v.isValid() || v.isNull(); }

} // namespace

PlayerStore::PlayerStore(MediaEngine *engine, QObject *parent) : Store(parent), m_player(engine)
{
    Q_ASSERT(engine);
    if (!engine->parent())
        engine->setParent(this);
    QQmlEngine::setObjectOwnership(engine, QQmlEngine::CppOwnership);

    m_surface = new VideoSurface;
    static_cast<QObject *>(m_surface)->setParent(this);
    QQmlEngine::setObjectOwnership(m_surface, QQmlEngine::CppOwnership);

    m_toastTask = new QTimer(this);
    m_toastTask->setSingleShot(true);
    // A message stays its full time: a coarse timer may end 5 % early.
    m_toastTask->setTimerType(Qt::PreciseTimer);
    connect(m_toastTask, &QTimer::timeout, this, [this] { setToast(std::nullopt); });

    m_countdownTask = new QTimer(this);
    connect(m_countdownTask, &QTimer::timeout, this, &PlayerStore::countdownStep);

    // The item-status observer of load(): only the watched item counts.
    connect(m_player, &MediaEngine::itemReady, this, &PlayerStore::onItemReady);
    connect(m_player, &MediaEngine::itemFailed, this, [this](quint64 item, const QString &) { onItemFailed(item); });
    // Whoever pauses while the item still loads (the Shorts tab, a remote
    // command, the user) wins over the load's own start, and over that of
    // its fallback; while a loop restarts, over that restart.
    connect(m_player, &MediaEngine::pauseRequested, this, [this] {
        if (m_itemSub.starting())
            m_itemSub.play = false;
        m_loopRestart = false;
    });
}

PlayerStore::~PlayerStore() = default;

void PlayerStore::attach(LibraryStore *library)
{
    m_library = library;
    if (m_started)
        return;
    m_started = true;

    m_surface->setEngine(m_player);
    m_surface->setColor(Qt::black);

    const double stored = Defaults::shared().doubleValue(Pref::speed);
    if (stored > 0 && std::isfinite(stored)) {
        setSpeedField(float(stored));
        m_player->setDefaultRate(m_speed);
    }

    setupAudioSession();
    observeEngine();
    observeSystem();
    setupPiP();
    setupRemote();
    startPathMonitor();
}

// ---- engine observers the clock needs

void PlayerStore::observeEngine()
{
    connect(m_player, &MediaEngine::timeControlStatusChanged, this,
            [this](MediaEngine::TimeControlStatus status) { onTimeControl(int(status)); });
    onTimeControl(int(m_player->timeControlStatus()));

    connect(m_player, &MediaEngine::periodicTime, this, &PlayerStore::tick);

    // The end of another engine's item (the Shorts player) never gets here;
    // an end reported for an item already replaced is ignored too. Queued,
    // so the engine has settled into its stopped state before the store
    // decides what plays next (a restart for loop must not be undone).
    connect(
        m_player, &MediaEngine::itemEnded, this,
        [this](quint64 item) {
            if (item == m_player->currentItem())
                didFinish();
        },
        Qt::QueuedConnection);
}

void PlayerStore::onTimeControl(int value)
{
    const auto status = MediaEngine::TimeControlStatus(value);
    setIsPlaying(status != MediaEngine::TimeControlStatus::Paused);
    setIsBuffering(status == MediaEngine::TimeControlStatus::WaitingToPlay);
    updateIdleTimer(status == MediaEngine::TimeControlStatus::Playing);
    // Each load starts without waiting to buffer; once it plays, waiting
    // protects against stalls again.
    if (status == MediaEngine::TimeControlStatus::Playing && !m_player->waitsToMinimizeStalling())
        m_player->setWaitsToMinimizeStalling(true);
    loadArtworkOnceStarted();
    updateNowPlaying();
}

// ---- QML forms of the writable fields

void PlayerStore::setSleepEndsAtValue(const QVariant &v)
{
    setSleepEndsAt(absent(v) ? std::nullopt : std::optional<QDateTime>(v.toDateTime()));
}

void PlayerStore::setActiveCaptionValue(const QVariant &v)
{
    setActiveCaption(absent(v) ? std::nullopt : std::optional<QString>(v.toString()));
}

void PlayerStore::setCaptionTextValue(const QVariant &v)
{
    setCaptionText(absent(v) ? std::nullopt : std::optional<QString>(v.toString()));
}

void PlayerStore::setLoopBValue(const QVariant &v)
{
    setLoopB(absent(v) ? std::nullopt : std::optional<double>(v.toDouble()));
}
