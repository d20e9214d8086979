#include "AccountBook.h"
#include "Fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <limits>

// The catalogue the development backend serves: stable across runs, and
// holding every awkward case the app has to cope with.
class FixturesTest : public QObject
{
    Q_OBJECT

private slots:
    void sameDataEveryRun();
    void catalogueShape();
    void awkwardVideosExist();
    void perVideoDataIsConsistent();
    void paging_data();
    void paging();
    void search_data();
    void search();
    void suggestContinuesTypedText();
    void markersAndSessions();
    void accountListsFollowWrites();

private:
    Fixtures fx;
};

void FixturesTest::sameDataEveryRun()
{
    // Recorded once: a change here means every run (and every test that
    // remembers an id) sees different data.
    QCOMPARE(fx.videos().first().id, QStringLiteral("AKAwFmGDZKL"));
    QCOMPARE(fx.channels().first().id, QStringLiteral("UCP6SJzxB46EcSVB8tEqgb-C"));

    const Fixtures again;
    QJsonArray a, b;
    for (const FxVideo &v : fx.videos()) {
        a.append(fx.videoJson(v, QStringLiteral("http://o")));
        a.append(fx.detailJson(v, false));
        a.append(*fx.commentsJson(v, QStringLiteral("new"), QStringLiteral("http://o")));
        a.append(fx.sponsorJson(v));
    }
    for (const FxVideo &v : again.videos()) {
        b.append(again.videoJson(v, QStringLiteral("http://o")));
        b.append(again.detailJson(v, false));
        b.append(*again.commentsJson(v, QStringLiteral("new"), QStringLiteral("http://o")));
        b.append(again.sponsorJson(v));
    }
    QCOMPARE(QJsonDocument(a).toJson(), QJsonDocument(b).toJson());
}

void FixturesTest::catalogueShape()
{
    static const QRegularExpression videoId(QStringLiteral("^[A-Za-z0-9_-]{11}$"));
    QSet<QString> ids;
    int regular = 0;
    for (const FxVideo &v : fx.videos()) {
        QVERIFY2(videoId.match(v.id).hasMatch(), qPrintable(v.id));
        QVERIFY2(!ids.contains(v.id), qPrintable(v.id));
        ids.insert(v.id);
        QVERIFY(!v.title.isEmpty());
        if (v.isShort) {
            QVERIFY(v.duration > 0 && v.duration <= 60);
            QCOMPARE(v.clip, int(Fixtures::portraitClip));
        } else {
            ++regular;
            QVERIFY(v.clip >= 0 && v.clip < Fixtures::portraitClip);
        }
    }
    QVERIFY(regular >= 190);
    QVERIFY(fx.shorts().size() >= 3 * Fixtures::shortsPageSize);
    for (const FxChannel &c : fx.channels()) {
        QVERIFY(c.id.startsWith(QLatin1String("UC")) && c.id.size() == 24);
        QVERIFY(c.handle.isEmpty() || c.handle.startsWith(QLatin1Char('@')));
        QVERIFY2(c.videos.size() > Fixtures::channelPageSize, qPrintable(c.name)); // a second page
        QVERIFY(!c.shorts.isEmpty());
        QCOMPARE(fx.channel(c.id), &c);
        if (!c.handle.isEmpty())
            QCOMPARE(fx.channel(c.handle), &c);
    }
    // Every category fills more than one page; "foryou" is the whole catalogue.
    const QStringList cats = fx.categoryIds();
    QCOMPARE(cats.first(), QStringLiteral("foryou"));
    for (const QString &cat : cats)
        QVERIFY2(fx.feed(cat)->size() > Fixtures::feedPageSize, qPrintable(cat));
    QCOMPARE(fx.feed(QStringLiteral("foryou"))->size(), regular);
    QVERIFY(!fx.feed(QStringLiteral("nope")));
}

void FixturesTest::awkwardVideosExist()
{
    int live = 0, notPlayable = 0, noHls = 0, noLarge = 0, noThumb = 0, noChannelId = 0, noKey = 0,
        commentsOff = 0, noCaptions = 0, shortClip = 0, withAvatar = 0;
    for (const FxVideo &v : fx.videos()) {
        const QJsonObject o = fx.videoJson(v, QStringLiteral("http://o"));
        live += v.live;
        notPlayable += !v.canPlay;
        noHls += !v.hls;
        noLarge += !v.thumbHq && v.thumbMq;
        noThumb += !v.thumbHq && !v.thumbMq;
        noChannelId += !o.contains(QStringLiteral("channelId"));
        noKey += !o.contains(QStringLiteral("channelId")) && !o.contains(QStringLiteral("handle"));
        commentsOff += v.commentsOff;
        noCaptions += fx.captionTracksJson(v).isEmpty();
        shortClip += !v.isShort && !v.live && v.duration < 61;
        withAvatar += o.contains(QStringLiteral("avatar"));
    }
    QVERIFY(live >= 4);
    QVERIFY(notPlayable >= 1);
    QVERIFY(noHls >= 1);
    QVERIFY(noLarge >= 5);
    QVERIFY(noThumb >= 1);
    QVERIFY(noChannelId >= 3);
    QVERIFY(noKey >= 1);
    QVERIFY(commentsOff >= 5);
    QVERIFY(noCaptions >= 5);
    QVERIFY(shortClip >= 3);
    QVERIFY(withAvatar > 10 && withAvatar < fx.videos().size() / 2); // the avatar store has gaps to fill
}

void FixturesTest::perVideoDataIsConsistent()
{
    QSet<QString> categories;
    bool earlySegment = false;
    for (const FxVideo &v : fx.videos()) {
        const double d = double(v.duration);
        double lastStart = -1;
        for (const QJsonValue &s : fx.sponsorJson(v)) {
            const double start = s[QStringLiteral("start")].toDouble(), end = s[QStringLiteral("end")].toDouble();
            QVERIFY2(start >= 0 && start < end && end <= d, qPrintable(v.id));
            QVERIFY(start >= lastStart);
            lastStart = start;
            categories.insert(s[QStringLiteral("category")].toString());
            earlySegment = earlySegment || end <= 16; // inside the media clip
        }
        qint64 last = -1;
        const QJsonArray chapters = fx.chaptersJson(v);
        for (const QJsonValue &c : chapters) {
            const qint64 start = c[QStringLiteral("start")].toInteger();
            QVERIFY(start > last && start < v.duration);
            last = start;
        }
        if (!chapters.isEmpty())
            QCOMPARE(chapters.first()[QStringLiteral("start")].toInteger(), 0);
        for (const QJsonValue &t : fx.captionTracksJson(v)) {
            const auto cues = fx.cuesJson(v, t[QStringLiteral("lang")].toString());
            QVERIFY(cues && !cues->isEmpty());
            double prevEnd = 0;
            for (const QJsonValue &c : *cues) {
                QVERIFY(c[QStringLiteral("s")].toDouble() >= prevEnd);
                QVERIFY(c[QStringLiteral("e")].toDouble() > c[QStringLiteral("s")].toDouble());
                prevEnd = c[QStringLiteral("e")].toDouble();
            }
        }
        QVERIFY(!fx.cuesJson(v, QStringLiteral("xx")));
        const QList<int> related = fx.related(v);
        QVERIFY(!related.isEmpty());
        for (int i : related)
            QVERIFY(fx.videos()[i].id != v.id);
    }
    // The five the app offers, and one it does not know.
    for (const char *c : {"sponsor", "selfpromo", "interaction", "intro", "outro", "filler"})
        QVERIFY2(categories.contains(QLatin1String(c)), c);
    QVERIFY(earlySegment);
}

void FixturesTest::paging_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<qint64>("page");
    QTest::addColumn<int>("expected");
    QTest::newRow("first") << 45 << qint64(0) << 20;
    QTest::newRow("middle") << 45 << qint64(1) << 20;
    QTest::newRow("last, short") << 45 << qint64(2) << 5;
    QTest::newRow("past the end") << 45 << qint64(3) << 0;
    QTest::newRow("exact fit ends") << 40 << qint64(2) << 0;
    QTest::newRow("negative") << 45 << qint64(-1) << 0;
    QTest::newRow("overflowing") << 45 << std::numeric_limits<qint64>::max() << 0;
    QTest::newRow("empty list") << 0 << qint64(0) << 0;
}

void FixturesTest::paging()
{
    QFETCH(int, total);
    QFETCH(qint64, page);
    QFETCH(int, expected);
    QList<int> all;
    for (int i = 0; i < total; ++i)
        all.append(i);
    const QList<int> got = Fixtures::page(all, page, 20);
    QCOMPARE(got.size(), expected);
    if (expected)
        QCOMPARE(got.first(), int(page * 20));
}

void FixturesTest::search_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("firstTitleHas");
    QTest::newRow("topic") << QStringLiteral("música nueva") << QString() << QStringLiteral("música nueva");
    QTest::newRow("accents ignored") << QStringLiteral("TRAILER OFICIAL") << QString() << QStringLiteral("tráiler oficial");
    QTest::newRow("channel name") << QStringLiteral("Cocina con Marta") << QStringLiteral("any") << QString();
    QTest::newRow("live only") << QStringLiteral("directo") << QStringLiteral("live") << QStringLiteral("en directo");
}

void FixturesTest::search()
{
    QFETCH(QString, query);
    QFETCH(QString, filter);
    QFETCH(QString, firstTitleHas);
    const auto list = fx.search(query, filter);
    QVERIFY(list && !list->isEmpty());
    const FxVideo &first = fx.videos()[list->first()];
    if (!firstTitleHas.isEmpty())
        QVERIFY2(first.title.toLower().contains(firstTitleHas), qPrintable(first.title));
    if (filter == QLatin1String("live"))
        for (int i : *list)
            QVERIFY(fx.videos()[i].live);
    QVERIFY(!fx.search(query, QStringLiteral("bogus")));
    QVERIFY(fx.search(QStringLiteral("zzzqqq"), QString())->isEmpty());
}

void FixturesTest::suggestContinuesTypedText()
{
    const QStringList s = fx.suggest(QStringLiteral("Rece"));
    QVERIFY(!s.isEmpty() && s.size() <= 8);
    for (const QString &x : s)
        QVERIFY2(Fixtures::fold(x).startsWith(QLatin1String("rece")), qPrintable(x));
    QVERIFY(fx.suggest(QStringLiteral("   ")).isEmpty());
}

void FixturesTest::markersAndSessions()
{
    AccountBook book(fx, "secret");
    const QString marker = book.markerValue(QStringLiteral("Ana López"));
    QCOMPARE(book.nameFromMarker(marker), std::optional<QString>(QStringLiteral("Ana López")));
    QString forged = marker;
    forged[6] = forged[6] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
    QVERIFY(!book.nameFromMarker(forged));
    QVERIFY(!book.nameFromMarker(QStringLiteral("caducada")));
    QVERIFY(!AccountBook(fx, "other").nameFromMarker(marker));

    const QString a = book.issueSession(QStringLiteral("Ana López"));
    const QString b = book.issueSession(QStringLiteral("Ana López"));
    QVERIFY(a != b);
    QCOMPARE(book.accountForSession(a), std::optional<QString>(QStringLiteral("Ana López")));
    // A restarted server (same secret) still knows the token.
    QCOMPARE(AccountBook(fx, "secret").accountForSession(a), std::optional<QString>(QStringLiteral("Ana López")));
    book.revoke(a);
    QVERIFY(!book.accountForSession(a));
    QVERIFY(book.accountForSession(b));
    QVERIFY(!book.accountForSession(a.chopped(1) + QLatin1Char('x')));
    QVERIFY(!book.accountForSession(QString()));
}

void FixturesTest::accountListsFollowWrites()
{
    AccountBook book(fx, "secret");
    const QString me = QStringLiteral("Ana");
    for (const QString &kind : AccountBook::listKinds())
        QVERIFY2(!book.list(me, kind)->isEmpty(), qPrintable(kind));
    QVERIFY(!book.list(me, QStringLiteral("bogus")));

    const FxVideo &v = fx.videos()[3];
    book.like(me, v.id, true);
    QCOMPARE(book.list(me, QStringLiteral("liked"))->first(), v.index);
    book.like(me, v.id, false);
    QVERIFY(!book.list(me, QStringLiteral("liked"))->contains(v.index));
    book.watched(me, v.id);
    QCOMPARE(book.list(me, QStringLiteral("history"))->first(), v.index);

    const FxChannel &c = fx.channels()[1];
    book.subscribe(me, c.id, true);
    QVERIFY(book.list(me, QStringLiteral("subs"))->contains(c.videos.first()));
    book.subscribe(me, c.id, false);
    QVERIFY(!book.list(me, QStringLiteral("subs"))->contains(c.videos.first()));
    // Accounts are separate.
    QVERIFY(book.list(QStringLiteral("Otro"), QStringLiteral("history"))->first() != v.index);
}

QTEST_GUILESS_MAIN(FixturesTest)
#include "tst_devbackend_fixtures.moc"
