#include "Clock.h"
#include "DamagedFile.h"
#include "FileWriter.h"
#include "Json.h"
#include "LibraryStore.h"
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QMutex>
#include <QThreadPool>
#include <functional>
#include <condition_variable>
#include <mutex>

// The file form of "library.json" and of a backup: five required lists and
// two that older files may lack.
struct LibraryStore::Snapshot
{
    QList<HistoryEntry> history;
    QList<Video> liked;
    QList<Video> watchLater;
    QList<Subscription> subscriptions;
    QList<QString> searches;
    std::optional<QList<UserPlaylist>> playlists;
    std::optional<QList<QString>> hiddenChannels;
};

namespace {

const QString libraryFile = QStringLiteral("library.json");
const QString positionsFile = QStringLiteral("positions.json");

constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions ownerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Snapshots are encoded off the GUI thread, one at a time in the order asked,
// and handed on to the one file writer, so they land in that order too. A
// snapshot still waiting when a newer one of the same file is queued is
// skipped: the newer one follows it anyway.
class Encoder
{
public:
    static Encoder &shared()
    {
        static Encoder e;
        return e;
    }

    void write(const QString &path, std::function<QByteArray()> encode)
    {
        const quint64 ticket = take(path);
        m_pool.start([this, path, ticket, encode = std::move(encode)] {
            if (isLatest(path, ticket))
                FileWriter::shared().write(path, encode());
        });
    }

    void wait() { m_pool.waitForDone(); }

private:
    Encoder()
    {
        FileWriter::shared(); // made first, so it outlives this pool at exit
        m_pool.setMaxThreadCount(1);
        m_pool.setExpiryTimeout(-1);
    }
    quint64 take(const QString &path)
    {
        QMutexLocker lock(&m_mutex);
        return ++m_latest[path];
    }
    bool isLatest(const QString &path, quint64 ticket)
    {
        QMutexLocker lock(&m_mutex);
        return m_latest.value(path) == ticket;
    }

    QMutex m_mutex;
    QHash<QString, quint64> m_latest;
    QThreadPool m_pool; // last, so it is stopped before the rest goes
};

enum class Read { missing, ok, failed };

Read readWhole(const QString &path, QByteArray &out)
{
    QFile file(path);
    if (!file.exists())
        return Read::missing;
    if (!file.open(QIODevice::ReadOnly))
        return Read::failed;
    out = file.readAll();
    return file.error() == QFileDevice::NoError ? Read::ok : Read::failed;
}

std::optional<QHash<QString, double>> decodePositions(const QByteArray &data)
{
    try {
        const QJsonObject o = Json::toObject(Json::parse(data));
        QHash<QString, double> out;
        out.reserve(o.size());
        for (auto it = o.begin(); it != o.end(); ++it)
            out.insert(it.key(), Json::toDouble(it.value(), it.key()));
        return out;
    } catch (const DecodingError &) {
        return std::nullopt;
    }
}

QByteArray encodePositions(const QHash<QString, double> &positions)
{
    QJsonObject o;
    for (auto it = positions.begin(); it != positions.end(); ++it)
        o.insert(it.key(), it.value());
    return Json::serialize(o);
}

} // namespace

// Resolved at every use; the writer creates the folder when it first writes.
QString LibraryStore::dir() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }

std::optional<LibraryStore::Snapshot> LibraryStore::decodeSnapshot(const QByteArray &data)
{
    try {
        const QJsonObject o = Json::toObject(Json::parse(data));
        Snapshot s;
        s.history = Json::read<QList<HistoryEntry>>(o, "history");
        s.liked = Json::read<QList<Video>>(o, "liked");
        s.watchLater = Json::read<QList<Video>>(o, "watchLater");
        s.subscriptions = Json::read<QList<Subscription>>(o, "subscriptions");
        s.searches = Json::read<QList<QString>>(o, "searches");
        s.playlists = Json::read<std::optional<QList<UserPlaylist>>>(o, "playlists");
        s.hiddenChannels = Json::read<std::optional<QList<QString>>>(o, "hiddenChannels");
        return s;
    } catch (const DecodingError &) {
        return std::nullopt;
    }
}

LibraryStore::Snapshot LibraryStore::snapshot() const
{
    return {m_history, m_liked, m_watchLater, m_subscriptions, m_searches, m_playlists, m_hiddenChannels};
}

QByteArray LibraryStore::encodeSnapshot(const Snapshot &s)
{
    QJsonObject o;
    Json::write(o, "history", s.history);
    Json::write(o, "liked", s.liked);
    Json::write(o, "watchLater", s.watchLater);
    Json::write(o, "subscriptions", s.subscriptions);
    Json::write(o, "searches", s.searches);
    // Always written, also when empty.
    Json::write(o, "playlists", s.playlists.value_or(QList<UserPlaylist>()));
    Json::write(o, "hiddenChannels", s.hiddenChannels.value_or(QList<QString>()));
    return Json::serialize(o);
}

// Both files as read from disk, decoded but not yet taken in.
struct LibraryStore::Files
{
    QString folder;
    std::optional<Snapshot> snapshot;
    bool libraryDamaged = false; // there, but unreadable or undecodable
    std::optional<QHash<QString, double>> positions;
    bool positionsDamaged = false;
};

// Both files, read on a worker: the store takes them at its first use
// (waiting if need be), and hears of their arrival through a queued call.
class LibraryStore::Reading
{
public:
    void put(Files files)
    {
        std::lock_guard lock(m_mutex);
        m_files = std::move(files);
        // Under the lock, so a store that has said stop() is never called.
        if (m_arrived)
            m_arrived();
        m_ready.notify_all();
    }
    Files take()
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return m_files.has_value(); });
        return std::move(*m_files);
    }
    // `arrived` runs on the worker (or here, when the files are there
    // already): it may only post.
    void onArrival(std::function<void()> arrived)
    {
        std::lock_guard lock(m_mutex);
        if (m_files)
            arrived();
        else
            m_arrived = std::move(arrived);
    }
    void stop()
    {
        std::lock_guard lock(m_mutex);
        m_arrived = nullptr;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::optional<Files> m_files;
    std::function<void()> m_arrived;
};

// The read started by preload(), waiting for the store.
struct LibraryStore::Preload
{
    std::mutex mutex;
    QString folder;
    std::shared_ptr<Reading> reading;
    std::future<void> reader;
};

LibraryStore::Preload &LibraryStore::preloaded()
{
    static Preload p;
    return p;
}

std::future<void> LibraryStore::startReading(const std::shared_ptr<Reading> &reading, const QString &folder)
{
    return std::async(std::launch::async, [reading, folder] { reading->put(readFiles(folder)); });
}

LibraryStore::Files LibraryStore::readFiles(const QString &folder)
{
    Files files;
    files.folder = folder;
    QByteArray data;
    const Read library = readWhole(folder + u'/' + libraryFile, data);
    if (library == Read::ok)
        files.snapshot = decodeSnapshot(data);
    files.libraryDamaged = library != Read::missing && !files.snapshot;
    data = {};
    const Read positions = readWhole(folder + u'/' + positionsFile, data);
    if (positions == Read::ok)
        files.positions = decodePositions(data);
    files.positionsDamaged = positions != Read::missing && !files.positions;
    return files;
}

void LibraryStore::preload(const QCoreApplication &)
{
    const QString folder = dir();
    Preload &p = preloaded();
    std::lock_guard lock(p.mutex);
    if (p.reading)
        return;
    p.folder = folder;
    p.reading = std::make_shared<Reading>();
    p.reader = startReading(p.reading, folder);
}

LibraryStore::LibraryStore(QObject *parent)
    : Store(parent)
{
    for (auto changed : {&LibraryStore::historyChanged, &LibraryStore::likedChanged,
                         &LibraryStore::watchLaterChanged, &LibraryStore::subscriptionsChanged,
                         &LibraryStore::searchesChanged, &LibraryStore::playlistsChanged,
                         &LibraryStore::hiddenChannelsChanged})
        connect(this, changed, this, &LibraryStore::bumpRevision);
    startLoad();
}

LibraryStore::~LibraryStore()
{
    if (m_reading)
        m_reading->stop();
}

void LibraryStore::startLoad()
{
    const QString folder = dir();
    {
        Preload &p = preloaded();
        std::lock_guard lock(p.mutex);
        if (p.reading && p.folder == folder) {
            m_reading = std::exchange(p.reading, nullptr);
            m_reader = std::move(p.reader);
        }
    }
    if (!m_reading) {
        m_reading = std::make_shared<Reading>();
        m_reader = startReading(m_reading, folder);
    }
    m_reading->onArrival([this] { QMetaObject::invokeMethod(this, &LibraryStore::announceLoaded, Qt::QueuedConnection); });
}

void LibraryStore::announceLoaded()
{
    ensureLoaded();
    if (m_loaded)
        return;
    m_loaded = true;
    emit loadedChanged();
}

// Nobody has read the store before this, so taking the files in notifies
// nobody: the lists are simply there from the first look on.
void LibraryStore::finishLoad()
{
    // Its arrival is announced all the same (announceLoaded).
    Files files = std::exchange(m_reading, nullptr)->take();

    if (Snapshot *snapshot = files.snapshot ? &*files.snapshot : nullptr) {
        m_playlists = snapshot->playlists.value_or(QList<UserPlaylist>());
        m_hiddenChannels = snapshot->hiddenChannels.value_or(QList<QString>());
        m_history = std::move(snapshot->history);
        m_liked = std::move(snapshot->liked);
        m_watchLater = std::move(snapshot->watchLater);
        m_subscriptions = std::move(snapshot->subscriptions);
        m_searches = std::move(snapshot->searches);
    } else if (files.libraryDamaged) {
        m_libraryWritable = DamagedFile::keepAside(files.folder + u'/' + libraryFile);
    }

    if (files.positions)
        m_positions = std::move(*files.positions);
    else if (files.positionsDamaged)
        m_positionsWritable = DamagedFile::keepAside(files.folder + u'/' + positionsFile);

    // Not while reading: that may start before a second launch hands over to
    // the running app, whose writes are not to be swept away.
    for (const QString &name : {libraryFile, positionsFile})
        FileWriter::shared().removeLeftovers(files.folder + u'/' + name);
}

void LibraryStore::persist()
{
    if (!m_libraryWritable)
        return;
    Encoder::shared().write(dir() + u'/' + libraryFile, [s = snapshot()] { return encodeSnapshot(s); });
}

void LibraryStore::flushPositions(bool force)
{
    if (!m_positionsDirty)
        return;
    const QDateTime now = Clock::now();
    if (!force && m_lastPositionsWrite) {
        const qint64 elapsedMs = m_lastPositionsWrite->msecsTo(now);
        // A wall clock set back counts as time passed, or positions would
        // wait until it caught up again.
        if (elapsedMs >= 0 && elapsedMs <= 10'000)
            return;
    }
    m_positionsDirty = false;
    m_lastPositionsWrite = now;
    if (!m_positionsWritable)
        return;
    Encoder::shared().write(dir() + u'/' + positionsFile, [positions = m_positions] { return encodePositions(positions); });
}

void LibraryStore::waitForWrites()
{
    Encoder::shared().wait();
    FileWriter::shared().drain();
}

void LibraryStore::flushOnQuit()
{
    flushPositions(true);
    waitForWrites();
}

QUrl LibraryStore::exportBackup()
{
    ensureLoaded();
    const QByteArray bytes = encodeSnapshot(snapshot());
    // Not the shared temporary folder: the backup holds the whole history.
    const QString folder = dir() + QStringLiteral("/backups");
    if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, ownerOnly))
        return {};
    const QString name = QStringLiteral("Nimbelora-%1.json")
                             .arg(Clock::now().toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));
    const QString path = folder + u'/' + name;
    if (!FileWriter::writeNow(path, bytes))
        return {};
    QFile::setPermissions(path, ownerFile);
    // Exports are handed on at once; keep only the newest in the folder.
    const QStringList older = QDir(folder).entryList({QStringLiteral("Nimbelora-*.json")}, QDir::Files);
    for (const QString &f : older)
        if (f != name)
            QFile::remove(folder + u'/' + f);
    return QUrl::fromLocalFile(path);
}

bool LibraryStore::importBackup(const QByteArray &data)
{
    ensureLoaded();
    std::optional<Snapshot> s = decodeSnapshot(data);
    if (!s)
        return false;
    setHistory(std::move(s->history));
    setLiked(std::move(s->liked));
    setWatchLater(std::move(s->watchLater));
    setSubscriptions(std::move(s->subscriptions));
    setSearches(std::move(s->searches));
    setPlaylists(s->playlists.value_or(QList<UserPlaylist>()));
    setHiddenChannels(s->hiddenChannels.value_or(QList<QString>()));
    persist();
    return true;
}
