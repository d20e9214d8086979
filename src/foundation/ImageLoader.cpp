#include "ImageLoader.h"
#include "BackgroundPool.h"
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
#include <QPainter>
#include <QPointer>
#include <QPromise>
#include <QFileInfo>
#include <QQmlEngine>
#include <QStandardPaths>
#include <QThread>
#include <QThreadPool>
#include <QUrlQuery>
#include <algorithm>
#include <cmath>
#include <atomic>
#include <malloc.h>

namespace {

constexpr int kMemoryImages = 400;
// Decoded pixels kept in memory at most. The system evicts on its own under
// memory pressure elsewhere; here a budget stands in for that. What is on
// screen shares its pixels with the views, so the budget is mostly what
// scrolled away: some 17 card-sized thumbnails (five screens of the feed) or
// 100 row-sized ones. More only grows the process as the user scrolls.
constexpr qint64 kMemoryBytes = ImageLoader::memoryBudget;
// The cache counts in slots: a small image takes one, a large one several.
constexpr qint64 kSlotBytes = kMemoryBytes / kMemoryImages;
constexpr qint64 kDiskBytes = 300LL * 1024 * 1024;
// Raw replies also kept in memory, in front of the disk: only the last few,
// for the same picture asked at another size. Far below the 40 MiB a phone's
// URL cache may take (and give back under pressure): the decoded pictures
// stand in front of it, the disk is read off the GUI thread, and every
// full-size reply kept here is memory the scrolled-away cards still hold.
constexpr qint64 kRawMemoryBytes = 2LL * 1024 * 1024;
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

QString keyOf(const QUrl &url) { return QString::fromLatin1(url.toEncoded()); }

// Each size a picture is decoded at is kept apart; the full size under the bare address.
QString keyOf(const QUrl &url, const QSize &size)
{
    if (size.width() <= 0 && size.height() <= 0)
        return keyOf(url);
    return keyOf(url) + QStringLiteral(" @%1x%2").arg(size.width()).arg(size.height());
}

QString keyOf(const QUrl &url, const QSize &size, const QString &look)
{
    return look.isEmpty() ? keyOf(url, size) : keyOf(url, size) + QLatin1Char(' ') + look;
}

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

// The size that fills `box` (a side of 0 is free), never larger than `source`.
QSize filling(const QSize &source, const QSize &box)
{
    const int w = box.width(), h = box.height();
    if (source.isEmpty() || (w <= 0 && h <= 0))
        return source;
    QSize out = source;
    if (w > 0 && h > 0)
        out = source.scaled(box, Qt::KeepAspectRatioByExpanding);
    else if (w > 0)
        out = QSize(w, qMax(1, qRound(double(source.height()) * w / source.width())));
    else
        out = QSize(qMax(1, qRound(double(source.width()) * h / source.height())), h);
    return out.width() < source.width() ? out : source;
}

// Decoded straight at the size asked for (JPEG scales while decoding), so a
// card never holds the pixels of a full-size picture.
QImage decodeImage(QByteArray bytes, const QSize &size)
{
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QSize source = reader.size();
    if (source.isValid() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        source.transpose();
    const QSize target = filling(source, size);
    if (target != source && target.isValid()) {
        QSize scaled = target;
        if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
            scaled.transpose();
        reader.setScaledSize(scaled);
    }
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

namespace {

// One request for the first picture of a list of addresses. Whatever holds it
// (a queued job, a reply, a decode) keeps it alive; once nobody does, an
// unanswered request answers "nothing", so no one waits for ever.
class Job : public ImageLoader::Request, public std::enable_shared_from_this<Job>
{
public:
    Job(QList<QUrl> urls, QSize size, ImageLoader::Look look, ImageLoader::Done done,
        std::weak_ptr<ImageLoader::Core> core)
        : urls(std::move(urls)), size(size), look(std::move(look)), core(std::move(core)), m_done(std::move(done))
    {
    }
    ~Job() override { finish({}); }

    void cancel() override;

    bool cancelled() const
    {
        QMutexLocker lock(&m_mutex);
        return m_cancelled;
    }
    void finish(QImage image)
    {
        ImageLoader::Done done;
        {
            QMutexLocker lock(&m_mutex);
            done = std::exchange(m_done, nullptr);
        }
        if (done)
            done(std::move(image));
    }
    // The transfer now running for this request (on the fetcher's thread).
    void setReply(QNetworkReply *reply)
    {
        QMutexLocker lock(&m_mutex);
        m_reply = reply;
    }

    const QList<QUrl> urls;
    const QSize size;
    const ImageLoader::Look look;
    QString key(const QUrl &url) const { return keyOf(url, size, look.name); }
    const std::weak_ptr<ImageLoader::Core> core;
    qsizetype next = 0; // touched by one step at a time

private:
    mutable QMutex m_mutex;
    ImageLoader::Done m_done;
    bool m_cancelled = false;
    QPointer<QNetworkReply> m_reply;
};
using JobRef = std::shared_ptr<Job>;

} // namespace

struct ImageLoader::Core : std::enable_shared_from_this<ImageLoader::Core>
{
    QString diskDir;
    mutable QMutex mutex;
    mutable QCache<QString, QImage> memory{kMemoryImages};
    std::atomic<qsizetype> pending{0};
    std::atomic<qint64> rawBytes{0};
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
    // Tries the request's next address: from memory at once, else on the fetcher.
    void step(const JobRef &job);
};

// Owns the network access and the disk cache, on the loader's own thread, so
// neither the requests nor the cache's file reads touch the caller's thread.
class ImageFetcher : public QObject
{
public:
    ImageFetcher(QString diskDir, std::weak_ptr<ImageLoader::Core> core)
        : m_diskDir(std::move(diskDir)), m_core(std::move(core))
    {
    }

    // Stored data first (memory, then disk), whatever its age; the network
    // only when nothing is stored. A request given up while it waited in the
    // queue costs nothing more.
    void fetch(const JobRef &job)
    {
        if (job->cancelled())
            return;
        nam();
        const QUrl url = job->urls[job->next];
        if (const QByteArray *bytes = m_raw.object(keyOf(url)))
            decode(*bytes, true, job);
        else if (std::optional<QByteArray> stored = this->stored(url))
            decode(keep(url, std::move(*stored)), true, job);
        else
            fetchNetwork(job);
    }

    void fetchNetwork(const JobRef &job)
    {
        if (job->cancelled())
            return;
        const QUrl url = job->urls[job->next];
        QNetworkReply *reply = nam()->get(QNetworkRequest(url));
        job->setReply(reply);
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
            if (received > kMaxReplyBytes)
                reply->abort();
        });
        connect(reply, &QNetworkReply::finished, this, [=, this] {
            reply->deleteLater();
            job->setReply(nullptr);
            if (job->cancelled())
                return;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError || status != 200) {
                failed(job);
                return;
            }
            decode(keep(url, reply->readAll()), false, job);
        });
    }

    void forget(const QUrl &url)
    {
        nam();
        m_raw.remove(keyOf(url));
        counted();
        m_disk->remove(url);
    }

    void clear()
    {
        nam();
        m_disk->clear();
        ensureFolder();
    }

private:
    // The next address, or "nothing" after the last.
    static void failed(const JobRef &job)
    {
        ++job->next;
        if (const std::shared_ptr<ImageLoader::Core> c = job->core.lock())
            c->step(job);
    }

    QByteArray keep(const QUrl &url, QByteArray bytes)
    {
        m_raw.insert(keyOf(url), new QByteArray(bytes), bytes.size());
        counted();
        return bytes;
    }

    void counted()
    {
        if (const std::shared_ptr<ImageLoader::Core> c = m_core.lock())
            c->rawBytes = m_raw.totalCost();
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
        ensureFolder();
        return m_nam;
    }

    // Clearing the caches folder removes ours under the disk cache, which
    // never makes its folders again by itself: every later reply would fail
    // to be stored. Lay them out anew whenever they are gone.
    void ensureFolder()
    {
        if (!QFileInfo::exists(m_diskDir + QStringLiteral("/prepared")))
            m_disk->setCacheDirectory(m_diskDir);
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

    static void decode(QByteArray bytes, bool fromDisk, JobRef job)
    {
        backgroundPool()->start([bytes = std::move(bytes), fromDisk, job = std::move(job)] {
            if (job->cancelled())
                return;
            const QUrl url = job->urls[job->next];
            QImage image = decodeImage(bytes, job->size);
            if (!image.isNull() && job->look.make)
                image = job->look.make(image, job->size);
            const std::shared_ptr<ImageLoader::Core> c = job->core.lock();
            if (!image.isNull()) {
                if (c)
                    c->remember(job->key(url), image);
                job->finish(image);
                return;
            }
            // Bytes that are no picture leave the disk cache: a damaged entry is
            // fetched anew, a bad reply is asked for again next time.
            if (c)
                c->post([url, fromDisk, job](ImageFetcher *f) {
                    f->forget(url);
                    if (fromDisk)
                        f->fetchNetwork(job);
                    else
                        failed(job);
                });
        });
    }

    QString m_diskDir;
    const std::weak_ptr<ImageLoader::Core> m_core;
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

void ImageLoader::Core::step(const JobRef &job)
{
    while (job->next < job->urls.size()) {
        if (job->cancelled())
            return;
        const QUrl &url = job->urls[job->next];
        if (!ImageLoader::isFetchable(url)) {
            ++job->next;
            continue;
        }
        QImage hit = cached(job->key(url));
        if (!hit.isNull()) {
            job->finish(std::move(hit));
            return;
        }
        // Once shut down the job is dropped here and answers nothing.
        post([job](ImageFetcher *f) { f->fetch(job); });
        return;
    }
    job->finish({});
}

void Job::cancel()
{
    ImageLoader::Done done;
    QPointer<QNetworkReply> reply;
    {
        QMutexLocker lock(&m_mutex);
        m_cancelled = true;
        done = std::exchange(m_done, nullptr);
        reply = m_reply;
    }
    // Released here, on the canceller's thread, with whatever it holds.
    done = nullptr;
    if (reply) {
        if (const std::shared_ptr<ImageLoader::Core> c = core.lock())
            c->post([reply](ImageFetcher *) {
                if (reply)
                    reply->abort();
            });
    }
}

ImageLoader &ImageLoader::shared()
{
    static ImageLoader *loader = [] {
        tuneAllocator();
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

void ImageLoader::tuneAllocator()
{
    // glibc gives each thread that allocates a heap of its own, up to eight
    // per core. Decoding, network and QML threads come and go while a list
    // scrolls; each heap keeps what its threads freed, and together they held
    // more than the pictures did. A few heaps shared by every thread reuse
    // each other's free space. glibc settles this limit once its ninth heap
    // exists, hence first thing in main.
    mallopt(M_ARENA_MAX, 4);
}

void ImageLoader::mapLargeBlocks()
{
    // Pictures are large blocks, made on decoding threads and freed on
    // the GUI thread. Served from the heap they stay with the process once
    // freed (glibc raises its mmap threshold after the first frees);
    // mapped, they go back to the system as soon as a view lets go. Not
    // before the first frame: start-up makes many large blocks, and mapping
    // each one costs it a fifth of its time.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
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
    d->fetcher = new ImageFetcher(diskCacheDir, d);
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
    // for it are dropped, and they answer "nothing".
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

QImage ImageLoader::cached(const QUrl &url, const QSize &size, const QString &look) const
{
    return d->cached(keyOf(url, size, look));
}

qsizetype ImageLoader::cachedCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->memory.count();
}

qint64 ImageLoader::cachedBytes() const
{
    QMutexLocker lock(&d->mutex);
    qint64 total = 0;
    for (const QString &key : d->memory.keys())
        total += d->memory.object(key)->sizeInBytes();
    return total;
}

qsizetype ImageLoader::pendingCount() const { return d->pending.load(); }

qint64 ImageLoader::cachedRawBytes() const { return d->rawBytes.load(); }

std::shared_ptr<ImageLoader::Request> ImageLoader::request(const QList<QUrl> &urls, const QSize &size, Done done,
                                                           Look look)
{
    ++d->pending;
    // Counted until answered or given up, whichever comes first.
    auto answered = std::make_shared<std::atomic_bool>(false);
    auto uncount = [answered, core = std::weak_ptr<Core>(d)] {
        if (!answered->exchange(true))
            if (auto c = core.lock())
                --c->pending;
    };
    auto job = std::make_shared<Job>(
        urls, size, std::move(look),
        [uncount, done = std::move(done)](QImage image) {
            uncount();
            done(std::move(image));
        },
        d);
    struct Handle : Request
    {
        JobRef job;
        std::function<void()> uncount;
        void cancel() override
        {
            uncount();
            job->cancel();
        }
    };
    auto handle = std::make_shared<Handle>();
    handle->job = job;
    handle->uncount = uncount;
    d->step(job);
    return handle;
}

QFuture<QImage> ImageLoader::load(const QUrl &url, const QSize &size) { return first({url}, size); }

QFuture<QImage> ImageLoader::first(const QList<QUrl> &urls, const QSize &size)
{
    auto pending = std::make_shared<Pending<QImage>>();
    QFuture<QImage> future = pending->future();
    request(urls, size, [pending](QImage image) { pending->finish(std::move(image)); });
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

namespace {
// Colours in an address: "aarrggbb", without the '#' that would end its query.
QString colourText(const QColor &c)
{
    return c.name(QColor::HexArgb).mid(1);
}

bool isOpaque(const QColor &c)
{
    return c.isValid() && c.alpha() == 255;
}

bool isShadowed(const ImageLoader::Frame &frame)
{
    return isOpaque(frame.backdrop) && frame.shadow.isValid() && frame.shadowDrop > 0;
}
} // namespace

bool ImageLoader::hasThumb(const QString &id, const QSize &size, double radius, const QColor &backdrop,
                           const QColor &shadow, double shadowDrop) const
{
    const QList<QUrl> urls = thumbURLs(id);
    const QString look = radius > 0 ? roundedName(Frame{radius, backdrop, shadow, shadowDrop}) : QString();
    return !urls.isEmpty() && !cached(urls.first(), size, look).isNull();
}

QUrl ImageLoader::thumbSource(const QString &id, double radius, const QColor &backdrop, const QColor &shadow,
                              double shadowDrop) const
{
    QString source = QStringLiteral("image://remote/thumb/") + base64(id.toUtf8());
    if (radius > 0) {
        source += QStringLiteral("?radius=") + QString::number(radius);
        if (isOpaque(backdrop)) {
            source += QStringLiteral("&backdrop=") + colourText(backdrop);
            if (isShadowed(Frame{radius, backdrop, shadow, shadowDrop}))
                source += QStringLiteral("&shadow=") + colourText(shadow) + QStringLiteral("&drop=")
                          + QString::number(shadowDrop);
        }
    }
    return QUrl(source);
}

ImageLoader::Frame ImageLoader::frameOf(const QString &query)
{
    const QUrlQuery q(query);
    auto number = [&](const QString &key) {
        const double v = q.queryItemValue(key).toDouble();
        return std::isfinite(v) && v > 0 ? v : 0.0;
    };
    auto colour = [&](const QString &key) {
        const QString text = q.queryItemValue(key);
        return text.isEmpty() ? QColor() : QColor(QLatin1Char('#') + text);
    };
    return {number(QStringLiteral("radius")), colour(QStringLiteral("backdrop")), colour(QStringLiteral("shadow")),
            number(QStringLiteral("drop"))};
}

QString ImageLoader::roundedName(const Frame &frame)
{
    QString name = QStringLiteral("rounded %1").arg(frame.radius);
    if (isOpaque(frame.backdrop))
        name += QLatin1Char(' ') + colourText(frame.backdrop);
    if (isShadowed(frame))
        name += QLatin1Char(' ') + colourText(frame.shadow) + QLatin1Char(' ') + QString::number(frame.shadowDrop);
    return name;
}

ImageLoader::Look ImageLoader::rounded(const Frame &frame)
{
    const bool opaque = isOpaque(frame.backdrop);
    const bool shadowed = isShadowed(frame);
    return {roundedName(frame), [frame, opaque, shadowed](const QImage &image, const QSize &size) {
                // Exactly the frame's size, so the view crops nothing off the corners.
                const QImage picture = cropped(image, size);
                QImage out(picture.size(), opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
                out.fill(opaque ? frame.backdrop : QColor(Qt::transparent));
                QPainter p(&out);
                p.setRenderHint(QPainter::Antialiasing);
                p.setPen(Qt::NoPen);
                const double r = std::min(frame.radius, std::min(out.width(), out.height()) / 2.0);
                if (shadowed) {
                    p.setBrush(frame.shadow);
                    p.drawRoundedRect(QRectF(out.rect()).translated(0, frame.shadowDrop), r, r);
                }
                p.setBrush(picture);
                p.drawRoundedRect(QRectF(out.rect()), r, r);
                return out;
            }};
}

QImage ImageLoader::cropped(const QImage &image, const QSize &size)
{
    if (size.width() <= 0 || size.height() <= 0 || image.size() == size)
        return image;
    const QImage scaled = image.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2, size.width(),
                       size.height());
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
