// mpv's events are decoded on the engine's event thread and reach the GUI
// thread in order; news of an item already replaced changes nothing.
#include "SampleClips.h"
#include "MpvEngine_p.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <memory>

using namespace MpvDetail;
using TC = MediaEngine::TimeControlStatus;

namespace {

constexpr int kLong = 20000; // generous: the machine may be busy

// Builds mpv nodes the way mpv hands them out; everything lives as long as
// the builder.
class Nodes
{
public:
    mpv_node number(double v) { return node(MPV_FORMAT_DOUBLE, [&](mpv_node &n) { n.u.double_ = v; }); }
    mpv_node integer(int64_t v) { return node(MPV_FORMAT_INT64, [&](mpv_node &n) { n.u.int64 = v; }); }
    mpv_node flag(bool v) { return node(MPV_FORMAT_FLAG, [&](mpv_node &n) { n.u.flag = v; }); }
    mpv_node text(const char *v)
    {
        m_texts.emplace_back(v);
        char *s = m_texts.back().data();
        return node(MPV_FORMAT_STRING, [&](mpv_node &n) { n.u.string = s; });
    }
    mpv_node map(std::initializer_list<std::pair<const char *, mpv_node>> members)
    {
        mpv_node_list &list = m_lists.emplace_back();
        auto &values = m_values.emplace_back();
        auto &keys = m_keys.emplace_back();
        for (const auto &[key, value] : members) {
            m_texts.emplace_back(key);
            keys.push_back(m_texts.back().data());
            values.push_back(value);
        }
        list.num = int(values.size());
        list.values = values.data();
        list.keys = keys.data();
        return node(MPV_FORMAT_NODE_MAP, [&](mpv_node &n) { n.u.list = &list; });
    }
    mpv_node array(std::initializer_list<mpv_node> items)
    {
        mpv_node_list &list = m_lists.emplace_back();
        auto &values = m_values.emplace_back(items);
        list.num = int(values.size());
        list.values = values.data();
        list.keys = nullptr;
        return node(MPV_FORMAT_NODE_ARRAY, [&](mpv_node &n) { n.u.list = &list; });
    }

private:
    template<class F>
    static mpv_node node(mpv_format format, F fill)
    {
        mpv_node n{};
        n.format = format;
        fill(n);
        return n;
    }
    std::deque<QByteArray> m_texts;
    std::deque<mpv_node_list> m_lists;
    std::deque<std::vector<mpv_node>> m_values;
    std::deque<std::vector<char *>> m_keys;
};

} // namespace

class TestMpvEvents : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QUrl m_long, m_short; // 3 s at 320×240, 2 s at 160×120

private slots:
    void initTestCase()
    {
        qputenv("NIMBELORA_AUDIO", "null");
        const QString a = m_dir.filePath(QStringLiteral("long.mp4")), b = m_dir.filePath(QStringLiteral("short.mp4"));
        if (!makeClip(a, QStringLiteral("testsrc2=size=320x240:rate=25:duration=3"), 3)
            || !makeClip(b, QStringLiteral("testsrc2=size=160x120:rate=25:duration=2"), 2))
            QSKIP("ffmpeg could not make the test clips");
        m_long = QUrl::fromLocalFile(a);
        m_short = QUrl::fromLocalFile(b);
    }

    // --- decoding, off the GUI thread ---

    void seekableRanges()
    {
        Nodes n;
        const mpv_node state = n.map({
            {"bof-cached", n.flag(true)},
            {"seekable-ranges",
             n.array({
                 n.map({{"start", n.number(0)}, {"end", n.number(4.5)}}),
                 n.map({{"start", n.integer(10)}, {"end", n.integer(12)}}),
                 n.map({{"start", n.number(20)}, {"end", n.number(19)}}), // backwards
                 n.map({{"start", n.number(30)}}),                         // no end
                 n.map({{"start", n.text("x")}, {"end", n.number(40)}}),
                 n.number(3),
             })},
        });
        const QList<LoadedRange> ranges = MpvDetail::seekableRanges(state);
        QCOMPARE(ranges, (QList<LoadedRange>{{0, 4.5}, {10, 2}}));
        QVERIFY(MpvDetail::seekableRanges(n.map({{"eof-cached", n.flag(false)}})).isEmpty());
        QVERIFY(MpvDetail::seekableRanges(n.number(1)).isEmpty());
    }

    void selectedTracks_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<double>("bitrate");
        QTest::addColumn<QSize>("size");
        QTest::newRow("video and audio") << 0 << 2500000.0 << QSize(1280, 720);
        QTest::newRow("audio only announces") << 1 << 128000.0 << QSize(640, 360);
        QTest::newRow("nothing selected") << 2 << 0.0 << QSize();
    }

    void selectedTracks()
    {
        QFETCH(int, which);
        QFETCH(double, bitrate);
        QFETCH(QSize, size);
        Nodes n;
        const auto track = [&](const char *type, bool selected, int64_t rate, int64_t w, int64_t h) {
            return n.map({{"type", n.text(type)}, {"selected", n.flag(selected)}, {"hls-bitrate", n.integer(rate)},
                          {"demux-w", n.integer(w)}, {"demux-h", n.integer(h)}});
        };
        mpv_node list;
        if (which == 0)
            list = n.array({track("video", false, 800000, 640, 360), track("video", true, 2500000, 1280, 720),
                            track("audio", true, 128000, 0, 0), track("sub", true, 9, 0, 0)});
        else if (which == 1)
            list = n.array({n.map({{"type", n.text("video")}, {"selected", n.flag(true)}, {"demux-w", n.integer(640)},
                                   {"demux-h", n.integer(360)}}),
                            track("audio", true, 128000, 0, 0)});
        else
            list = n.array({track("video", false, 800000, 640, 360), track("audio", false, 128000, 0, 0)});
        double rate = -1;
        QSize got(1, 1);
        MpvDetail::selectedTracks(list, rate, got);
        QCOMPARE(rate, bitrate);
        QCOMPARE(got, size);
    }

    // A load's answer carries the playlist entry it made; no other answer is read.
    void loadReplies_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("withEntry");
        QTest::addColumn<bool>("known");
        QTest::newRow("load") << int(Tag::Load) << true << true;
        QTest::newRow("load without an entry") << int(Tag::Load) << false << false;
        QTest::newRow("another command") << int(Tag::Other) << true << false;
    }

    void loadReplies()
    {
        QFETCH(int, kind);
        QFETCH(bool, withEntry);
        QFETCH(bool, known);
        Nodes n;
        mpv_event_command command{};
        command.result = withEntry ? n.map({{"playlist_entry_id", n.integer(7)}}) : n.map({});
        mpv_event event{};
        event.event_id = MPV_EVENT_COMMAND_REPLY;
        event.reply_userdata = tag(Tag(kind), 42);
        event.data = &command;
        const std::optional<Note> note = translate(event);
        QVERIFY(note);
        QCOMPARE(note->kind, Note::Reply);
        QCOMPARE(note->id, tag(Tag(kind), 42));
        QCOMPARE(note->known, known);
        if (known)
            QCOMPARE(note->entry, 7);
    }

    void propertiesAndOthers()
    {
        Nodes n;
        double seconds = 1.25;
        mpv_event_property time{"time-pos", MPV_FORMAT_DOUBLE, &seconds};
        mpv_event event{};
        event.event_id = MPV_EVENT_PROPERTY_CHANGE;
        event.reply_userdata = TimePos;
        event.data = &time;
        std::optional<Note> note = translate(event);
        QVERIFY(note && note->known);
        QCOMPARE(note->number, 1.25);

        mpv_event_property gone{"time-pos", MPV_FORMAT_NONE, nullptr};
        event.data = &gone;
        note = translate(event);
        QVERIFY(note && !note->known);

        mpv_node devices = n.array({n.map({{"name", n.text("auto")}})});
        mpv_event_property other{"audio-device-list", MPV_FORMAT_NODE, &devices};
        event.reply_userdata = kObservedForOthers + 2;
        event.data = &other;
        note = translate(event);
        QVERIFY(note && note->known);
        QCOMPARE(note->value.toList().value(0).toMap().value("name").toString(), QStringLiteral("auto"));

        mpv_event idle{};
        idle.event_id = MPV_EVENT_IDLE;
        QVERIFY(!translate(idle));
    }

    // --- the engine ---

    // A load replaced at once: nothing of the first file reaches the engine's
    // state or signals, however late mpv's news of it comes.
    void anEarlierLoadChangesNothing()
    {
        MpvEngine e;
        e.prepare();
        QTRY_VERIFY_WITH_TIMEOUT(e.isAvailable(), kLong);
        QList<quint64> news; // items named by ready, failed and ended
        connect(&e, &MediaEngine::itemReady, this, [&](quint64 item) { news << item; });
        connect(&e, &MediaEngine::itemFailed, this, [&](quint64 item) { news << item; });
        connect(&e, &MediaEngine::itemEnded, this, [&](quint64 item) { news << item; });
        QList<double> durations;
        connect(&e, &MediaEngine::durationChanged, this, [&] { durations << e.duration(); });
        QList<QSize> sizes;
        connect(&e, &MediaEngine::presentationSizeChanged, this, [&] { sizes << e.presentationSize(); });
        QSignalSpy statuses(&e, &MediaEngine::timeControlStatusChanged);

        e.load(m_long, true);
        const quint64 second = e.load(m_short, false);
        QTRY_COMPARE_WITH_TIMEOUT(news, QList<quint64>{second}, kLong);
        QTRY_COMPARE_WITH_TIMEOUT(e.presentationSize(), QSize(160, 120), kLong);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(e.duration() - 2.0) < 0.1, kLong);
        QTest::qWait(500);
        QCOMPARE(news, QList<quint64>{second});
        for (double d : std::as_const(durations))
            QVERIFY2(std::isnan(d) || std::abs(d - 2.0) < 0.1, qPrintable(QString::number(d)));
        QVERIFY(!sizes.contains(QSize(320, 240)));
        for (const auto &args : std::as_const(statuses))
            QVERIFY(args[0].value<TC>() != TC::Playing);
        QVERIFY(e.currentTime() < 0.1);
    }

    // Ready, then the ticks forward in media time, then the end: in the order
    // mpv told them.
    void newsComesInOrder()
    {
        MpvEngine e;
        QStringList marks;
        double last = -1;
        bool backwards = false;
        connect(&e, &MediaEngine::itemReady, this, [&] { marks << "ready"; });
        connect(&e, &MediaEngine::periodicTime, this, [&](double t) {
            if (t < last)
                backwards = true;
            last = t;
            if (marks.isEmpty() || marks.last() != "tick")
                marks << "tick";
        });
        connect(&e, &MediaEngine::itemEnded, this, [&] { marks << "ended"; });
        e.load(m_short, true);
        QTRY_VERIFY_WITH_TIMEOUT(marks.contains("ended"), kLong);
        // The play head's last position may follow the end.
        if (marks.size() == 4 && marks.last() == "tick")
            marks.removeLast();
        QVERIFY2(marks == (QStringList{"ready", "tick", "ended"}), qPrintable(marks.join(u' ')));
        QVERIFY(!backwards);
        QVERIFY(last > 1.5);
    }

    // Playing means the picture moves: not before mpv's playback restart,
    // also for a load that replaces a playing one.
    void playingOnlyOnceStarted()
    {
        MpvEngine e;
        e.load(m_long, true);
        QTRY_COMPARE_WITH_TIMEOUT(e.timeControlStatus(), TC::Playing, kLong);
        for (const QUrl &url : {m_short, m_long}) {
            QSignalSpy statuses(&e, &MediaEngine::timeControlStatusChanged);
            e.load(url, true);
            QTRY_VERIFY_WITH_TIMEOUT(e.currentTime() > 0.5, kLong);
            QList<TC> seen;
            for (const auto &args : std::as_const(statuses))
                seen << args[0].value<TC>();
            QCOMPARE(seen, (QList<TC>{TC::WaitingToPlay, TC::Playing}));
        }
    }

    // Engines that go while mpv is busy take their event thread with them.
    void goesWhileEventsFlow()
    {
        for (int i = 0; i < 3; ++i) {
            auto e = std::make_unique<MpvEngine>();
            e->load(m_long, true);
            QTRY_VERIFY_WITH_TIMEOUT(e->isAvailable(), kLong);
            QTest::qWait(50 * i);
            e.reset();
        }
        MpvEngine survivor;
        survivor.load(m_short, false);
        QTRY_COMPARE_WITH_TIMEOUT(survivor.itemStatus(), MediaEngine::ItemStatus::Ready, kLong);
    }
};

QTEST_GUILESS_MAIN(TestMpvEvents)
#include "tst_mpvevents.moc"
