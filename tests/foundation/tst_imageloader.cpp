#include "BuildConfig.h"
#include "DiskCache.h"
#include "ImageLoader.h"
#include "SamplePictures.h"
#include "RemoteImageProvider.h"
#include "TestDirs.h"
#include <QBuffer>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QNetworkCacheMetaData>
#include <QNetworkDiskCache>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QDir>
#include <QSemaphore>
#include <QTest>
#include <httplib.h>
#include <malloc.h>
#include <map>
#include <mutex>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <thread>

namespace {

QByteArray encoded(const QImage &image, const char *format);

QByteArray encoded(const QSize &size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    return encoded(image, format);
}
QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray photograph()
{
    static const QByteArray bytes = photographJpeg();
    return bytes;
}

// What one path answers.
struct Reply
{
    int status = 200;
    QByteArray body;
    std::string type = "image/png";
    std::multimap<std::string, std::string> headers;
    // Kept back until release(path): the answer comes after whatever the
    // test does first, however slow the machine.
    bool held = false;
};

Reply image(QSize size = {64, 36}, const char *format = "PNG")
{
    return {200, encoded(size, format), std::string(format) == "PNG" ? "image/png" : "image/jpeg", {}};
}

// A tiny image host on a free local port; every path answers 404 unless set.
class ImageHost
{
public:
    ImageHost()
    {
        m_server.set_keep_alive_max_count(1); // lets stop() return at once
        m_server.Get(".*", [this](const httplib::Request &req, httplib::Response &res) {
            std::unique_lock g(m_lock);
            ++m_hits[req.path];
            if (!m_replies.contains(req.path)) {
                res.status = 404;
                ++m_served[req.path];
                return;
            }
            m_released.wait(g, [&] { return !m_replies[req.path].held || m_stopping; });
            const Reply r = m_replies[req.path];
            res.status = r.status;
            for (const auto &[k, v] : r.headers)
                res.set_header(k.c_str(), v);
            res.set_content(r.body.toStdString(), r.type.c_str());
            ++m_served[req.path];
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~ImageHost()
    {
        {
            std::lock_guard g(m_lock);
            m_stopping = true;
        }
        m_released.notify_all();
        m_server.stop();
        m_thread.join();
    }

    void set(const std::string &path, Reply reply)
    {
        std::lock_guard g(m_lock);
        m_replies[path] = std::move(reply);
    }
    int hits(const std::string &path)
    {
        std::lock_guard g(m_lock);
        return m_hits[path];
    }
    // The held reply of `path` goes out now, and later ones at once.
    void release(const std::string &path)
    {
        {
            std::lock_guard g(m_lock);
            m_replies[path].held = false;
        }
        m_released.notify_all();
    }
    // Every request of `path` that reached the host has its answer.
    bool settled(const std::string &path)
    {
        std::lock_guard g(m_lock);
        return m_served[path] == m_hits[path];
    }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QUrl url(const std::string &path) const { return QUrl(origin() + QString::fromStdString(path)); }
    int port() const { return m_port; }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_lock;
    std::condition_variable m_released;
    bool m_stopping = false;
    std::map<std::string, Reply> m_replies;
    std::map<std::string, int> m_hits;
    std::map<std::string, int> m_served;
};

QImage wait(QFuture<QImage> future)
{
    (void)TestTime::waitFor([&] { return future.isFinished(); }, 15000);
    return future.isFinished() ? future.result() : QImage();
}

QString b64(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// A PNG header that claims 60000 × 60000 pixels.
const QByteArray kHugePng = QByteArray::fromBase64(
    "iVBORw0KGgoAAAANSUhEUgAA6mAAAOpgCAYAAACA0nVCAAAADElEQVR4nGNgoAwAAABAAAG3NHzvAAAAAElFTkSuQmCC");

} // namespace

class TestImageLoader : public QObject
{
    Q_OBJECT

    std::unique_ptr<ImageHost> m_host;
    std::unique_ptr<QTemporaryDir> m_disk;
    int m_path = 0;

    // A fresh path per use, so the loaders' caches never carry over between rows.
    std::string fresh(const char *stem) { return "/" + std::string(stem) + "/" + std::to_string(++m_path); }
    QString diskDir() const { return m_disk->path(); }

    // Lets the held replies of `paths` go and waits until the host has sent
    // them, then a moment more: an answer that got through lands by then.
    bool answerHeld(const QList<std::string> &paths)
    {
        for (const std::string &path : paths)
            m_host->release(path);
        const bool sent = TestTime::waitFor([&] {
            return std::all_of(paths.begin(), paths.end(), [&](const std::string &p) { return m_host->settled(p); });
        }, 15000);
        QTest::qWait(300);
        return sent;
    }

private slots:
    void initTestCase()
    {
        TestDirs::isolate();
        m_host = std::make_unique<ImageHost>();
        QVERIFY(m_host->port() > 0);
        qputenv("NIMBELORA_BACKEND_URL", m_host->origin().toUtf8());
    }
    void init() { m_disk = std::make_unique<QTemporaryDir>(); }
    void cleanupTestCase() { m_host.reset(); }

    // The fallback test below uses the addresses; here the rest of their rules.
    void thumbnailAddresses()
    {
        // An id that makes no valid address gives none.
        QVERIFY(ImageLoader::thumbURLs(QStringLiteral("a b")).isEmpty());
        if (qstrlen(BuildConfig::thumbOrigin) > 0)
            QSKIP("this build names its own thumbnail host");
        // The host follows the backend override, read anew each time.
        qputenv("NIMBELORA_BACKEND_URL", "http://127.0.0.1:9/");
        const QUrl url = ImageLoader::thumbURLs(QStringLiteral("x")).value(0);
        qputenv("NIMBELORA_BACKEND_URL", m_host->origin().toUtf8());
        QCOMPARE(url.toString(), QStringLiteral("http://127.0.0.1:9/vi/x/hq720.jpg"));
    }

    void thumbnailFallback_data()
    {
        QTest::addColumn<int>("largeStatus");
        QTest::addColumn<bool>("largeIsImage");
        QTest::addColumn<int>("mediumStatus");
        QTest::addColumn<int>("expectedWidth"); // 64 large, 32 medium, 0 none
        QTest::addColumn<int>("mediumHits");

        QTest::newRow("large loads") << 200 << true << 200 << 64 << 0;
        QTest::newRow("large 404, medium loads") << 404 << true << 200 << 32 << 1;
        QTest::newRow("large 206 with image bytes") << 206 << true << 200 << 32 << 1;
        QTest::newRow("large not an image") << 200 << false << 200 << 32 << 1;
        QTest::newRow("both 404") << 404 << true << 404 << 0 << 1;
        QTest::newRow("medium 206") << 404 << true << 206 << 0 << 1;
    }
    void thumbnailFallback()
    {
        if (qstrlen(BuildConfig::thumbOrigin) > 0)
            QSKIP("this build names its own thumbnail host");
        QFETCH(int, largeStatus);
        QFETCH(bool, largeIsImage);
        QFETCH(int, mediumStatus);
        QFETCH(int, expectedWidth);
        QFETCH(int, mediumHits);

        const std::string id = "vid" + std::to_string(++m_path);
        const std::string large = "/vi/" + id + "/hq720.jpg", medium = "/vi/" + id + "/mqdefault.jpg";
        Reply l = image({64, 36}, "JPG");
        l.status = largeStatus;
        if (!largeIsImage)
            l.body = "<html>no</html>";
        Reply m = image({32, 18}, "JPG");
        m.status = mediumStatus;
        m_host->set(large, l);
        m_host->set(medium, m);

        ImageLoader loader(diskDir());
        const QImage got = wait(loader.first(ImageLoader::thumbURLs(QString::fromStdString(id))));
        QCOMPARE(got.width(), expectedWidth);
        QCOMPARE(m_host->hits(large), 1);
        QCOMPARE(m_host->hits(medium), mediumHits);
        // The picture is kept under its own address only.
        QCOMPARE(loader.hasThumb(QString::fromStdString(id)), expectedWidth == 64);
    }

    void secondLoadComesFromMemory()
    {
        const std::string path = fresh("mem");
        m_host->set(path, image());
        ImageLoader loader(diskDir());
        QCOMPARE(wait(loader.load(m_host->url(path))).size(), QSize(64, 36));

        QFuture<QImage> again = loader.load(m_host->url(path));
        QVERIFY(again.isFinished()); // no round trip at all
        QCOMPARE(again.result().size(), QSize(64, 36));
        QCOMPARE(m_host->hits(path), 1);
        // Decoded ready for drawing.
        QCOMPARE(loader.cached(m_host->url(path)).format(), QImage::Format_RGB32);
    }

    // Qt's painter splits large fills over its global pool and waits for
    // them: pictures decode elsewhere, so a busy global pool holds up no
    // picture and no decoding holds up a frame.
    void decodingLeavesQtsPoolAlone()
    {
        const std::string path = fresh("apart");
        m_host->set(path, image());
        QThreadPool *global = QThreadPool::globalInstance();
        QSemaphore held;
        const int busy = global->maxThreadCount();
        for (int i = 0; i < busy; ++i)
            global->start([&held] { held.acquire(); });
        ImageLoader loader(diskDir());
        QFuture<QImage> picture = loader.load(m_host->url(path));
        const bool decoded = TestTime::waitFor([&] { return picture.isFinished(); }, 15000);
        held.release(busy);
        global->waitForDone();
        QVERIFY(decoded);
        QCOMPARE(picture.result().size(), QSize(64, 36));
    }

    // 401 tiny images pass the count; 50 of 640 × 360 × 4 bytes pass the pixel budget.
    void memoryCaps_data()
    {
        QTest::addColumn<int>("images");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("atLeastKept");
        QTest::newRow("400 images") << 401 << QSize(4, 4) << 400;
        QTest::newRow("pixel budget") << 50 << QSize(640, 360)
                                      << int(ImageLoader::memoryBudget / (640 * 360 * 4)) * 4 / 5;
    }
    void memoryCaps()
    {
        QFETCH(int, images);
        QFETCH(QSize, size);
        QFETCH(int, atLeastKept);
        ImageLoader loader(diskDir());
        const Reply reply = image(size);
        QList<QUrl> urls;
        for (int i = 0; i < images; ++i) {
            const std::string path = fresh("cap");
            m_host->set(path, reply);
            urls.append(m_host->url(path));
        }
        // The first is stored before the others start, so it is the oldest;
        // the last after all of them, so it is the newest.
        QVERIFY(!wait(loader.load(urls.first())).isNull());
        QList<QFuture<QImage>> loads;
        for (qsizetype i = 1; i < urls.size() - 1; ++i)
            loads.append(loader.load(urls[i]));
        for (const auto &f : loads)
            QVERIFY(!wait(f).isNull());
        QVERIFY(!wait(loader.load(urls.last())).isNull());

        QVERIFY(loader.cached(urls.first()).isNull());
        QVERIFY(!loader.cached(urls.last()).isNull());
        qint64 kept = 0;
        for (const QUrl &url : urls)
            kept += !loader.cached(url).isNull();
        QVERIFY(kept >= atLeastKept);
        QVERIFY(kept * size.width() * size.height() * 4 <= ImageLoader::memoryBudget);
        QVERIFY(loader.cachedBytes() <= ImageLoader::memoryBudget);
        QVERIFY(loader.cachedCount() <= 400);
    }

    // Stored replies are used whatever their age; what another run left
    // there that is no good reply (a damaged body, a stored failure) is
    // fetched anew and replaced.
    void diskCache_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("storedStatus"); // 0: nothing stored before
        QTest::addColumn<QByteArray>("storedBody");
        QTest::newRow("no cache headers") << QString() << QString() << 0 << QByteArray();
        QTest::newRow("expired") << "Expires" << "Thu, 01 Jan 1970 00:00:00 GMT" << 0 << QByteArray();
        QTest::newRow("must revalidate") << "Cache-Control" << "max-age=0, must-revalidate" << 0 << QByteArray();
        QTest::newRow("stored 200 that is no picture") << QString() << QString() << 200 << QByteArray("garbage");
        QTest::newRow("stored 404 with picture bytes") << QString() << QString() << 404 << encoded({8, 8}, "PNG");
    }
    void diskCache()
    {
        QFETCH(QString, header);
        QFETCH(QString, value);
        QFETCH(int, storedStatus);
        QFETCH(QByteArray, storedBody);
        const std::string path = fresh("disk");
        Reply r = image();
        if (!header.isEmpty())
            r.headers.emplace(header.toStdString(), value.toStdString());
        m_host->set(path, r);
        if (storedStatus) {
            QNetworkDiskCache disk;
            disk.setCacheDirectory(diskDir());
            QNetworkCacheMetaData meta;
            meta.setUrl(m_host->url(path));
            meta.setSaveToDisk(true);
            meta.setAttributes({{QNetworkRequest::HttpStatusCodeAttribute, storedStatus}});
            QIODevice *device = disk.prepare(meta);
            QVERIFY(device);
            device->write(storedBody);
            disk.insert(device);
        }
        {
            ImageLoader first(diskDir());
            QCOMPARE(wait(first.load(m_host->url(path))).size(), QSize(64, 36));
        }
        // A new loader has an empty memory but the same disk cache.
        ImageLoader second(diskDir());
        QCOMPARE(wait(second.load(m_host->url(path))).size(), QSize(64, 36));
        QCOMPARE(m_host->hits(path), 1);
    }

    void onlyHttpAddressesAreFetched_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("file") << "file:///etc/hostname";
        QTest::newRow("resource") << ":/symbols/play.fill.svg";
        QTest::newRow("data") << "data:image/png;base64," + QString::fromLatin1(encoded({2, 2}, "PNG").toBase64());
        QTest::newRow("ftp") << "ftp://127.0.0.1/x.png";
        QTest::newRow("image provider") << "image://remote/url/aGVsbG8";
        QTest::newRow("no host") << "http:///x.png";
        QTest::newRow("scheme-relative") << "//127.0.0.1/x.png";
        QTest::newRow("empty") << "";
    }
    void onlyHttpAddressesAreFetched()
    {
        QFETCH(QString, url);
        ImageLoader loader(diskDir());
        QFuture<QImage> f = loader.load(QUrl(url));
        QVERIFY(f.isFinished());
        QVERIFY(f.result().isNull());
        QVERIFY(loader.source(url).isEmpty());
        QVERIFY(loader.source(url, true).isEmpty());
    }

    void replyRules_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("loads");

        const QByteArray png = encoded({8, 8}, "PNG");
        QTest::newRow("200 png") << 200 << png << true;
        QTest::newRow("200 jpeg") << 200 << encoded({8, 8}, "JPG") << true;
        QTest::newRow("206 png") << 206 << png << false;
        QTest::newRow("404 png") << 404 << png << false;
        QTest::newRow("200 text") << 200 << QByteArray("not a picture") << false;
        QTest::newRow("200 cut short") << 200 << png.left(png.size() / 2) << false;
        QTest::newRow("200 huge dimensions") << 200 << kHugePng << false;
        QTest::newRow("302 to a local file") << 302 << QByteArray() << false;
    }
    void replyRules()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, loads);
        const std::string path = fresh("rule");
        Reply reply{status, body, "image/png", {}};
        if (status == 302) // a redirect must not reach local files
            reply.headers.emplace("Location", "file:///etc/hostname");
        m_host->set(path, reply);
        ImageLoader loader(diskDir());
        QCOMPARE(!wait(loader.load(m_host->url(path))).isNull(), loads);
        if (loads)
            return;
        // A failure is asked again next time, by the same loader and by a
        // fresh one on the same disk; a later good reply then loads.
        QVERIFY(wait(loader.load(m_host->url(path))).isNull());
        ImageLoader other(diskDir());
        QVERIFY(wait(other.load(m_host->url(path))).isNull());
        QCOMPARE(m_host->hits(path), 3);
        m_host->set(path, image());
        QVERIFY(!wait(loader.load(m_host->url(path))).isNull());
    }

    // Raw replies stay in memory too, after the decoded copy has left (400 newer).
    void rawRepliesStayInMemory()
    {
        ImageLoader loader(diskDir());
        QList<QUrl> urls;
        for (int i = 0; i <= 400; ++i) {
            const std::string path = fresh("raw");
            m_host->set(path, image({4, 4}));
            urls << m_host->url(path);
            QVERIFY(!wait(loader.load(urls.last())).isNull());
        }
        QVERIFY(loader.cached(urls.first()).isNull());
        QVERIFY(QDir(diskDir()).removeRecursively());
        QVERIFY(!wait(loader.load(urls.first())).isNull());
        QCOMPARE(m_host->hits(urls.first().path().toStdString()), 1);
    }

    void clearAllKeepsDecodedImagesButEmptiesTheDisk()
    {
        const std::string path = fresh("clear");
        m_host->set(path, image());
        ImageLoader &shared = ImageLoader::shared();
        QVERIFY(!wait(shared.load(m_host->url(path))).isNull());

        DiskCache::clearAll().waitForFinished();

        // Still in memory: no new request.
        QVERIFY(!wait(shared.load(m_host->url(path))).isNull());
        QCOMPARE(m_host->hits(path), 1);
        // Gone from the disk: a loader with an empty memory asks the network again.
        ImageLoader fresh(shared.diskCacheDir());
        QVERIFY(!wait(fresh.load(m_host->url(path))).isNull());
        QCOMPARE(m_host->hits(path), 2);
    }

    // A picture asked for at the size it is shown fills that size and no
    // more; each size is kept apart, and the full size only when asked for.
    void decodedAtTheSizeShown_data()
    {
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("card") << QSize(400, 225) << QSize(400, 225);
        QTest::newRow("square frame: covered") << QSize(100, 100) << QSize(177, 100);
        QTest::newRow("width only") << QSize(640, 0) << QSize(640, 360);
        QTest::newRow("height only") << QSize(0, 90) << QSize(160, 90);
        QTest::newRow("full size") << QSize() << QSize(1280, 720);
        QTest::newRow("never enlarged") << QSize(2560, 1440) << QSize(1280, 720);
    }
    void decodedAtTheSizeShown()
    {
        QFETCH(QSize, asked);
        QFETCH(QSize, expected);
        const std::string path = fresh("sized");
        m_host->set(path, image({1280, 720}, "JPG"));
        ImageLoader loader(diskDir());
        QCOMPARE(wait(loader.load(m_host->url(path), asked)).size(), expected);
        QCOMPARE(loader.cached(m_host->url(path), asked).size(), expected);
        QCOMPARE(loader.cached(m_host->url(path)).isNull(), asked.isValid());
        QCOMPARE(loader.cachedBytes(), qint64(expected.width()) * expected.height() * 4);
    }

    // Many card-sized thumbnails of full-size pictures: what stays in memory
    // is small pictures, within the budget and the count.
    void manyThumbnailsStayWithinTheCap()
    {
        ImageLoader loader(diskDir());
        const Reply big = image({1280, 720}, "JPG");
        const QSize card(398, 224);
        for (int i = 0; i < 450; ++i) {
            const std::string id = "cap" + std::to_string(++m_path);
            m_host->set("/vi/" + id + "/hq720.jpg", big);
            QVERIFY(!wait(loader.first(ImageLoader::thumbURLs(QString::fromStdString(id)), card)).isNull());
        }
        QVERIFY(loader.cachedCount() <= 400);
        QVERIFY(loader.cachedBytes() <= ImageLoader::memoryBudget);
        // Every one of them was card-sized, so the budget is what limits.
        QVERIFY(loader.cachedBytes() > ImageLoader::memoryBudget / 2);
        QCOMPARE(loader.pendingCount(), 0);
    }

    // Scrolling a long list of cards or rows: what the loader keeps of the
    // pictures that scrolled away (decoded and raw) stays within a few
    // screens' worth of pixels, and stops growing however far the list goes.
    void scrollingKeepsAFewScreens_data()
    {
        QTest::addColumn<QSize>("shown");
        QTest::newRow("feed card") << QSize(398, 224);
        QTest::newRow("list row") << QSize(150, 85);
    }
    void scrollingKeepsAFewScreens()
    {
        QFETCH(QSize, shown);
        ImageLoader loader(diskDir());
        const Reply reply{200, photograph(), "image/jpeg", {}};
        auto scroll = [&](int count) {
            int failed = 0;
            for (int i = 0; i < count; ++i) {
                const std::string id = "scroll" + std::to_string(++m_path);
                m_host->set("/vi/" + id + "/hq720.jpg", reply);
                failed += wait(loader.first(ImageLoader::thumbURLs(QString::fromStdString(id)), shown)).isNull();
            }
            return failed;
        };
        auto held = [&] { return loader.cachedBytes() + loader.cachedRawBytes(); };
        QCOMPARE(scroll(150), 0);
        const qint64 halfway = held();
        QCOMPARE(scroll(150), 0);
        const qint64 window = 430LL * 932 * 4;
        QVERIFY2(held() <= 6 * window, qPrintable(QStringLiteral("%1 bytes held").arg(held())));
        QVERIFY(held() <= halfway + halfway / 10);
        QVERIFY(loader.cachedRawBytes() > 0);
        QCOMPARE(loader.pendingCount(), 0);
    }

    // Threads that allocate at once (decoding, network and QML threads while
    // a list scrolls) share a few heaps instead of keeping one each.
    void threadsShareAFewHeaps()
    {
        constexpr int count = 32;
        std::atomic<int> allocated{0};
        std::atomic<bool> done{false};
        std::vector<std::thread> threads;
        for (int i = 0; i < count; ++i)
            threads.emplace_back([&] {
                std::vector<void *> blocks;
                for (int k = 0; k < 200; ++k)
                    blocks.push_back(std::malloc(64 + k));
                // Everyone holds on until all have allocated, so no heap is
                // handed on by a thread that ended.
                ++allocated;
                while (!done)
                    std::this_thread::yield();
                for (void *b : blocks)
                    std::free(b);
            });
        QVERIFY(TestTime::waitFor([&] { return allocated == count; }, 15000));
        char *text = nullptr;
        size_t size = 0;
        FILE *out = open_memstream(&text, &size);
        malloc_info(0, out);
        std::fclose(out);
        const QByteArray info(text, qsizetype(size));
        std::free(text);
        done = true;
        for (std::thread &t : threads)
            t.join();
        // One entry per heap, then the totals.
        QVERIFY2(info.count("<heap nr=") <= 4, qPrintable(QStringLiteral("%1 heaps").arg(info.count("<heap nr="))));
    }

    // A request given up lets go of its callback at once, whether it waits in
    // the queue or its transfer is on the way, and never answers.
    void cancelledRequestsAreReleased_data()
    {
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("underWay");
        QTest::newRow("one, at once") << 1 << false;
        QTest::newRow("one, transfer under way") << 1 << true;
        QTest::newRow("a screenful scrolled past") << 40 << false;
    }
    void cancelledRequestsAreReleased()
    {
        QFETCH(int, requests);
        QFETCH(bool, underWay);
        ImageLoader loader(diskDir());
        auto holder = std::make_shared<int>(0); // stands for a response and its picture
        std::weak_ptr<int> held = holder;
        std::atomic_int answered{0};
        QList<std::shared_ptr<ImageLoader::Request>> handles;
        QList<std::string> paths;
        Reply r = image({1280, 720}, "JPG");
        r.held = true;
        for (int i = 0; i < requests; ++i) {
            const std::string path = fresh("cancel");
            m_host->set(path, r);
            paths << path;
            handles << loader.request({m_host->url(path)}, {200, 112}, [holder, &answered](QImage) { ++answered; });
        }
        holder.reset();
        QCOMPARE(loader.pendingCount(), requests);
        if (underWay)
            QVERIFY(TestTime::waitFor([&] { return m_host->hits(paths.first()) == 1; }, 15000));
        for (const auto &h : handles)
            h->cancel();
        QVERIFY(held.expired());
        QCOMPARE(loader.pendingCount(), 0);
        QVERIFY(answerHeld(paths));
        QCOMPARE(answered.load(), 0);
        QCOMPARE(loader.cachedCount(), 0);
    }

    // Requests not cancelled still answer exactly once, each with its own picture.
    void requestAnswersOnce()
    {
        const std::string path = fresh("once");
        m_host->set(path, image());
        ImageLoader loader(diskDir());
        std::atomic_int calls{0};
        QImage got;
        auto handle = loader.request({m_host->url(path)}, {}, [&](QImage image) {
            ++calls;
            got = image;
        });
        QVERIFY(TestTime::waitFor([&] { return calls.load() > 0; }, 15000));
        handle->cancel(); // too late: changes nothing
        QTest::qWait(50);
        QCOMPARE(calls.load(), 1);
        QCOMPARE(got.size(), QSize(64, 36));
        QCOMPARE(loader.pendingCount(), 0);
    }

    // Emptying the caches folder removes the loader's disk cache under it;
    // later replies must still be stored there.
    void repliesAreStoredAgainAfterClearingTheCaches()
    {
        ImageLoader &shared = ImageLoader::shared();
        const std::string before = fresh("cleared"), after = fresh("cleared");
        m_host->set(before, image());
        m_host->set(after, image());
        QVERIFY(!wait(shared.load(m_host->url(before))).isNull());
        DiskCache::clearAll().waitForFinished();
        QVERIFY(!wait(shared.load(m_host->url(after))).isNull());

        // A loader with an empty memory finds it on the disk.
        ImageLoader fresh(shared.diskCacheDir());
        QVERIFY(!wait(fresh.load(m_host->url(after))).isNull());
        QCOMPARE(m_host->hits(after), 1);
    }

    // A host that refuses, or one that never answers while the loader goes
    // away: the future still ends, with nothing, so no caller hangs.
    void unansweredLoadsEnd_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("refused") << false;
        QTest::newRow("silent, loader stopped") << true;
    }
    void unansweredLoadsEnd()
    {
        QFETCH(bool, silent);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QUrl url(QStringLiteral("http://127.0.0.1:%1/x.png").arg(server.serverPort()));
        if (!silent)
            server.close();
        QFuture<QImage> f;
        {
            ImageLoader loader(diskDir());
            f = loader.load(url);
            (void)TestTime::waitFor([&] { return f.isFinished(); }, silent ? 100 : 10000);
        }
        QVERIFY(TestTime::waitFor([&] { return f.isFinished(); }, 15000));
        QVERIFY(f.result().isNull());
    }

    // An invalid expected size: the provider answers with an error.
    void provider_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QSize>("requested");
        QTest::addColumn<QSize>("expected");
        const std::string path = fresh("provider"), thumb = "pthumb" + std::to_string(++m_path);
        m_host->set(path, image());
        m_host->set("/vi/" + thumb + "/mqdefault.jpg", image({32, 18}, "JPG"));
        const QString url = "url/" + b64(m_host->url(path).toEncoded());
        QTest::newRow("url") << url << QSize() << QSize(64, 36);
        QTest::newRow("url scaled to fill") << url << QSize(16, 16) << QSize(28, 16);
        QTest::newRow("url scaled by width") << url << QSize(32, 0) << QSize(32, 18);
        QTest::newRow("circle") << "circle/" + b64(m_host->url(path).toEncoded()) << QSize() << QSize(36, 36);
        QTest::newRow("thumbnail, medium") << "thumb/" + b64(QByteArray::fromStdString(thumb)) << QSize()
                                           << QSize(32, 18);
        QTest::newRow("no kind") << "aGVsbG8" << QSize() << QSize();
        QTest::newRow("unknown kind") << "file/aGVsbG8" << QSize() << QSize();
        QTest::newRow("not base64") << "url/%%%" << QSize() << QSize();
        QTest::newRow("file address") << "url/" + b64("file:///etc/hostname") << QSize() << QSize();
        QTest::newRow("empty") << "" << QSize() << QSize();
    }
    void provider()
    {
        QFETCH(QString, id);
        QFETCH(QSize, requested);
        QFETCH(QSize, expected);
        RemoteImageProvider provider;
        std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(id, requested));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        QVERIFY(TestTime::wait(finished, 15000));
        std::unique_ptr<QQuickTextureFactory> texture(response->textureFactory());
        if (!expected.isValid()) {
            QVERIFY(!response->errorString().isEmpty());
            QVERIFY(!texture);
            return;
        }
        QVERIFY(response->errorString().isEmpty());
        QVERIFY(texture);
        const QImage got = texture->image();
        QCOMPARE(got.size(), expected);
        if (id.startsWith(u"circle")) {
            QCOMPARE(qAlpha(got.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(got.pixel(18, 18)), 255);
        }
    }

    // A rounded thumbnail: cut to exactly the size asked for (whatever shape the
    // picture has), transparent outside its corners, and kept in memory under
    // a name of its own, never mistaken for the plain picture or another radius.
    void roundedThumbnail_data()
    {
        QTest::addColumn<QSize>("served");
        QTest::addColumn<QSize>("requested");
        QTest::newRow("larger, 16:9") << QSize(128, 72) << QSize(60, 34);
        QTest::newRow("larger, 4:3") << QSize(120, 90) << QSize(60, 34);
        QTest::newRow("smaller, enlarged") << QSize(32, 18) << QSize(80, 45);
    }
    void roundedThumbnail()
    {
        QFETCH(QSize, served);
        QFETCH(QSize, requested);
        const std::string id = "round" + std::to_string(++m_path);
        m_host->set("/vi/" + id + "/hq720.jpg", image(served, "JPG"));
        const QString thumb = "thumb/" + b64(QByteArray::fromStdString(id));
        const QString qid = QString::fromStdString(id);
        ImageLoader &loader = ImageLoader::shared();
        QVERIFY(!loader.hasThumb(qid, requested, 10));

        RemoteImageProvider provider;
        std::unique_ptr<QQuickImageResponse> response(
            provider.requestImageResponse(thumb + QStringLiteral("?radius=10"), requested));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        QVERIFY(TestTime::wait(finished, 15000));
        std::unique_ptr<QQuickTextureFactory> texture(response->textureFactory());
        QVERIFY(texture);
        const QImage got = texture->image();
        QCOMPARE(got.size(), requested);
        const int w = got.width() - 1, h = got.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
            QCOMPARE(qAlpha(got.pixel(corner)), 0);
        // Opaque along the straight edges and inside.
        for (const QPoint p : {QPoint(w / 2, 0), QPoint(w / 2, h), QPoint(0, h / 2), QPoint(w, h / 2), QPoint(w / 2, h / 2)})
            QCOMPARE(qAlpha(got.pixel(p)), 255);

        QVERIFY(loader.hasThumb(qid, requested, 10));
        QVERIFY(!loader.hasThumb(qid, requested, 12));
        QVERIFY(!loader.hasThumb(qid, requested));
        const QUrl large = ImageLoader::thumbURLs(qid).first();
        QCOMPARE(loader.cached(large, requested, ImageLoader::roundedName({10})).size(), requested);

        // Served again from memory, rounded, without asking the host.
        const int hits = m_host->hits("/vi/" + id + "/hq720.jpg");
        std::unique_ptr<QQuickImageResponse> again(
            provider.requestImageResponse(thumb + QStringLiteral("?radius=10"), requested));
        QSignalSpy againFinished(again.get(), &QQuickImageResponse::finished);
        QVERIFY(TestTime::wait(againFinished, 15000));
        std::unique_ptr<QQuickTextureFactory> againTexture(again->textureFactory());
        QVERIFY(againTexture);
        QCOMPARE(qAlpha(againTexture->image().pixel(0, 0)), 0);
        QCOMPARE(m_host->hits("/vi/" + id + "/hq720.jpg"), hits);
    }

    // Over an opaque backdrop the thumbnail is finished over it and its
    // shadow, and comes out opaque; a translucent backdrop leaves the corners
    // transparent as before. The address carries the frame, and a picture in
    // another frame is another picture.
    void framedThumbnail_data()
    {
        QTest::addColumn<QColor>("backdrop");
        QTest::addColumn<QColor>("shadow");
        QTest::addColumn<bool>("opaque");
        QTest::newRow("light, shadowed") << QColor(255, 255, 255) << QColor(240, 240, 240) << true;
        QTest::newRow("dark, no shadow") << QColor(0, 0, 0) << QColor() << true;
        QTest::newRow("translucent backdrop") << QColor(255, 255, 255, 128) << QColor(240, 240, 240) << false;
    }
    void framedThumbnail()
    {
        QFETCH(QColor, backdrop);
        QFETCH(QColor, shadow);
        QFETCH(bool, opaque);
        const std::string id = "framed" + std::to_string(++m_path);
        m_host->set("/vi/" + id + "/hq720.jpg", image({128, 72}, "PNG"));
        const QString qid = QString::fromStdString(id);
        const QSize size(64, 36);
        ImageLoader &loader = ImageLoader::shared();

        const QUrl source = loader.thumbSource(qid, 10, backdrop, shadow, 5);
        const ImageLoader::Frame frame = ImageLoader::frameOf(source.query());
        QCOMPARE(frame.radius, 10.0);
        QCOMPARE(frame.backdrop, opaque ? backdrop : QColor());
        QCOMPARE(frame.shadow, opaque ? shadow : QColor());

        RemoteImageProvider provider;
        const QString path = source.toString().mid(QStringLiteral("image://remote/").size());
        std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(path, size));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        QVERIFY(TestTime::wait(finished, 15000));
        std::unique_ptr<QQuickTextureFactory> texture(response->textureFactory());
        QVERIFY(texture);
        const QImage got = texture->image();
        QCOMPARE(got.size(), size);
        QCOMPARE(got.hasAlphaChannel(), !opaque);
        const int w = got.width() - 1, h = got.height() - 1;
        QCOMPARE(got.pixelColor(w / 2, h / 2), QColor(Qt::red));
        if (opaque) {
            QCOMPARE(got.pixelColor(0, 0), backdrop);
            // The shadow, cast lower, shows in the bottom corners only.
            QCOMPARE(got.pixelColor(w - 1, 1), backdrop);
            QCOMPARE(got.pixelColor(1, h - 1), shadow.isValid() ? shadow : backdrop);
        } else {
            QCOMPARE(qAlpha(got.pixel(0, 0)), 0);
        }

        QVERIFY(loader.hasThumb(qid, size, 10, backdrop, shadow, 5));
        QVERIFY(!loader.hasThumb(qid, size, 10, QColor(10, 20, 30), shadow, 5));
        QCOMPARE(loader.hasThumb(qid, size, 10), !opaque);
    }

    // The engine gives up on a picture (its Image scrolled away or the
    // engine goes): the response ends at once so the engine can delete it,
    // and the picture arriving later finds no one.
    void cancelledResponseEndsAtOnce()
    {
        const std::string path = fresh("cancelled");
        Reply r = image();
        r.held = true;
        m_host->set(path, r);
        RemoteImageProvider provider;
        std::unique_ptr<QQuickImageResponse> response(
            provider.requestImageResponse(QStringLiteral("url/") + b64(m_host->url(path).toEncoded()), {32, 18}));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        response->cancel();
        QCOMPARE(finished.size(), 1);
        QVERIFY(!response->errorString().isEmpty());
        QCOMPARE(ImageLoader::shared().pendingCount(), 0);
        QVERIFY(answerHeld({path}));
        QCOMPARE(finished.size(), 1);
    }

    // The engine cancels on the response's own thread and may stop that
    // thread's event loop right after: the response still ends, or the engine
    // never deletes it.
    void cancelledAsItsThreadStops()
    {
        const std::string path = fresh("stopping");
        Reply r = image();
        r.held = true;
        m_host->set(path, r);
        RemoteImageProvider provider;
        QThread worker;
        QObject onWorker;
        onWorker.moveToThread(&worker);
        worker.start();
        QQuickImageResponse *response = nullptr;
        std::atomic<bool> ended = false;
        const QString id = QStringLiteral("url/") + b64(m_host->url(path).toEncoded());
        QMetaObject::invokeMethod(&onWorker, [&] {
            response = provider.requestImageResponse(id, {32, 18});
            QObject::connect(response, &QQuickImageResponse::finished, response, [&] { ended = true; });
            response->cancel();
            QThread::currentThread()->quit();
        });
        QVERIFY(worker.wait(15000));
        std::unique_ptr<QQuickImageResponse> owned(response);
        QVERIFY(ended);
        QCOMPARE(ImageLoader::shared().pendingCount(), 0);
        QVERIFY(answerHeld({path}));
    }

    void responseDeletedBeforeTheAnswer()
    {
        const std::string path = fresh("gone");
        Reply r = image();
        r.held = true;
        m_host->set(path, r);
        RemoteImageProvider provider;
        auto *response = provider.requestImageResponse(QStringLiteral("url/") + b64(m_host->url(path).toEncoded()), {});
        // Deleted while the host is answering: the answer must find no one to talk to.
        QVERIFY(TestTime::waitFor([&] { return m_host->hits(path) == 1; }, 15000));
        delete response;
        QVERIFY(answerHeld({path}));
        QCOMPARE(ImageLoader::shared().pendingCount(), 0);
    }
};

int main(int argc, char *argv[])
{
    // As the app's main does, before any thread starts.
    ImageLoader::tuneAllocator();
    QGuiApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestImageLoader test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_imageloader.moc"
