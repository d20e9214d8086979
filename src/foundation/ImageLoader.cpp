#include "ImageLoader.h"
#include "API.h"
#include "BuildConfig.h"
#include <QBuffer>
#include <QCache>
#include <QCoreApplication>
#include <QImageReader>
#include <QJSEngine>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkCacheMetaData>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QPromise>
#include <QQmlEngine>
#include <QStandardPaths>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>

namespace {

constexpr int kMemoryImages = 400;
// Decoded pixels kept in memory at most. The system evicts on its own under
// memory pressure elsewhere; here a budget stands in for that, so 400 large
// thumbnails (3.5 MiB each) cannot take 1.4 GiB.
constexpr qint64 kMemoryBytes = 256LL * 1024 * 1024;
// The cache counts in slots: a small image takes one, a large one several.
constexpr qint64 kSlotBytes = kMemoryBytes / kMemoryImages;
constexpr qint64 kDiskBytes = 300LL * 1024 * 1024;
// Raw replies also kept in memory, in front of the disk.
constexpr qint64 kRawMemoryBytes = 40LL * 1024 * 1024;
// A picture larger than this is no thumbnail or avatar; stop reading it.
constexpr qint64 kMaxReplyBytes = 32LL * 1024 * 1024;
// The platform's default request time-out.
constexpr int kTransferTimeoutMs = 60000;

// A promise that always ends with a result: whoever drops the last reference
// without answering answers "nothing", so no awaiting caller hangs.
template<class T>
class Pending
{
public:
    Pending() { m_promise.start(); }
    ~Pending() { finish(); }
    QFuture<T> future() { return m_promise.future(); }
    template<class... A>
    void finish(A &&...result)
    {
        if (m_done.exchange(true))
            return;
        if constexpr (!std::is_void_v<T>)
            m_promise.addResult(T(std::forward<A>(result)...));
        m_promise.finish();
    }

private:
    QPromise<T> m_promise;
    std::atomic_bool m_done{false};
};
using PendingImage = std::shared_ptr<Pending<QImage>>;

QString keyOf(const QUrl &url) { return QString::fromLatin1(url.toEncoded()); }

QString thumbOrigin()
{
    QString origin = QString::fromUtf8(BuildConfig::thumbOrigin);
    // Without a host of its own the backend serves the thumbnails, wherever it
    // runs (the run-time override included).
    if (origin.isEmpty())
        origin = API::defaultBaseUrl().toString(QUrl::FullyEncoded);
    while (origin.endsWith(QLatin1Char('/')))
        origin.chop(1);
    return origin;
}

QImage decodeImage(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    // Convert now, on this thread, to the format the scene graph draws directly.
    QImage ready = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                 : QImage::Format_RGB32);
    return ready.isNull() ? image : ready;
}

QString base64(const QByteArray &bytes)
{
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

class ImageFetcher;

struct ImageLoader::Core
{
    QString diskDir;
    mutable QMutex mutex;
    mutable QCache<QString, QImage> memory{kMemoryImages};
    QThread thread;
    ImageFetcher *fetcher = nullptr; // lives on `thread`; null once shut down

    QImage cached(const QString &key) const
    {
        QMutexLocker lock(&mutex);
        const QImage *image = memory.object(key);
        return image ? *image : QImage();
    }
    void remember(const QString &key, const QImage &image)
    {
        const qint64 cost = std::clamp<qint64>((image.sizeInBytes() + kSlotBytes - 1) / kSlotBytes, 1,
                                               kMemoryImages);
        QMutexLocker lock(&mutex);
        memory.insert(key, new QImage(image), cost);
    }
    // Runs `job` on the fetcher's thread; false once the loader is shut down.
    template<class F>
    bool post(F job);
};

// Owns the network access and the disk cache, on the loader's own thread, so
// neither the requests nor the cache's file reads touch the caller's thread.
class ImageFetcher : public QObject
{
public:
    using CoreRef = std::weak_ptr<ImageLoader::Core>;

    explicit ImageFetcher(QString diskDir) : m_diskDir(std::move(diskDir)) {}

    // Stored data first (memory, then disk), whatever its age; the network
    // only when nothing is stored.
    void fetch(const QUrl &url, const PendingImage &pending, const CoreRef &core)
    {
        nam();
        if (const QByteArray *bytes = m_raw.object(keyOf(url)))
            decode(*bytes, url, true, pending, core);
        else if (std::optional<QByteArray> stored = this->stored(url))
            decode(keep(url, std::move(*stored)), url, true, pending, core);
        else
            fetchNetwork(url, pending, core);
    }

    void fetchNetwork(const QUrl &url, const PendingImage &pending, const CoreRef &core)
    {
        QNetworkReply *reply = nam()->get(QNetworkRequest(url));
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
            if (received > kMaxReplyBytes)
                reply->abort();
        });
        connect(reply, &QNetworkReply::finished, this, [=, this] {
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError || status != 200) {
                pending->finish();
                return;
            }
            decode(keep(url, reply->readAll()), url, false, pending, core);
        });
    }

    void forget(const QUrl &url)
    {
        nam();
        m_raw.remove(keyOf(url));
        m_disk->remove(url);
    }

    void clear()
    {
        nam();
        m_disk->clear();
    }

private:
    QByteArray keep(const QUrl &url, QByteArray bytes)
    {
        m_raw.insert(keyOf(url), new QByteArray(bytes), bytes.size());
        return bytes;
    }

    QNetworkAccessManager *nam()
    {
        if (!m_nam) {
            m_nam = new QNetworkAccessManager(this);
            m_nam->setTransferTimeout(kTransferTimeoutMs);
            m_disk = new QNetworkDiskCache(m_nam);
            m_disk->setCacheDirectory(m_diskDir);
            m_disk->setMaximumCacheSize(kDiskBytes);
            m_nam->setCache(m_disk);
        }
        return m_nam;
    }

    // The stored body of a 200 reply. Anything else stored is dropped, so a
    // failure never stands in for the picture.
    std::optional<QByteArray> stored(const QUrl &url)
    {
        const QNetworkCacheMetaData meta = m_disk->metaData(url);
        if (!meta.isValid())
            return std::nullopt;
        if (meta.attributes().value(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200) {
            m_disk->remove(url);
            return std::nullopt;
        }
        std::unique_ptr<QIODevice> device(m_disk->data(url));
        if (!device)
            return std::nullopt;
        return device->readAll();
    }

    static void decode(QByteArray bytes, QUrl url, bool fromDisk, PendingImage pending, CoreRef core)
    {
        QThreadPool::globalInstance()->start([bytes = std::move(bytes), url = std::move(url), fromDisk,
                                              pending = std::move(pending), core = std::move(core)] {
            const QImage image = decodeImage(bytes);
            const std::shared_ptr<ImageLoader::Core> c = core.lock();
            if (!image.isNull()) {
                if (c)
                    c->remember(keyOf(url), image);
                pending->finish(image);
                return;
            }
            // Bytes that are no picture leave the disk cache: a damaged entry is
            // fetched anew, a bad reply is asked for again next time.
            const bool posted = c && c->post([url, fromDisk, pending, core](ImageFetcher *f) {
                f->forget(url);
                if (fromDisk)
                    f->fetchNetwork(url, pending, core);
                else
                    pending->finish();
            });
            if (!posted)
                pending->finish();
        });
    }

    QString m_diskDir;
    QCache<QString, QByteArray> m_raw{kRawMemoryBytes};
    QNetworkAccessManager *m_nam = nullptr;
    QNetworkDiskCache *m_disk = nullptr;
};

template<class F>
bool ImageLoader::Core::post(F job)
{
    QMutexLocker lock(&mutex);
    ImageFetcher *f = fetcher;
    if (!f)
        return false;
    QMetaObject::invokeMethod(f, [f, job = std::move(job)]() mutable { job(f); }, Qt::QueuedConnection);
    return true;
}

ImageLoader &ImageLoader::shared()
{
    static ImageLoader *loader = [] {
        auto *l = new ImageLoader(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                                  + QStringLiteral("/images"));
        if (auto *app = QCoreApplication::instance()) {
            if (l->thread() != app->thread())
                l->moveToThread(app->thread());
            // Stop the network thread while the application object still exists.
            qAddPostRoutine([] { ImageLoader::shared().shutdown(); });
        }
        return l;
    }();
    return *loader;
}

ImageLoader *ImageLoader::create(QQmlEngine *, QJSEngine *)
{
    ImageLoader *l = &shared();
    QJSEngine::setObjectOwnership(l, QJSEngine::CppOwnership);
    return l;
}

ImageLoader::ImageLoader(const QString &diskCacheDir, QObject *parent)
    : QObject(parent), d(std::make_shared<Core>())
{
    d->diskDir = diskCacheDir;
    d->thread.setObjectName(QStringLiteral("ImageLoader"));
    d->fetcher = new ImageFetcher(diskCacheDir);
    d->fetcher->moveToThread(&d->thread);
    connect(&d->thread, &QThread::finished, d->fetcher, &QObject::deleteLater);
    d->thread.start();
}

ImageLoader::~ImageLoader() { shutdown(); }

void ImageLoader::shutdown()
{
    {
        QMutexLocker lock(&d->mutex);
        if (!d->fetcher)
            return;
        d->fetcher = nullptr;
    }
    // The fetcher is deleted as the thread finishes; requests still queued
    // for it are dropped, and their futures answer "nothing".
    d->thread.quit();
    d->thread.wait();
}

bool ImageLoader::isFetchable(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}

bool ImageLoader::isValidURL(const QString &url) { return !url.isEmpty() && QUrl(url).isValid(); }

QImage ImageLoader::cached(const QUrl &url) const { return d->cached(keyOf(url)); }

namespace {

QFuture<QImage> loadWith(const std::shared_ptr<ImageLoader::Core> &d, const QUrl &url)
{
    if (!ImageLoader::isFetchable(url))
        return QtFuture::makeReadyFuture(QImage());
    const QString key = keyOf(url);
    QImage hit = d->cached(key);
    if (!hit.isNull())
        return QtFuture::makeReadyFuture(std::move(hit));

    auto pending = std::make_shared<Pending<QImage>>();
    QFuture<QImage> future = pending->future();
    std::weak_ptr<ImageLoader::Core> core = d;
    // When the loader is shut down the job is dropped and the future answers nothing.
    d->post([url, pending, core](ImageFetcher *f) { f->fetch(url, pending, core); });
    return future;
}

void firstFrom(std::shared_ptr<ImageLoader::Core> d, QList<QUrl> urls, qsizetype i, PendingImage result)
{
    if (i >= urls.size()) {
        result->finish();
        return;
    }
    QFuture<QImage> image = loadWith(d, urls[i]);
    image.then(QtFuture::Launch::Sync,
               [d = std::move(d), urls = std::move(urls), i, result = std::move(result)](QImage image) mutable {
                   if (!image.isNull())
                       result->finish(std::move(image));
                   else
                       firstFrom(std::move(d), std::move(urls), i + 1, std::move(result));
               });
}

} // namespace

QFuture<QImage> ImageLoader::load(const QUrl &url) { return loadWith(d, url); }

QFuture<QImage> ImageLoader::first(const QList<QUrl> &urls)
{
    auto result = std::make_shared<Pending<QImage>>();
    QFuture<QImage> future = result->future();
    firstFrom(d, urls, 0, result);
    return future;
}

QList<QUrl> ImageLoader::thumbURLs(const QString &id)
{
    const QString base = thumbOrigin() + QStringLiteral("/vi/") + id + QLatin1Char('/');
    QList<QUrl> urls;
    for (const char *name : {"hq720", "mqdefault"}) {
        const QUrl url(base + QLatin1String(name) + QStringLiteral(".jpg"), QUrl::StrictMode);
        if (url.isValid() && !url.host().isEmpty())
            urls.append(url);
    }
    return urls;
}

bool ImageLoader::hasThumb(const QString &id) const
{
    const QList<QUrl> urls = thumbURLs(id);
    return !urls.isEmpty() && !cached(urls.first()).isNull();
}

QUrl ImageLoader::thumbSource(const QString &id) const
{
    return QUrl(QStringLiteral("image://remote/thumb/") + base64(id.toUtf8()));
}

QUrl ImageLoader::blurredThumbSource(const QString &id, double radius) const
{
    return QUrl(QStringLiteral("image://remote/blurred/") + base64(id.toUtf8()) + QStringLiteral("?radius=")
                + QString::number(radius));
}

QUrl ImageLoader::source(const QString &url, bool circle) const
{
    const QUrl u(url);
    if (!isFetchable(u))
        return {};
    return QUrl(QStringLiteral("image://remote/") + (circle ? QStringLiteral("circle/") : QStringLiteral("url/"))
                + base64(u.toEncoded()));
}

QFuture<void> ImageLoader::clearDisk()
{
    auto pending = std::make_shared<Pending<void>>();
    QFuture<void> future = pending->future();
    d->post([pending](ImageFetcher *f) {
        f->clear();
        pending->finish();
    });
    return future;
}

QString ImageLoader::diskCacheDir() const { return d->diskDir; }
