// The catalogue the development backend serves: stable across runs, and
// holding every awkward case the app's tests pick videos by.
#include "AccountBook.h"
#include "Fixtures.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <functional>

using VideoCase = std::function<bool(const FxVideo &, const QJsonObject &)>;
Q_DECLARE_METATYPE(VideoCase)

class FixturesTest : public QObject
{
    Q_OBJECT

    Fixtures fx;

private slots:
    void sameDataEveryRun()
    {
        // Recorded once: a change here means every run (and every test that
        // remembers an id) sees different data.
        QCOMPARE(fx.videos().first().id, u"AKAwFmGDZKL");
        QCOMPARE(fx.channels().first().id, u"UCP6SJzxB46EcSVB8tEqgb-C");
        auto dump = [](const Fixtures &f) {
            QJsonArray a;
            for (const FxVideo &v : f.videos())
                a << f.videoJson(v, "http://o") << f.detailJson(v, false) << *f.commentsJson(v, "new", "http://o")
                  << f.sponsorJson(v);
            return QJsonDocument(a).toJson();
        };
        QCOMPARE(dump(fx), dump(Fixtures()));
    }

    void catalogueShape()
    {
        // The app's link parser takes only ids of the site's form.
        static const QRegularExpression videoId(QStringLiteral("^[A-Za-z0-9_-]{11}$"));
        QSet<QString> ids;
        for (const FxVideo &v : fx.videos()) {
            QVERIFY2(videoId.match(v.id).hasMatch() && !ids.contains(v.id), qPrintable(v.id));
            ids.insert(v.id);
            // Shorts play the portrait clip, everything else a landscape one.
            QVERIFY(v.isShort ? v.duration > 0 && v.duration <= 60 && v.clip == Fixtures::portraitClip
                              : v.clip >= 0 && v.clip < Fixtures::portraitClip);
            // In the form the app parses.
            QVERIFY(QDate::fromString(Fixtures::uploadDate(v), QStringLiteral("yyyy-MM-dd")).isValid());
        }
        for (const FxChannel &c : fx.channels()) {
            QVERIFY(c.id.startsWith(u"UC") && c.id.size() == 24);
            QVERIFY(c.handle.isEmpty() || c.handle.startsWith(u'@'));
            QVERIFY2(c.videos.size() > Fixtures::channelPageSize && !c.shorts.isEmpty(), qPrintable(c.name));
        }
        // Every category pages; "foryou" is the whole catalogue but Shorts.
        for (const QString &cat : fx.categoryIds())
            QVERIFY2(fx.feed(cat)->size() > Fixtures::feedPageSize, qPrintable(cat));
        QCOMPARE(fx.feed("foryou")->size(), fx.videos().size() - fx.shorts().size());
    }

    void awkwardVideosExist_data()
    {
        QTest::addColumn<VideoCase>("is");
        QTest::addColumn<int>("atLeast");
        auto row = [](const char *name, int atLeast, VideoCase is) { QTest::newRow(name) << is << atLeast; };
#define CASE(...) [this]([[maybe_unused]] const FxVideo &v, [[maybe_unused]] const QJsonObject &o) { return __VA_ARGS__; }
        row("live", 4, CASE(v.live));
        row("not playable", 1, CASE(!v.canPlay));
        row("no HLS", 1, CASE(!v.hls));
        row("only the medium thumbnail", 5, CASE(!v.thumbHq && v.thumbMq));
        row("no thumbnail", 1, CASE(!v.thumbHq && !v.thumbMq));
        row("no channel id", 3, CASE(!o.contains("channelId")));
        row("no channel key at all", 1, CASE(!o.contains("channelId") && !o.contains("handle")));
        row("comments off", 5, CASE(v.commentsOff));
        row("no captions", 5, CASE(fx.captionTracksJson(v).isEmpty()));
        row("short but not a Short", 3, CASE(!v.isShort && !v.live && v.duration < 61));
        row("with an avatar", 11, CASE(o.contains("avatar")));
        // Most have none: the avatar store has gaps to fill.
        row("without an avatar", int(fx.videos().size() / 2) + 1, CASE(!o.contains("avatar")));
#undef CASE
    }

    void awkwardVideosExist()
    {
        QFETCH(VideoCase, is);
        QFETCH(int, atLeast);
        const auto n = std::count_if(fx.videos().begin(), fx.videos().end(),
                                     [&](const FxVideo &v) { return is(v, fx.videoJson(v, "http://o")); });
        QVERIFY2(n >= atLeast, qPrintable(QString::number(n)));
    }

    // What the player's chapters, captions and segment skipping rely on.
    void perVideoDataIsConsistent()
    {
        QSet<QString> categories;
        bool earlySegment = false;
        for (const FxVideo &v : fx.videos()) {
            double lastStart = -1;
            for (const QJsonValue &s : fx.sponsorJson(v)) {
                const double start = s[u"start"].toDouble(), end = s[u"end"].toDouble();
                QVERIFY2(start >= lastStart && start < end && end <= double(v.duration), qPrintable(v.id));
                lastStart = start;
                categories.insert(s[u"category"].toString());
                earlySegment = earlySegment || end <= 16; // inside the media clip
            }
            qint64 last = -1;
            for (const QJsonValue &c : fx.chaptersJson(v)) {
                const qint64 start = c[u"start"].toInteger();
                QVERIFY(last < 0 ? start == 0 : start > last && start < v.duration);
                last = start;
            }
            for (const QJsonValue &t : fx.captionTracksJson(v)) {
                const auto cues = fx.cuesJson(v, t[u"lang"].toString());
                QVERIFY(cues && !cues->isEmpty());
                double prevEnd = 0;
                for (const QJsonValue &c : *cues) {
                    QVERIFY(c[u"s"].toDouble() >= prevEnd && c[u"e"].toDouble() > c[u"s"].toDouble());
                    prevEnd = c[u"e"].toDouble();
                }
            }
            const QList<int> related = fx.related(v);
            QVERIFY(!related.isEmpty() && !related.contains(v.index));
        }
        // The five the app offers, and one it does not know.
        for (const char *c : {"sponsor", "selfpromo", "interaction", "intro", "outro", "filler"})
            QVERIFY2(categories.contains(QLatin1String(c)), c);
        QVERIFY(earlySegment);
    }

    // Ranking and folding; filters only restate their code, so they go unchecked.
    void searchAndSuggest()
    {
        auto firstTitle = [&](const char *q) { return fx.videos()[fx.search(q, {})->value(0, 0)].title.toLower(); };
        QVERIFY2(firstTitle("música nueva").contains(u"música nueva"), "topic");
        QVERIFY2(firstTitle("TRAILER OFICIAL").contains(u"tráiler oficial"), "accents ignored");
        QVERIFY(!fx.search("Cocina con Marta", "any")->isEmpty()); // a channel's name
        QVERIFY(fx.search("zzzqqq", {})->isEmpty());

        const QStringList s = fx.suggest("Rece");
        QVERIFY(!s.isEmpty() && s.size() <= 8);
        for (const QString &x : s)
            QVERIFY2(Fixtures::fold(x).startsWith(u"rece"), qPrintable(x));
        QVERIFY(fx.suggest("   ").isEmpty());
    }

    // Signing with the secret; forged markers, revoked and bogus tokens are
    // the API test's, over HTTP.
    void markersAndSessions()
    {
        AccountBook book(fx, "secret");
        const QString marker = book.markerValue("Ana López");
        QCOMPARE(book.nameFromMarker(marker), std::optional<QString>("Ana López"));
        QVERIFY(!AccountBook(fx, "other").nameFromMarker(marker));

        const QString a = book.issueSession("Ana López");
        QVERIFY(a != book.issueSession("Ana López"));
        // A restarted server (same secret) still knows the token.
        QCOMPARE(AccountBook(fx, "secret").accountForSession(a), std::optional<QString>("Ana López"));
        QVERIFY(!AccountBook(fx, "other").accountForSession(a));
        QVERIFY(!book.accountForSession(a.chopped(1) + u'x'));
    }
};

QTEST_GUILESS_MAIN(FixturesTest)
#include "tst_devbackend_fixtures.moc"
