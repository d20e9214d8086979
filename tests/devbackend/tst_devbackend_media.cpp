// The media made by ffmpeg: HLS masters and variants, the progressive file
// with Range, thumbnails at the thumbnail host's paths, avatars and banners.
// The first run on a machine makes the media (a few seconds).
#include "Fixtures.h"
#include "MediaCache.h"
#include "TestBackend.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <future>
#include <utility>

Q_DECLARE_METATYPE(FaultRule::Missing)

class MediaTest : public QObject
{
    Q_OBJECT

    TestBackend backend;

    QString k() const { return "k=" + backend.apiKey(); }
    HttpReply get(const QString &path, const RawHeaders &headers = {}) const { return backend.request("GET", path, headers); }
    QString master(const QString &id, const QString &q = "0") const { return "/api/hls/" + id + "/master.m3u8?" + k() + "&q=" + q; }
    QString stream(const QString &id) const { return "/api/stream/" + id + '?' + k(); }
    QString firstWhere(const std::function<bool(const FxVideo &)> &pred) const
    {
        for (const FxVideo &v : backend.fixtures().videos())
            if (pred(v))
                return v.id;
        qFatal("no such fixture video");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(backend.isRunning());
        QVERIFY2(backend.prepareMedia(), qPrintable(backend.error()));
    }
    void cleanup() { backend.clearFaults(); }

    void hlsMaster_data()
    {
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QStringList>("resolutions");
        QTest::newRow("automatic") << false << "0" << QStringList{"1280x720", "640x360"};
        QTest::newRow("720") << false << "720" << QStringList{"1280x720"};
        QTest::newRow("360") << false << "360" << QStringList{"640x360"};
        QTest::newRow("audio only asks 144") << false << "144" << QStringList{"640x360"};
        QTest::newRow("above the best") << false << "1080" << QStringList{"1280x720"};
        QTest::newRow("between") << false << "480" << QStringList{"640x360"};
        QTest::newRow("short, automatic") << true << "0" << QStringList{"720x1280", "360x640"};
        QTest::newRow("short, 720") << true << "720" << QStringList{"720x1280"};
    }

    void hlsMaster()
    {
        QFETCH(bool, portrait);
        QFETCH(QString, quality);
        QFETCH(QStringList, resolutions);
        const QString id = firstWhere([&](const FxVideo &x) { return x.isShort == portrait && x.canPlay && x.hls; });
        const HttpReply r = get(master(id, quality));
        QCOMPARE(r.status, 200);
        QCOMPARE(r.header("Content-Type"), u"application/vnd.apple.mpegurl");
        QVERIFY(r.body.startsWith("#EXTM3U\n"));
        static const QRegularExpression inf(
            QStringLiteral("#EXT-X-STREAM-INF:BANDWIDTH=(\\d+),.*RESOLUTION=(\\d+x\\d+).*\\n(.+)\\n"));
        QStringList got;
        for (auto it = inf.globalMatch(QString::fromUtf8(r.body)); it.hasNext();) {
            const auto m = it.next();
            QVERIFY(m.captured(1).toLongLong() > 10000);
            got << m.captured(2);
            // Variants carry the key on: the player fetches them with no headers.
            QVERIFY2(m.captured(3).endsWith("/index.m3u8?" + k()), qPrintable(m.captured(3)));
        }
        QCOMPARE(got, resolutions);
    }

    void variantsAndSegments()
    {
        const QString id = firstWhere([](const FxVideo &x) { return !x.isShort && x.canPlay && x.hls; });
        for (const char *q : {"720", "360"}) {
            const QString base = "/api/hls/" + id + '/' + q + '/';
            const HttpReply list = get(base + "index.m3u8?" + k());
            QCOMPARE(list.status, 200);
            QVERIFY(list.body.contains("#EXT-X-ENDLIST"));
            double total = 0;
            int segments = 0;
            for (const QByteArray &line : list.body.split('\n')) {
                if (line.startsWith("#EXTINF:"))
                    total += line.mid(8, line.indexOf(',') - 8).toDouble();
                if (line.isEmpty() || line.startsWith('#'))
                    continue;
                QVERIFY2(line.endsWith("?" + k().toUtf8()), line.constData());
                const HttpReply seg = get(base + QString::fromUtf8(line));
                QCOMPARE(seg.status, 200);
                QCOMPARE(seg.header("Content-Type"), u"video/mp2t");
                QVERIFY(seg.body.size() > 188 && seg.body.at(0) == 0x47); // MPEG-TS sync byte
                ++segments;
            }
            QVERIFY(segments >= 3);
            QVERIFY(qAbs(total - MediaCache::clipSeconds) < 1.0);
        }
        QCOMPARE(get("/api/hls/" + id + "/720/seg_999.ts?" + k()).status, 404);
    }

    void mediaNeedTheKeyInK_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("headerKey");
        QTest::addColumn<int>("status");
        const QString id = backend.fixtures().videos()[0].id;
        QTest::newRow("master without k") << "/api/hls/" + id + "/master.m3u8?q=0" << false << 401;
        QTest::newRow("master with wrong k") << "/api/hls/" + id + "/master.m3u8?k=nope&q=0" << false << 401;
        QTest::newRow("header key is not enough") << "/api/stream/" + id << true << 401;
        QTest::newRow("segment without k") << "/api/hls/" + id + "/720/seg_000.ts" << false << 401;
        QTest::newRow("stream with k") << stream(id) << false << 200;
    }

    void mediaNeedTheKeyInK()
    {
        QFETCH(QString, path);
        QFETCH(bool, headerKey);
        QFETCH(int, status);
        const HttpReply r = get(path, headerKey ? RawHeaders{{"X-Ombri-Key", backend.apiKey().toUtf8()}} : RawHeaders{});
        QCOMPARE(r.status, status);
        QVERIFY(status == 200 || !r.errorMessage().isEmpty());
    }

    void progressiveRanges_data()
    {
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("first"); // negative: from the end
        QTest::addColumn<qint64>("last");  // -1: to the end
        QTest::newRow("first bytes") << false << QByteArray("bytes=0-99") << 206 << qint64(0) << qint64(99);
        QTest::newRow("open end") << false << QByteArray("bytes=5000-") << 206 << qint64(5000) << qint64(-1);
        QTest::newRow("short clip") << true << QByteArray("bytes=1000-1999") << 206 << qint64(1000) << qint64(1999);
        QTest::newRow("end beyond the file") << false << QByteArray("bytes=100-99999999") << 206 << qint64(100) << qint64(-1);
        QTest::newRow("suffix") << false << QByteArray("bytes=-500") << 206 << qint64(-500) << qint64(-1);
        QTest::newRow("start past the end") << false << QByteArray("bytes=999999999-") << 416 << qint64(0) << qint64(0);
        QTest::newRow("reversed") << false << QByteArray("bytes=50-10") << 416 << qint64(0) << qint64(0);
    }

    void progressiveRanges()
    {
        QFETCH(bool, portrait);
        QFETCH(QByteArray, range);
        QFETCH(int, status);
        QFETCH(qint64, first);
        QFETCH(qint64, last);
        const QString path = stream(firstWhere([&](const FxVideo &x) { return x.isShort == portrait && x.canPlay; }));
        const HttpReply whole = get(path);
        QCOMPARE(whole.status, 200);
        QCOMPARE(whole.header("Accept-Ranges"), u"bytes");
        QCOMPARE(whole.header("Content-Type"), u"video/mp4");
        QCOMPARE(whole.body.mid(4, 4), QByteArray("ftyp"));
        const qint64 size = whole.body.size();
        const HttpReply r = get(path, {{"Range", range}});
        QCOMPARE(r.status, status);
        if (status != 206) {
            QVERIFY(r.body.size() < 200); // never file data past the end
            return;
        }
        first = first < 0 ? first + size : first;
        last = last < 0 ? size - 1 : last;
        QCOMPARE(r.header("Content-Range"), QStringLiteral("bytes %1-%2/%3").arg(first).arg(last).arg(size));
        QCOMPARE(r.body, whole.body.mid(first, last - first + 1));
    }

    void whichVideosPlay_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<FaultRule::Missing>("missing"); // a fault switched on for this id
        QTest::addColumn<int>("hls");
        QTest::addColumn<int>("progressive");
        using M = FaultRule::Missing;
        const QString plain = firstWhere([](const FxVideo &x) { return x.hls && x.canPlay && !x.isShort; });
        QTest::newRow("no HLS") << firstWhere([](const FxVideo &x) { return !x.hls && x.canPlay; }) << M::None << 404 << 200;
        QTest::newRow("blocked") << firstWhere([](const FxVideo &x) { return !x.canPlay; }) << M::None << 403 << 403;
        QTest::newRow("HLS switched off") << plain << M::Hls << 404 << 200;
        QTest::newRow("stream switched off") << plain << M::Stream << 200 << 404;
        // Any id of the site's form plays, so pasted links work.
        QTest::newRow("outside the catalogue") << "dQw4w9WgXcQ" << M::None << 200 << 200;
        QTest::newRow("not an id") << "no%20such" << M::None << 404 << 404;
    }

    void whichVideosPlay()
    {
        QFETCH(QString, id);
        QFETCH(FaultRule::Missing, missing);
        QFETCH(int, hls);
        QFETCH(int, progressive);
        if (missing != FaultRule::Missing::None) {
            FaultRule r;
            r.id = id;
            r.missing = missing;
            backend.addFault(r);
        }
        for (const auto &[path, status] : {std::pair(master(id), hls), std::pair(stream(id), progressive)}) {
            const HttpReply r = get(path);
            QCOMPARE(r.status, status);
            QVERIFY(status == 200 || !r.errorMessage().isEmpty());
        }
    }

    void thumbnails_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("large");
        QTest::addColumn<int>("medium");
        QTest::newRow("both") << firstWhere([](const FxVideo &x) { return x.thumbHq && x.thumbMq; }) << 200 << 200;
        QTest::newRow("only the medium one") << firstWhere([](const FxVideo &x) { return !x.thumbHq && x.thumbMq; }) << 404 << 200;
        QTest::newRow("none") << firstWhere([](const FxVideo &x) { return !x.thumbHq && !x.thumbMq; }) << 404 << 404;
        QTest::newRow("a short") << firstWhere([](const FxVideo &x) { return x.isShort && x.thumbHq; }) << 200 << 200;
        QTest::newRow("an id outside the catalogue") << "dQw4w9WgXcQ" << 200 << 200;
        QTest::newRow("not an id") << "placeholder0" << 404 << 404;
    }

    void thumbnails()
    {
        QFETCH(QString, id);
        QFETCH(int, large);
        QFETCH(int, medium);
        // No key: the thumbnail host is public.
        const HttpReply hq = get("/vi/" + id + "/hq720.jpg"), mq = get("/vi/" + id + "/mqdefault.jpg");
        QCOMPARE(hq.status, large);
        QCOMPARE(mq.status, medium);
        for (const HttpReply *r : {&hq, &mq})
            QVERIFY(r->status != 200 || (r->header("Content-Type") == u"image/jpeg" && r->body.startsWith("\xFF\xD8")));
        if (large == 200 && medium == 200)
            QVERIFY(hq.body.size() > mq.body.size()); // 1280×720 against 320×180
    }

    void imagesTheRepliesPointAt()
    {
        const FxChannel &c = backend.fixtures().channels()[0];
        const QJsonObject channel = backend.get("/api/channel/" + c.id + "?page=0").json().toObject();
        QString commenter;
        for (const FxVideo &v : backend.fixtures().videos()) {
            for (const QJsonValue &m : backend.get("/api/comments/" + v.id + "?sort=top").json().toArray())
                if (!m[u"byUploader"].toBool() && m[u"avatar"].isString())
                    commenter = m[u"avatar"].toString();
            if (!commenter.isEmpty())
                break;
        }
        const QList<QPair<QString, QByteArray>> images = {
            {channel[u"avatar"].toString(), "\x89PNG"},
            {channel[u"banner"].toString(), "\xFF\xD8"},
            {backend.get("/api/me", backend.session()).json()[u"avatar"].toString(), "\x89PNG"},
            {commenter, "\x89PNG"},
        };
        for (const auto &[url, magic] : images) {
            QVERIFY2(url.startsWith(backend.origin()), qPrintable(url));
            const HttpReply r = get(url.mid(backend.origin().size()));
            QCOMPARE(r.status, 200);
            QVERIFY2(r.body.startsWith(magic), qPrintable(url));
        }
        // The avatar endpoint gives the same image for a channel's id and handle.
        const QJsonObject map = backend.get("/api/avatars?keys=" + c.id + "%2C" + c.handle).json().toObject();
        QCOMPARE(map.value(c.id).toString(), channel[u"avatar"].toString());
        QCOMPARE(map.value(c.handle), map.value(c.id));
    }

    // Parallel test runs share one media folder.
    void parallelGenerationIsSafe()
    {
        auto entries = [](const QString &dir) {
            return QDir(dir + "/v1").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        // Two caches (as two processes would) making the same images at once.
        QTemporaryDir dir;
        MediaCache a(dir.path()), b(dir.path());
        auto first = std::async(std::launch::async, [&] { return a.ensureImages(); });
        auto second = std::async(std::launch::async, [&] { return b.ensureImages(); });
        QVERIFY2(first.get(), qPrintable(a.lastError()));
        QVERIFY2(second.get(), qPrintable(b.lastError()));
        QVERIFY(QFile::exists(a.thumbFile(0, true)));
        QVERIFY(QFile::exists(a.avatarFile(Fixtures::avatarImages - 1)));
        QVERIFY(QFile::exists(a.bannerFile(Fixtures::bannerImages - 1)));
        // Only the finished folder is left: no temporary ones, no logs.
        QCOMPARE(entries(dir.path()), QStringList{"images"});
        QVERIFY(!QFile::exists(a.imagesDir() + "/ffmpeg.log"));

        // A missing ffmpeg fails cleanly and leaves nothing behind.
        QTemporaryDir empty;
        MediaCache broken(empty.path(), "/nonexistent/ffmpeg");
        QVERIFY(!broken.ensureClip(0));
        QVERIFY(!broken.lastError().isEmpty());
        QVERIFY(entries(empty.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(MediaTest)
#include "tst_devbackend_media.moc"
