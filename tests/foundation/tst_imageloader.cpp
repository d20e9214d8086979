#include "BuildConfig.h"
#include "DiskCache.h"
#include "ImageLoader.h"
#include "RemoteImageProvider.h"
#include "TestDirs.h"
#include <QBuffer>
#include <QElapsedTimer>
#include <QNetworkCacheMetaData>
#include <QNetworkDiskCache>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <httplib.h>
#include <map>
#include <mutex>
#include <thread>

namespace {

QByteArray encoded(const QSize &size, const char *format, QColor color = Qt::red)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// What one path answers.
struct Reply
{
    int status = 200;
    QByteArray body;
    std::string type = "image/png";
    std::multimap<std::string, std::string> headers;
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
            std::lock_guard g(m_lock);
            ++m_hits[req.path];
            const auto it = m_replies.find(req.path);
            if (it == m_replies.end()) {
                res.status = 404;
                return;
            }
            const Reply &r = it->second;
            res.status = r.status;
            for (const auto &[k, v] : r.headers)
                res.set_header(k.c_str(), v);
            res.set_content(r.body.toStdString(), r.type.c_str());
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~ImageHost()
    {
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
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QUrl url(const std::string &path) const { return QUrl(origin() + QString::fromStdString(path)); }
    int port() const { return m_port; }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_lock;
    std::map<std::string, Reply> m_replies;
    std::map<std::string, int> m_hits;
};

QImage wait(QFuture<QImage> future)
{
    (void)QTest::qWaitFor([&] { return future.isFinished(); }, 15000);
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

    void thumbnailAddresses()
    {
        if (qstrlen(BuildConfig::thumbOrigin) > 0)
            QSKIP("this build names its own thumbnail host");
        const QList<QUrl> urls = ImageLoader::thumbURLs(QStringLiteral("dQw4w9WgXcQ"));
        QCOMPARE(urls.size(), 2);
        QCOMPARE(urls[0].toString(), m_host->origin() + QStringLiteral("/vi/dQw4w9WgXcQ/hq720.jpg"));
        QCOMPARE(urls[1].toString(), m_host->origin() + QStringLiteral("/vi/dQw4w9WgXcQ/mqdefault.jpg"));
        // An id that makes no valid address gives none.
        QVERIFY(ImageLoader::thumbURLs(QStringLiteral("a b")).isEmpty());
        // The host follows the backend override, read anew each time.
        qputenv("NIMBELORA_BACKEND_URL", "http://127.0.0.1:9/");
        QCOMPARE(ImageLoader::thumbURLs(QStringLiteral("x")).value(0).toString(),
                 QStringLiteral("http://127.0.0.1:9/vi/x/hq720.jpg"));
        qputenv("NIMBELORA_BACKEND_URL", m_host->origin().toUtf8());
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
        QTest::newRow("large 500") << 500 << true << 200 << 32 << 1;
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

    void failuresAreNotRemembered()
    {
        const std::string id = "gone" + std::to_string(++m_path);
        const std::string large = "/vi/" + id + "/hq720.jpg", medium = "/vi/" + id + "/mqdefault.jpg";
        const QList<QUrl> urls = ImageLoader::thumbURLs(QString::fromStdString(id));
        ImageLoader loader(diskDir());

        QVERIFY(wait(loader.first(urls)).isNull());
        QVERIFY(wait(loader.first(urls)).isNull());
        QCOMPARE(m_host->hits(large), 2);
        QCOMPARE(m_host->hits(medium), 2);

        m_host->set(large, image());
        QCOMPARE(wait(loader.first(urls)).width(), 64);
        QCOMPARE(m_host->hits(large), 3);
    }

    void secondLoadComesFromMemory()
    {
        const std::string path = fresh("mem");
        m_host->set(path, image());
        ImageLoader loader(diskDir());
        QVERIFY(loader.cached(m_host->url(path)).isNull());
        QCOMPARE(wait(loader.load(m_host->url(path))).size(), QSize(64, 36));

        QFuture<QImage> again = loader.load(m_host->url(path));
        QVERIFY(again.isFinished()); // no round trip at all
        QCOMPARE(again.result().size(), QSize(64, 36));
        QCOMPARE(m_host->hits(path), 1);
        // Decoded ready for drawing.
        QCOMPARE(loader.cached(m_host->url(path)).format(), QImage::Format_RGB32);
    }

    void memoryHoldsAtMost400Images()
    {
        ImageLoader loader(diskDir());
        const Reply tiny = image({4, 4});
        QList<QUrl> urls;
        for (int i = 0; i < 401; ++i) {
            const std::string path = fresh("count");
            m_host->set(path, tiny);
            urls.append(m_host->url(path));
        }
        // The first is stored before the others start, so it is the oldest.
        QVERIFY(!wait(loader.load(urls.first())).isNull());
        QList<QFuture<QImage>> loads;
        for (qsizetype i = 1; i < urls.size(); ++i)
            loads.append(loader.load(urls[i]));
        for (const auto &f : loads)
            QVERIFY(!wait(f).isNull());
        QVERIFY(loader.cached(urls.first()).isNull());
        for (qsizetype i = 1; i < urls.size(); ++i)
            QVERIFY(!loader.cached(urls[i]).isNull());
    }

    void memoryHoldsAtMost256MiBOfPixels()
    {
        ImageLoader loader(diskDir());
        // 1600 × 900 × 4 bytes each: 46 of them exceed 256 MiB.
        const Reply big = image({1600, 900});
        QList<QUrl> urls;
        for (int i = 0; i < 50; ++i) {
            const std::string path = fresh("big");
            m_host->set(path, big);
            urls.append(m_host->url(path));
        }
        QVERIFY(!wait(loader.load(urls.first())).isNull());
        QList<QFuture<QImage>> loads;
        for (qsizetype i = 1; i < urls.size() - 1; ++i)
            loads.append(loader.load(urls[i]));
        for (const auto &f : loads)
            QVERIFY(!wait(f).isNull());
        QVERIFY(!wait(loader.load(urls.last())).isNull());
        QVERIFY(loader.cached(urls.first()).isNull());
        QVERIFY(!loader.cached(urls.last()).isNull());
        int kept = 0;
        for (const QUrl &url : urls)
            kept += !loader.cached(url).isNull();
        QVERIFY(kept * 1600LL * 900 * 4 <= 256LL * 1024 * 1024);
        QVERIFY(kept >= 40);
    }

    void diskCacheServesWhateverItsAge_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("value");
        QTest::newRow("no cache headers") << QString() << QString();
        QTest::newRow("max-age 0") << "Cache-Control" << "max-age=0";
        QTest::newRow("expired") << "Expires" << "Thu, 01 Jan 1970 00:00:00 GMT";
        QTest::newRow("must revalidate") << "Cache-Control" << "max-age=0, must-revalidate";
    }
    void diskCacheServesWhateverItsAge()
    {
        QFETCH(QString, header);
        QFETCH(QString, value);
        const std::string path = fresh("disk");
        Reply r = image();
        if (!header.isEmpty())
            r.headers.emplace(header.toStdString(), value.toStdString());
        m_host->set(path, r);
        {
            ImageLoader first(diskDir());
            QVERIFY(!wait(first.load(m_host->url(path))).isNull());
        }
        // A new loader has an empty memory but the same disk cache.
        ImageLoader second(diskDir());
        QCOMPARE(wait(second.load(m_host->url(path))).size(), QSize(64, 36));
        QCOMPARE(m_host->hits(path), 1);
    }

    // What another run left in the disk cache: a damaged body, a stored failure.
    void badStoredEntryIsFetchedAnew_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("200 that is no picture") << 200 << QByteArray("garbage");
        QTest::newRow("404 with picture bytes") << 404 << encoded({8, 8}, "PNG");
    }
    void badStoredEntryIsFetchedAnew()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        const std::string path = fresh("stored");
        m_host->set(path, image());
        {
            QNetworkDiskCache disk;
            disk.setCacheDirectory(diskDir());
            QNetworkCacheMetaData meta;
            meta.setUrl(m_host->url(path));
            meta.setSaveToDisk(true);
            meta.setAttributes({{QNetworkRequest::HttpStatusCodeAttribute, status}});
            QIODevice *device = disk.prepare(meta);
            QVERIFY(device);
            device->write(body);
            disk.insert(device);
        }
        {
            ImageLoader loader(diskDir());
            QCOMPARE(wait(loader.load(m_host->url(path))).size(), QSize(64, 36));
            QCOMPARE(m_host->hits(path), 1);
        }
        // The good reply replaced the bad entry.
        ImageLoader again(diskDir());
        QVERIFY(!wait(again.load(m_host->url(path))).isNull());
        QCOMPARE(m_host->hits(path), 1);
    }

    void onlyHttpAddressesAreFetched_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("file") << "file:///etc/hostname";
        QTest::newRow("qrc") << "qrc:/qt-project.org/qmldir";
        QTest::newRow("resource") << ":/symbols/play.fill.svg";
        QTest::newRow("data") << "data:image/png;base64," + QString::fromLatin1(encoded({2, 2}, "PNG").toBase64());
        QTest::newRow("ftp") << "ftp://127.0.0.1/x.png";
        QTest::newRow("image provider") << "image://remote/url/aGVsbG8";
        QTest::newRow("javascript") << "javascript:alert(1)";
        QTest::newRow("no host") << "http:///x.png";
        QTest::newRow("scheme-relative") << "//127.0.0.1/x.png";
        QTest::newRow("relative") << "x.png";
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

    void redirectToALocalFileIsNotFollowed()
    {
        const std::string path = fresh("redirect");
        m_host->set(path, {302, {}, "text/plain", {{"Location", "file:///etc/hostname"}}});
        ImageLoader loader(diskDir());
        QVERIFY(wait(loader.load(m_host->url(path))).isNull());
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
        QTest::newRow("203 png") << 203 << png << false;
        QTest::newRow("404 png") << 404 << png << false;
        QTest::newRow("500 png") << 500 << png << false;
        QTest::newRow("200 text") << 200 << QByteArray("not a picture") << false;
        QTest::newRow("200 empty") << 200 << QByteArray() << false;
        QTest::newRow("200 cut short") << 200 << png.left(png.size() / 2) << false;
        QTest::newRow("200 huge dimensions") << 200 << kHugePng << false;
    }
    void replyRules()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, loads);
        const std::string path = fresh("rule");
        m_host->set(path, {status, body, "image/png", {}});
        ImageLoader loader(diskDir());
        QCOMPARE(!wait(loader.load(m_host->url(path))).isNull(), loads);
        // A failure is asked again next time, also from a fresh loader on the same disk.
        if (!loads) {
            ImageLoader other(diskDir());
            QVERIFY(wait(other.load(m_host->url(path))).isNull());
            QCOMPARE(m_host->hits(path), 2);
        }
    }

    void deadHostGivesNothing()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        ImageLoader loader(diskDir());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(wait(loader.load(QUrl(QStringLiteral("http://127.0.0.1:%1/x.png").arg(port)))).isNull());
        QVERIFY(timer.elapsed() < 10000);
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

    void loaderStoppedMidRequestAnswersNothing()
    {
        // A reply that never comes: the loader goes away while waiting.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QFuture<QImage> f;
        {
            ImageLoader loader(diskDir());
            f = loader.load(QUrl(QStringLiteral("http://127.0.0.1:%1/slow.png").arg(silent.serverPort())));
            QTest::qWait(100);
        }
        QVERIFY(QTest::qWaitFor([&] { return f.isFinished(); }, 5000));
        QVERIFY(f.result().isNull());
    }

    void providerServesPictures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("requested");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("url") << "url" << QSize() << QSize(64, 36);
        QTest::newRow("url scaled to fill") << "url" << QSize(16, 16) << QSize(28, 16);
        QTest::newRow("url scaled by width") << "url" << QSize(32, 0) << QSize(32, 18);
        QTest::newRow("circle") << "circle" << QSize() << QSize(36, 36);
        QTest::newRow("thumbnail, medium") << "thumb" << QSize() << QSize(32, 18);
    }
    void providerServesPictures()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, requested);
        QFETCH(QSize, expected);
        const std::string path = fresh("provider");
        QByteArray target = m_host->url(path).toEncoded();
        if (kind == QLatin1String("thumb")) {
            const std::string id = "pthumb" + std::to_string(++m_path);
            m_host->set("/vi/" + id + "/mqdefault.jpg", image({32, 18}, "JPG"));
            target = QByteArray::fromStdString(id);
        } else {
            m_host->set(path, image());
        }
        RemoteImageProvider provider;
        std::unique_ptr<QQuickImageResponse> response(
            provider.requestImageResponse(kind + QLatin1Char('/') + b64(target), requested));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        QVERIFY(finished.wait(15000));
        QVERIFY(response->errorString().isEmpty());
        std::unique_ptr<QQuickTextureFactory> texture(response->textureFactory());
        QVERIFY(texture);
        const QImage got = texture->image();
        QCOMPARE(got.size(), expected);
        if (kind == QLatin1String("circle")) {
            QCOMPARE(qAlpha(got.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(got.pixel(18, 18)), 255);
        }
    }

    void providerAnswersBadRequestsWithAnError_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("no kind") << "aGVsbG8";
        QTest::newRow("unknown kind") << "file/aGVsbG8";
        QTest::newRow("not base64") << "url/%%%";
        QTest::newRow("file address") << "url/" + b64("file:///etc/hostname");
        QTest::newRow("empty") << "";
    }
    void providerAnswersBadRequestsWithAnError()
    {
        QFETCH(QString, id);
        RemoteImageProvider provider;
        std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(id, {}));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        QVERIFY(finished.wait(5000));
        QVERIFY(!response->errorString().isEmpty());
        QVERIFY(!response->textureFactory());
    }

    void responseDeletedBeforeTheAnswer()
    {
        const std::string path = fresh("gone");
        m_host->set(path, image());
        RemoteImageProvider provider;
        delete provider.requestImageResponse(QStringLiteral("url/") + b64(m_host->url(path).toEncoded()), {});
        // The answer arrives later and must find no one to talk to.
        QVERIFY(QTest::qWaitFor([&] { return m_host->hits(path) == 1; }, 5000));
        QTest::qWait(200);
    }
};

QTEST_MAIN(TestImageLoader)
#include "tst_imageloader.moc"
