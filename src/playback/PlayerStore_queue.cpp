#include "PlayerStore.h"

#include "Clock.h"
#include "Defaults.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "Pref.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

bool sameId(const Video &a, const QString &id) { return a.id == id; }

} // namespace

void PlayerStore::cancelCountdown()
{
    m_countdownTask->stop();
    setUpNext(std::nullopt);
    setCountdown(0);
}

void PlayerStore::startCountdown(const Video &video)
{
    setUpNext(video);
    setCountdown(countdownSeconds);
    m_countdownTask->stop();
    m_countdownTask->start(m_waits.countdownStepMs);
}

void PlayerStore::countdownStep()
{
    if (m_countdown >= 1)
        setCountdown(m_countdown - 1);
    if (m_countdown >= 1)
        return;
    m_countdownTask->stop();
    playNext();
}

void PlayerStore::didFinish()
{
    if (!m_current)
        return;
    if (m_loop) {
        // An engine may hold still at the end by itself after this play was
        // asked for, the later of the two winning; back at the start, the
        // loop plays on.
        m_loopRestart = true;
        QPointer<PlayerStore> self(this);
        seekThen(0, [self](bool landed) {
            if (self && std::exchange(self->m_loopRestart, false) && landed)
                self->m_player->play();
        });
        m_player->play();
        return;
    }
    if (m_library)
        m_library->forgetPosition(m_current->id);
    if (m_sleepAtEnd) {
        setSleepAtEnd(false);
        showToast(sleepToast);
        return;
    }
    if (m_queue.isEmpty() && !Defaults::shared().boolValue(Pref::autoplay))
        return;
    const std::optional<Video> candidate = nextCandidate();
    if (!candidate)
        return;
    if (Defaults::shared().boolValue(Pref::countdown) && m_queue.isEmpty()) {
        startCountdown(*candidate);
        return;
    }
    playNext();
}

std::optional<Video> PlayerStore::nextCandidate() const
{
    if (!m_queue.isEmpty())
        return m_queue.first();

    QList<Video> pool;
    for (const Video &v : m_related)
        if (!m_library || !m_library->isHidden(v.channel))
            pool.append(v);

    const QString currentId = m_current ? m_current->id : QString();
    for (const Video &v : std::as_const(pool)) {
        if (m_current && v.id == currentId)
            continue;
        if (!m_library || !m_library->hasWatched(v.id))
            return v;
    }
    for (const Video &v : std::as_const(pool))
        if (!m_current || v.id != currentId)
            return v;
    return std::nullopt;
}

void PlayerStore::enqueue(const Video &video)
{
    for (const Video &v : std::as_const(m_queue))
        if (sameId(v, video.id))
            return;
    if (m_current && m_current->id == video.id)
        return;
    QList<Video> next = m_queue;
    next.append(video);
    setQueue(std::move(next));
    showToast(QStringLiteral("Añadido a la cola"));
    Haptics::shared().success();
}

void PlayerStore::playAfterCurrent(const Video &video)
{
    QList<Video> next = m_queue;
    next.removeIf([&](const Video &v) { return sameId(v, video.id); });
    next.prepend(video);
    setQueue(std::move(next));
    showToast(QStringLiteral("Se reproducirá a continuación"));
    Haptics::shared().success();
}

void PlayerStore::removeFromQueue(const QString &id)
{
    QList<Video> next = m_queue;
    next.removeIf([&](const Video &v) { return sameId(v, id); });
    setQueue(std::move(next));
}

void PlayerStore::moveInQueue(const QString &id, int to)
{
    const auto from = std::find_if(m_queue.cbegin(), m_queue.cend(), [&](const Video &v) { return sameId(v, id); });
    if (from == m_queue.cend())
        return;
    QList<Video> next = m_queue;
    const qsizetype at = from - m_queue.cbegin();
    const Video moved = next.takeAt(at);
    const qsizetype dest = std::clamp<qsizetype>(to, 0, m_queue.size());
    next.insert(dest > at ? dest - 1 : dest, moved);
    setQueue(std::move(next));
}

void PlayerStore::showToast(const QString &text)
{
    setToast(text);
    // A newer message restarts the wait, so an older timer never clears it.
    m_toastTask->start(m_waits.toastMs);
}

void PlayerStore::setSleep(const QVariant &minutes, bool atEnd)
{
    setSleepAtEnd(atEnd);
    bool whole = false;
    const qint64 m = minutes.isValid() && !minutes.isNull() ? minutes.toLongLong(&whole) : 0;
    if (!whole) {
        setSleepEndsAt(std::nullopt);
        if (atEnd)
            showToast(QStringLiteral("Se pausará al terminar"));
        return;
    }
    setSleepEndsAt(Clock::now().addSecs(m * 60));
    showToast(QStringLiteral("Se pausará en ") + QString::number(m) + QStringLiteral(" min"));
}
