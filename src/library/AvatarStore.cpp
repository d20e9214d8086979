#include "AvatarStore.h"
#include "API.h"
#include "FileWriter.h"
#include "Json.h"
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <coroutine>

namespace {

// Snapshots are encoded off the GUI thread one at a time, in the order asked,
// and handed on to the one file writer, so they land in that order too.
QThreadPool &encoder()
{
    struct Encoder
    {
        Encoder()
        {
            FileWriter::shared(); // made first, so it outlives this pool at exit
            pool.setMaxThreadCount(1);
            pool.setExpiryTimeout(-1);
        }
        QThreadPool pool;
    };
    static Encoder e;
    return e.pool;
}

// A wait that ends when its time is up or when `owner` goes, whichever comes
// first: a coroutine left waiting on a store already gone would never finish
// and its frame would outlive the program. A coarse timer may fire 5 % early;
// the waits here are meant to the millisecond.
struct OwnedWait
{
    QObject *owner;
    std::chrono::milliseconds delay;
    // Plain members only: g++ 12 may copy and destroy the awaiter of a
    // co_await operand more than once. The timer lives from suspension to
    // resumption; deleting it drops both connections.
    QTimer *timer = nullptr;

    bool await_ready() const noexcept { return owner == nullptr; }
    void await_suspend(std::coroutine_handle<> waiting)
    {
        timer = new QTimer;
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(true);
        const auto wake = [waiting] { waiting.resume(); };
        QObject::connect(timer, &QTimer::timeout, timer, wake);
        QObject::connect(owner, &QObject::destroyed, timer, wake);
        timer->start(delay);
    }
    void await_resume() noexcept { delete timer; }
};

} // namespace

AvatarStore::AvatarStore(QObject *parent) : Store(parent) { load(); }

QString AvatarStore::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + u'/' + QLatin1String(fileName);
}

void AvatarStore::waitForWrites()
{
    encoder().waitForDone();
    FileWriter::shared().drain();
}

void AvatarStore::load()
{
    FileWriter::shared().removeLeftovers(filePath());
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    try {
        setUrls(Json::decode<QMap<QString, QString>>(bytes));
    } catch (const std::exception &) {
        // A damaged cache is an empty one.
    }
}

std::optional<QString> AvatarStore::channelKey(const Video &video)
{
    if (video.channelId)
        return video.channelId;
    return video.handle;
}

std::optional<QString> AvatarStore::url(const Video &video) const
{
    if (video.avatar)
        return video.avatar;
    const std::optional<QString> key = channelKey(video);
    if (!key)
        return std::nullopt;
    const auto it = m_urls.constFind(*key);
    if (it == m_urls.constEnd())
        return std::nullopt;
    return *it;
}

QString AvatarStore::urlValue(const Video &video) const { return url(video).value_or(QString()); }

void AvatarStore::want(const Video &video)
{
    if (video.avatar)
        return;
    const std::optional<QString> key = channelKey(video);
    if (!key || m_urls.contains(*key) || m_asked.contains(*key))
        return;
    m_pending.insert(*key);
    if (m_flushArmed)
        return;
    arm(debounce);
}

void AvatarStore::arm(std::chrono::milliseconds delay)
{
    m_flushArmed = true;
    runArmed(this, delay);
}

QCoro::Task<> AvatarStore::runArmed(QPointer<AvatarStore> self, std::chrono::milliseconds delay)
{
    co_await OwnedWait{self.data(), delay};
    if (self)
        co_await self->flush();
}

QCoro::Task<> AvatarStore::flush()
{
    QPointer<AvatarStore> self(this);
    // From here on a new want arms a task of its own, so two batches may be
    // in flight; they never share a key, which stays asked until settled.
    m_flushArmed = false;

    QStringList batch;
    for (auto it = m_pending.begin(); it != m_pending.end() && batch.size() < batchSize;) {
        batch.append(*it);
        m_asked.insert(*it);
        it = m_pending.erase(it);
    }
    if (batch.isEmpty())
        co_return;

    std::optional<QMap<QString, QString>> reply;
    try {
        reply = co_await API::shared().avatars(batch);
    } catch (...) {
        // A failed batch merges nothing; its keys are given up below.
    }
    if (!self)
        co_return;

    if (reply) {
        merge(*reply);
        // Also after an empty reply: the cache is rewritten either way.
        m_dirty = true;
        save();
    }

    QStringList missing;
    for (const QString &key : std::as_const(batch))
        if (!m_urls.contains(key))
            missing.append(key);

    if (!missing.isEmpty()) {
        // Keep them asked a while, so cards shown meanwhile do not ask again.
        co_await OwnedWait{this, giveUpAfter};
        if (!self)
            co_return;
        for (const QString &key : std::as_const(missing))
            m_asked.remove(key);
    }
    if (!m_pending.isEmpty())
        arm(std::chrono::milliseconds(0));
}

void AvatarStore::setUrls(QMap<QString, QString> urls)
{
    if (m_urls == urls)
        return;
    m_urls = std::move(urls);
    ++m_revision;
    emit urlsChanged();
}

void AvatarStore::merge(const QMap<QString, QString> &reply)
{
    if (reply.isEmpty())
        return;
    // Every entry counts as a change, also one equal to what is there; one
    // notification per reply redraws the same as one per entry would.
    for (auto it = reply.cbegin(); it != reply.cend(); ++it)
        m_urls.insert(it.key(), it.value());
    ++m_revision;
    emit urlsChanged();
}

void AvatarStore::save()
{
    if (!m_dirty)
        return;
    m_dirty = false;
    encoder().start([path = filePath(), urls = m_urls] {
        FileWriter::shared().write(path, Json::encode(urls));
    });
}

QVariantMap AvatarStore::urlsValue() const
{
    QVariantMap out;
    for (auto it = m_urls.cbegin(); it != m_urls.cend(); ++it)
        out.insert(it.key(), it.value());
    return out;
}
