#include "Fixtures.h"
#include "MediaCache.h"
#include "TestBackend.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>
#include <future>

// The media made by ffmpeg: HLS masters and variants, the progressive file
// with Range, thumbnails at the thumbnail host's paths, avatars and banners.
// The first run on a machine makes the media (a few seconds).
class MediaTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { backend.clearFaults(); }
    void hlsMaster_data();
    void hlsMaster();
    void variantsAndSegments();
    void mediaNeedTheKeyInK_data();
    void mediaNeedTheKeyInK();
    void progressiveRanges_data();
    void progressiveRanges();
    void unplayableVideos();
    void missingStreamFaults();
    void thumbnails_data();
    void thumbnails();
    void imagesTheRepliesPointAt();
    void parallelGenerationIsSafe();

private:
    QString k() const { return QStringLiteral("k=") + backend.apiKey(); }
    const FxVideo &firstWhere(const std::function<bool(const FxVideo &)> &pred) const;

    TestBackend backend;
};

const FxVideo &MediaTest::firstWhere(const std::function<bool(const FxVideo &)> &pred) const
{
    for (const FxVideo &v : backend.fixtures().videos())
        if (pred(v))
            return v;
    qFatal("no such fixture video");
}

void MediaTest::initTestCase()
{
    QVERIFY(backend.isRunning());
    QVERIFY2(backend.prepareMedia(), qPrintable(backend.error()));
}

void MediaTest::hlsMaster_data()
{
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<QString>("quality"); // "" sends no q
    QTest::addColumn<QStringList>("resolutions");
    QTest::newRow("automatic") << false << "0" << QStringList{"1280x720", "640x360"};
    QTest::newRow("no quality") << false << "" << QStringList{"1280x720", "640x360"};
    QTest::newRow("720") << false << "720" << QStringList{"1280x720"};
    QTest::newRow("360") << false << "360" << QStringList{"640x360"};
    QTest::newRow("audio only asks 144") << false << "144" << QStringList{"640x360"};
    QTest::newRow("above the best") << false << "1080" << QStringList{"1280x720"};
    QTest::newRow("between") << false << "480" << QStringList{"640x360"};
    QTest::newRow("short, automatic") << true << "0" << QStringList{"720x1280", "360x640"};
    QTest::newRow("short, 720") << true << "720" << QStringList{"720x1280"};
}

void MediaTest::hlsMaster()
{
    QFETCH(bool, portrait);
    QFETCH(QString, quality);
    QFETCH(QStringList, resolutions);
    const FxVideo &v = firstWhere([&](const FxVideo &x) { return x.isShort == portrait && x.canPlay && x.hls; });
    QString path = QStringLiteral("/api/hls/%1/master.m3u8?%2").arg(v.id, k());
    if (!quality.isEmpty())
        path += QStringLiteral("&q=") + quality;
    const HttpReply r = backend.request("GET", path);
    QCOMPARE(r.status, 200);
    QCOMPARE(r.header(QStringLiteral("Content-Type")), QStringLiteral("application/vnd.apple.mpegurl"));
    const QString body = QString::fromUtf8(r.body);
    QVERIFY(body.startsWith(QLatin1String("#EXTM3U\n")));
    static const QRegularExpression inf(QStringLiteral("#EXT-X-STREAM-INF:BANDWIDTH=(\\d+),.*RESOLUTION=(\\d+x\\d+).*\\n(.+)\\n"));
    QStringList got;
    for (auto it = inf.globalMatch(body); it.hasNext();) {
        const auto m = it.next();
        QVERIFY(m.captured(1).toLongLong() > 10000);
        got << m.captured(2);
        QVERIFY2(m.captured(3).endsWith(QStringLiteral("/index.m3u8?") + k()), qPrintable(m.captured(3)));
    }
    QCOMPARE(got, resolutions);
}

void MediaTest::variantsAndSegments()
{
    const FxVideo &v = firstWhere([](const FxVideo &x) { return !x.isShort && x.canPlay && x.hls; });
    for (const char *q : {"720", "360"}) {
        const QString base = QStringLiteral("/api/hls/%1/%2/").arg(v.id, QLatin1String(q));
        const HttpReply list = backend.request("GET", base + QStringLiteral("index.m3u8?") + k());
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
            const HttpReply seg = backend.request("GET", base + QString::fromUtf8(line));
            QCOMPARE(seg.status, 200);
            QCOMPARE(seg.header(QStringLiteral("Content-Type")), QStringLiteral("video/mp2t"));
            QVERIFY(seg.body.size() > 188 && seg.body.at(0) == 0x47); // MPEG-TS sync byte
            ++segments;
        }
        QVERIFY(segments >= 3);
        QVERIFY(qAbs(total - MediaCache::clipSeconds) < 1.0);
    }
    // A segment that does not exist.
    QCOMPARE(backend.request("GET", QStringLiteral("/api/hls/%1/720/seg_999.ts?%2").arg(v.id, k())).status, 404);
}

void MediaTest::mediaNeedTheKeyInK_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("headerKey");
    QTest::addColumn<int>("status");
    const QString id = backend.fixtures().videos()[0].id;
    QTest::newRow("master without k") << QStringLiteral("/api/hls/%1/master.m3u8?q=0").arg(id) << false << 401;
    QTest::newRow("master with wrong k") << QStringLiteral("/api/hls/%1/master.m3u8?k=nope&q=0").arg(id) << false << 401;
    QTest::newRow("header key is not enough") << QStringLiteral("/api/stream/%1").arg(id) << true << 401;
    QTest::newRow("segment without k") << QStringLiteral("/api/hls/%1/720/seg_000.ts").arg(id) << false << 401;
    QTest::newRow("stream with k") << QStringLiteral("/api/stream/%1?k=%2").arg(id, backend.apiKey()) << false << 200;
}

void MediaTest::mediaNeedTheKeyInK()
{
    QFETCH(QString, path);
    QFETCH(bool, headerKey);
    QFETCH(int, status);
    RawHeaders h;
    if (headerKey)
        h.append(qMakePair(QByteArray("X-Ombri-Key"), backend.apiKey().toUtf8()));
    const HttpReply r = backend.request("GET", path, h);
    QCOMPARE(r.status, status);
    if (status != 200)
        QVERIFY(!r.errorMessage().isEmpty());
}

void MediaTest::progressiveRanges_data()
{
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("first"); // expected range, -1: the whole file
    QTest::addColumn<qint64>("last");  // -1: to the end
    QTest::newRow("whole file") << false << QByteArray() << 200 << qint64(-1) << qint64(-1);
    QTest::newRow("first bytes") << false << QByteArray("bytes=0-99") << 206 << qint64(0) << qint64(99);
    QTest::newRow("middle") << false << QByteArray("bytes=1000-1999") << 206 << qint64(1000) << qint64(1999);
    QTest::newRow("open end") << false << QByteArray("bytes=5000-") << 206 << qint64(5000) << qint64(-1);
    QTest::newRow("short clip") << true << QByteArray("bytes=0-1023") << 206 << qint64(0) << qint64(1023);
    QTest::newRow("end beyond the file") << false << QByteArray("bytes=100-99999999") << 206 << qint64(100) << qint64(-1);
    QTest::newRow("suffix") << false << QByteArray("bytes=-500") << 206 << qint64(-500) << qint64(-1);
    QTest::newRow("start past the end") << false << QByteArray("bytes=999999999-") << 416 << qint64(0) << qint64(0);
    QTest::newRow("reversed") << false << QByteArray("bytes=50-10") << 416 << qint64(0) << qint64(0);
}

void MediaTest::progressiveRanges()
{
    QFETCH(bool, portrait);
    QFETCH(QByteArray, range);
    QFETCH(int, status);
    QFETCH(qint64, first);
    QFETCH(qint64, last);
    const FxVideo &v = firstWhere([&](const FxVideo &x) { return x.isShort == portrait && x.canPlay; });
    const QString path = QStringLiteral("/api/stream/%1?%2").arg(v.id, k());
    const HttpReply whole = backend.request("GET", path);
    QCOMPARE(whole.status, 200);
    QCOMPARE(whole.header(QStringLiteral("Accept-Ranges")), QStringLiteral("bytes"));
    QCOMPARE(whole.header(QStringLiteral("Content-Type")), QStringLiteral("video/mp4"));
    QCOMPARE(whole.body.mid(4, 4), QByteArray("ftyp"));
    const qint64 size = whole.body.size();
    if (range.isEmpty())
        return;
    const HttpReply r = backend.request("GET", path, {{"Range", range}});
    QCOMPARE(r.status, status);
    if (status != 206) {
        QVERIFY(r.body.size() < 200); // never file data past the end
        return;
    }
    if (first < 0)
        first += size;
    if (last < 0)
        last = size - 1;
    QCOMPARE(r.header(QStringLiteral("Content-Range")), QStringLiteral("bytes %1-%2/%3").arg(first).arg(last).arg(size));
    QCOMPARE(r.body, whole.body.mid(first, last - first + 1));
}

void MediaTest::unplayableVideos()
{
    const FxVideo &noHls = firstWhere([](const FxVideo &x) { return !x.hls && x.canPlay; });
    QCOMPARE(backend.request("GET", QStringLiteral("/api/hls/%1/master.m3u8?%2&q=0").arg(noHls.id, k())).status, 404);
    QCOMPARE(backend.request("GET", QStringLiteral("/api/stream/%1?%2").arg(noHls.id, k())).status, 200);

    const FxVideo &blocked = firstWhere([](const FxVideo &x) { return !x.canPlay; });
    for (const QString &path : {QStringLiteral("/api/hls/%1/master.m3u8?%2&q=0"), QStringLiteral("/api/stream/%1?%2")}) {
        const HttpReply r = backend.request("GET", path.arg(blocked.id, k()));
        QCOMPARE(r.status, 403);
        QVERIFY(!r.errorMessage().isEmpty());
    }
    QCOMPARE(backend.request("GET", QStringLiteral("/api/stream/no%20such?%1").arg(k())).status, 404);
    // Any id of the site's form plays, so pasted links work.
    QCOMPARE(backend.request("GET", QStringLiteral("/api/stream/dQw4w9WgXcQ?%1").arg(k())).status, 200);
}

void MediaTest::missingStreamFaults()
{
    const FxVideo &v = firstWhere([](const FxVideo &x) { return x.hls && x.canPlay && !x.isShort; });
    const QString master = QStringLiteral("/api/hls/%1/master.m3u8?%2&q=0").arg(v.id, k());
    const QString stream = QStringLiteral("/api/stream/%1?%2").arg(v.id, k());
    FaultRule r;
    r.id = v.id;
    r.missing = FaultRule::Missing::Hls;
    const qint64 hls = backend.addFault(r);
    QCOMPARE(backend.request("GET", master).status, 404);
    QCOMPARE(backend.request("GET", stream).status, 200);
    backend.faults().remove(hls);
    r.missing = FaultRule::Missing::Stream;
    backend.addFault(r);
    QCOMPARE(backend.request("GET", master).status, 200);
    QCOMPARE(backend.request("GET", stream).status, 404);
    // Other videos keep their streams.
    const FxVideo &other = firstWhere([&](const FxVideo &x) { return x.canPlay && x.id != v.id; });
    QCOMPARE(backend.request("GET", QStringLiteral("/api/stream/%1?%2").arg(other.id, k())).status, 200);
}

void MediaTest::thumbnails_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("large");
    QTest::addColumn<int>("medium");
    QTest::newRow("both") << "both" << 200 << 200;
    QTest::newRow("only the medium one") << "medium" << 404 << 200;
    QTest::newRow("none") << "none" << 404 << 404;
    QTest::newRow("a short") << "short" << 200 << 200;
    QTest::newRow("an id outside the catalogue") << "made-up" << 200 << 200;
    QTest::newRow("not an id") << "bad" << 404 << 404;
}

void MediaTest::thumbnails()
{
    QFETCH(QString, kind);
    QFETCH(int, large);
    QFETCH(int, medium);
    QString id;
    if (kind == QLatin1String("both"))
        id = firstWhere([](const FxVideo &x) { return x.thumbHq && x.thumbMq; }).id;
    else if (kind == QLatin1String("medium"))
        id = firstWhere([](const FxVideo &x) { return !x.thumbHq && x.thumbMq; }).id;
    else if (kind == QLatin1String("none"))
        id = firstWhere([](const FxVideo &x) { return !x.thumbHq && !x.thumbMq; }).id;
    else if (kind == QLatin1String("short"))
        id = firstWhere([](const FxVideo &x) { return x.isShort && x.thumbHq; }).id;
    else if (kind == QLatin1String("made-up"))
        id = QStringLiteral("dQw4w9WgXcQ");
    else
        id = QStringLiteral("placeholder0");
    // No key: the thumbnail host is public.
    const HttpReply hq = backend.request("GET", QStringLiteral("/vi/%1/hq720.jpg").arg(id));
    const HttpReply mq = backend.request("GET", QStringLiteral("/vi/%1/mqdefault.jpg").arg(id));
    QCOMPARE(hq.status, large);
    QCOMPARE(mq.status, medium);
    for (const HttpReply *r : {&hq, &mq}) {
        if (r->status != 200)
            continue;
        QCOMPARE(r->header(QStringLiteral("Content-Type")), QStringLiteral("image/jpeg"));
        QVERIFY(r->body.startsWith("\xFF\xD8"));
    }
    if (large == 200 && medium == 200)
        QVERIFY(hq.body.size() > mq.body.size()); // 1280×720 against 320×180
}

void MediaTest::imagesTheRepliesPointAt()
{
    const QJsonObject channel = backend.get(QStringLiteral("/api/channel/%1?page=0").arg(backend.fixtures().channels()[0].id))
                                    .json()
                                    .toObject();
    const QString account = backend.get(QStringLiteral("/api/me"), backend.session()).json()[QStringLiteral("avatar")].toString();
    QString commenter;
    for (const FxVideo &v : backend.fixtures().videos()) {
        for (const QJsonValue &c : backend.get(QStringLiteral("/api/comments/%1?sort=top").arg(v.id)).json().toArray())
            if (!c[QStringLiteral("byUploader")].toBool() && c[QStringLiteral("avatar")].isString())
                commenter = c[QStringLiteral("avatar")].toString();
        if (!commenter.isEmpty())
            break;
    }
    const QList<QPair<QString, QByteArray>> images = {
        {channel[QStringLiteral("avatar")].toString(), QByteArray("\x89PNG")},
        {channel[QStringLiteral("banner")].toString(), QByteArray("\xFF\xD8")},
        {account, QByteArray("\x89PNG")},
        {commenter, QByteArray("\x89PNG")},
    };
    for (const auto &[url, magic] : images) {
        QVERIFY2(url.startsWith(backend.origin()), qPrintable(url));
        const HttpReply r = backend.request("GET", url.mid(backend.origin().size()));
        QCOMPARE(r.status, 200);
        QVERIFY2(r.body.startsWith(magic), qPrintable(url));
    }
    // Avatars come from the avatar endpoint for ids and handles alike.
    const FxChannel &c = backend.fixtures().channels()[0];
    const QJsonObject map = backend.get(QStringLiteral("/api/avatars?keys=%1%2%3").arg(c.id, QStringLiteral("%2C"), c.handle)).json().toObject();
    QCOMPARE(map.value(c.id), map.value(c.handle));
    QCOMPARE(map.value(c.id).toString(), channel[QStringLiteral("avatar")].toString());
}

void MediaTest::parallelGenerationIsSafe()
{
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
    const QStringList entries = QDir(dir.path() + QStringLiteral("/v1")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(entries, QStringList{QStringLiteral("images")});
    QVERIFY(!QFile::exists(a.imagesDir() + QStringLiteral("/ffmpeg.log")));

    // A missing ffmpeg fails cleanly and leaves nothing behind.
    QTemporaryDir empty;
    MediaCache broken(empty.path(), QStringLiteral("/nonexistent/ffmpeg"));
    QVERIFY(!broken.ensureClip(0));
    QVERIFY(!broken.lastError().isEmpty());
    QVERIFY(QDir(empty.path() + QStringLiteral("/v1")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

QTEST_GUILESS_MAIN(MediaTest)
#include "tst_devbackend_media.moc"
