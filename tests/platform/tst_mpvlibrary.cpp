// Opening libmpv lets go of the read-only pages its libraries were loaded
// with, and the library still works afterwards: its relocated data is
// intact and the pages it needs come back.
#include "MpvLibrary.h"
#include "SampleClips.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Mapping
{
    QString file;
    bool writable = false;
    qint64 cleanKb = 0;
};

QList<Mapping> mappings()
{
    QList<Mapping> list;
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return list;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 5 && fields.at(0).contains('-') && fields.at(1).size() == 4) {
            Mapping m;
            m.writable = fields.at(1).at(1) == 'w';
            m.file = fields.size() >= 6 ? QString::fromUtf8(fields.at(5)) : QString();
            list << m;
        } else if ((line.startsWith("Shared_Clean:") || line.startsWith("Private_Clean:")) && !list.isEmpty()) {
            list.last().cleanKb += fields.value(1).toLongLong();
        }
    }
    return list;
}

QSet<QString> mappedFiles()
{
    QSet<QString> files;
    for (const Mapping &m : mappings())
        if (m.file.startsWith(QLatin1Char('/')))
            files << m.file;
    return files;
}

} // namespace

class TstMpvLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_before = mappedFiles();
        m_lib = MpvLibrary::get();
        if (!m_lib)
            QSKIP("libmpv is not installed");
    }

    void loadedPagesAreReleased()
    {
        QVERIFY2(newFiles() > 20, "libmpv brings its dependencies");
        // Loading left some 25 MB of them resident here; a few pages come
        // back as the functions are looked up.
        const qint64 kb = residentReadOnlyKb();
        QVERIFY2(kb < 8 * 1024, qPrintable(QStringLiteral("%1 kB still resident").arg(kb)));
    }

    // A core starts and plays through the released code and the relocated
    // tables (options, demuxers, decoders) its libraries keep; what playing
    // brought back can go again, and the next core plays as well.
    void playsAfterwards()
    {
        QTemporaryDir dir;
        const QString clip = dir.filePath(QStringLiteral("clip.mp4"));
        if (!makeClip(clip, QStringLiteral("testsrc2=size=320x240:rate=25:duration=1"), 1))
            QSKIP("ffmpeg could not make a clip");
        QVERIFY(playsToTheEnd(clip));
        const qint64 played = residentReadOnlyKb();
        MpvLibrary::releaseStartupPages();
        const qint64 released = residentReadOnlyKb();
        QVERIFY2(released < played && released < 8 * 1024,
                 qPrintable(QStringLiteral("%1 kB after playing, %2 kB after release").arg(played).arg(released)));
        QVERIFY(playsToTheEnd(clip));
    }

private:
    int newFiles() const
    {
        QSet<QString> files = mappedFiles();
        files.subtract(m_before);
        return int(files.size());
    }

    // Clean pages of the never-writable mappings of what the library brought.
    // (Relocated tables turn read-only too, but are copies of their own.)
    qint64 residentReadOnlyKb() const
    {
        qint64 kb = 0;
        for (const Mapping &m : mappings())
            if (m.file.startsWith(QLatin1Char('/')) && !m_before.contains(m.file) && !m.writable)
                kb += m.cleanKb;
        return kb;
    }

    bool playsToTheEnd(const QString &clip) const
    {
        mpv_handle *mpv = m_lib->create();
        if (!mpv)
            return false;
        for (const auto &[name, value] : {std::pair{"vo", "null"}, {"ao", "null"}, {"config", "no"}})
            m_lib->set_option_string(mpv, name, value);
        bool loaded = false, ended = false;
        if (m_lib->initialize(mpv) == 0) {
            const QByteArray path = clip.toUtf8();
            const char *load[] = {"loadfile", path.constData(), nullptr};
            m_lib->command_async(mpv, 0, load);
            QElapsedTimer clock;
            clock.start();
            while (!ended && clock.elapsed() < 20000) {
                mpv_event *e = m_lib->wait_event(mpv, 1);
                if (e->event_id == MPV_EVENT_FILE_LOADED)
                    loaded = true;
                if (e->event_id == MPV_EVENT_END_FILE)
                    ended = static_cast<mpv_event_end_file *>(e->data)->reason == MPV_END_FILE_REASON_EOF;
                if (e->event_id == MPV_EVENT_END_FILE && !ended)
                    break;
            }
        }
        m_lib->terminate_destroy(mpv);
        return loaded && ended;
    }

    QSet<QString> m_before;
    const MpvLibrary *m_lib = nullptr;
};

QTEST_GUILESS_MAIN(TstMpvLibrary)
#include "tst_mpvlibrary.moc"
