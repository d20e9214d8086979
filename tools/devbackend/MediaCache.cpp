#include "MediaCache.h"
#include "Fixtures.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSize>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

struct ClipRecipe
{
    const char *source;
    const char *filter; // applied before scaling, ends with ","
    int tone;
    bool portrait;
};

// Visibly and audibly different clips; the last one is portrait, for Shorts.
const ClipRecipe clipRecipes[Fixtures::clipCount] = {
    {"testsrc2", "", 440, false},
    {"smptehdbars", "hue=H=2*PI*t/8,", 523, false},
    {"gradients=speed=0.02:n=4", "", 659, false},
    {"testsrc", "", 392, true},
};

QString source(const ClipRecipe &recipe, int w, int h, int rate)
{
    const QString s = QString::fromLatin1(recipe.source);
    return s + (s.contains(QLatin1Char('=')) ? QLatin1Char(':') : QLatin1Char('=')) +
           QStringLiteral("s=%1x%2:r=%3").arg(w).arg(h).arg(rate);
}

QStringList x264(int maxrateK)
{
    return {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("ultrafast"),
            QStringLiteral("-crf"), QStringLiteral("26"), QStringLiteral("-maxrate"), QStringLiteral("%1k").arg(maxrateK),
            QStringLiteral("-bufsize"), QStringLiteral("%1k").arg(maxrateK * 2), QStringLiteral("-g"), QStringLiteral("50"),
            QStringLiteral("-keyint_min"), QStringLiteral("50"), QStringLiteral("-sc_threshold"), QStringLiteral("0"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("aac"),
            QStringLiteral("-b:a"), QStringLiteral("96k"), QStringLiteral("-ac"), QStringLiteral("2")};
}

QSize hiSize(const ClipRecipe &s) { return s.portrait ? QSize(720, 1280) : QSize(1280, 720); }
QSize loSize(const ClipRecipe &s) { return s.portrait ? QSize(360, 640) : QSize(640, 360); }
QSize progressiveSize(const ClipRecipe &s) { return s.portrait ? QSize(540, 960) : QSize(640, 360); }

} // namespace

MediaCache::MediaCache(QString dir, QString ffmpeg) : m_dir(std::move(dir)), m_ffmpeg(std::move(ffmpeg)) {}

QString MediaCache::root() const { return m_dir + QStringLiteral("/v1"); }
QString MediaCache::clipDir(int clip) const { return root() + QStringLiteral("/clip-%1").arg(clip); }
QString MediaCache::imagesDir() const { return root() + QStringLiteral("/images"); }
QString MediaCache::variantDir(int clip, int quality) const
{
    return clipDir(clip) + QStringLiteral("/hls/%1").arg(quality);
}
QString MediaCache::streamFile(int clip) const { return clipDir(clip) + QStringLiteral("/stream.mp4"); }
QString MediaCache::thumbFile(int variant, bool large) const
{
    return imagesDir() + QStringLiteral("/thumb-%1-%2.jpg").arg(variant).arg(large ? QStringLiteral("hq720") : QStringLiteral("mqdefault"));
}
QString MediaCache::avatarFile(int n) const { return imagesDir() + QStringLiteral("/avatar-%1.png").arg(n); }
QString MediaCache::bannerFile(int n) const { return imagesDir() + QStringLiteral("/banner-%1.jpg").arg(n); }

bool MediaCache::hasClip(int clip) const { return QFileInfo::exists(clipDir(clip)); }
bool MediaCache::hasImages() const { return QFileInfo::exists(imagesDir()); }

QString MediaCache::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

bool MediaCache::ensureImages()
{
    return ensure(m_units[Fixtures::clipCount], imagesDir(),
                  [this](const QString &tmp, QString *error) { return makeImages(tmp, error); });
}

bool MediaCache::ensureClip(int clip)
{
    if (clip < 0 || clip >= Fixtures::clipCount)
        return false;
    return ensure(m_units[clip], clipDir(clip),
                  [this, clip](const QString &tmp, QString *error) { return makeClip(clip, tmp, error); });
}

bool MediaCache::ensureAll()
{
    bool ok = ensureImages();
    for (int c = 0; c < Fixtures::clipCount; ++c)
        ok = ensureClip(c) && ok;
    return ok;
}

bool MediaCache::ensure(Unit &unit, const QString &finalDir,
                        const std::function<bool(const QString &, QString *)> &make)
{
    if (QFileInfo::exists(finalDir))
        return true;
    std::lock_guard lock(unit.mutex);
    if (QFileInfo::exists(finalDir))
        return true;
    if (m_cancelled)
        return false;
    // A failed ffmpeg is not retried on every request.
    if (unit.failedAt && QDateTime::currentMSecsSinceEpoch() - unit.failedAt < 30000)
        return false;
    QDir().mkpath(root());
    QTemporaryDir tmp(root() + QStringLiteral("/.tmp-") + QFileInfo(finalDir).fileName() + QStringLiteral("-XXXXXX"));
    QString error;
    bool ok = tmp.isValid();
    if (!ok)
        error = QStringLiteral("no se pudo crear una carpeta temporal en %1").arg(root());
    ok = ok && make(tmp.path(), &error);
    if (ok) {
        QFile::remove(tmp.path() + QStringLiteral("/ffmpeg.log"));
        // Another process may have won the race: its copy is as good as ours.
        if (QDir().rename(tmp.path(), finalDir))
            tmp.setAutoRemove(false);
        ok = QFileInfo::exists(finalDir);
        if (!ok)
            error = QStringLiteral("no se pudo mover %1 a %2").arg(tmp.path(), finalDir);
    }
    if (!ok) {
        unit.failedAt = QDateTime::currentMSecsSinceEpoch();
        std::lock_guard l(m_mutex);
        m_lastError = error;
    }
    return ok;
}

bool MediaCache::makeClip(int clip, const QString &out, QString *error) const
{
    const ClipRecipe &recipe = clipRecipes[clip];
    const QSize hi = hiSize(recipe), lo = loSize(recipe), pr = progressiveSize(recipe);
    for (int q : qualities)
        QDir().mkpath(out + QStringLiteral("/hls/%1").arg(q));
    const QString secs = QString::number(clipSeconds);
    QStringList args = {m_ffmpeg, QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-y"),
                        QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-threads"), QStringLiteral("2"),
                        QStringLiteral("-t"), secs, QStringLiteral("-f"), QStringLiteral("lavfi"),
                        QStringLiteral("-i"), source(recipe, hi.width(), hi.height(), 25),
                        QStringLiteral("-t"), secs, QStringLiteral("-f"), QStringLiteral("lavfi"),
                        QStringLiteral("-i"), QStringLiteral("sine=f=%1:beep_factor=2:sample_rate=44100").arg(recipe.tone),
                        QStringLiteral("-filter_complex"),
                        QStringLiteral("[0:v]%1split=3[hi][lo][pr];[lo]scale=%2:%3[lo2];[pr]scale=%4:%5[pr2]")
                            .arg(QString::fromLatin1(recipe.filter)).arg(lo.width()).arg(lo.height())
                            .arg(pr.width()).arg(pr.height())};
    auto hls = [&](const QString &label, int quality, int maxrate) {
        const QString dir = out + QStringLiteral("/hls/%1").arg(quality);
        args << QStringLiteral("-map") << label << QStringLiteral("-map") << QStringLiteral("1:a") << x264(maxrate)
             << QStringLiteral("-f") << QStringLiteral("hls") << QStringLiteral("-hls_time") << QStringLiteral("4")
             << QStringLiteral("-hls_playlist_type") << QStringLiteral("vod")
             << QStringLiteral("-hls_segment_filename") << dir + QStringLiteral("/seg_%03d.ts")
             << dir + QStringLiteral("/index.m3u8");
    };
    hls(QStringLiteral("[hi]"), 720, 2500);
    hls(QStringLiteral("[lo2]"), 360, 800);
    args << QStringLiteral("-map") << QStringLiteral("[pr2]") << QStringLiteral("-map") << QStringLiteral("1:a")
         << x264(1200) << QStringLiteral("-movflags") << QStringLiteral("+faststart") << out + QStringLiteral("/stream.mp4");
    return run(args, out + QStringLiteral("/ffmpeg.log"), 300, error, &m_cancelled);
}

bool MediaCache::makeImages(const QString &out, QString *error) const
{
    const QString log = out + QStringLiteral("/ffmpeg.log");
    const QStringList head = {m_ffmpeg, QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-y"),
                              QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi")};
    // Thumbnails: frames of each clip's source, hue-shifted so cards differ.
    for (int c = 0; c < Fixtures::clipCount; ++c) {
        const ClipRecipe &recipe = clipRecipes[c];
        const QSize hi = hiSize(recipe);
        const QString fit = recipe.portrait ? QStringLiteral("scale=-2:720,pad=1280:720:(ow-iw)/2:0:color=0x202028,")
                                          : QString();
        QStringList args = head;
        args << QStringLiteral("-i") << source(recipe, hi.width(), hi.height(), 1) << QStringLiteral("-filter_complex")
             << QStringLiteral("[0:v]%1%2hue=h=t*55,split=2[l][s];[s]scale=320:180[s2]")
                    .arg(QString::fromLatin1(recipe.filter), fit)
             << QStringLiteral("-map") << QStringLiteral("[l]") << QStringLiteral("-frames:v")
             << QString::number(Fixtures::thumbsPerClip) << QStringLiteral("-q:v") << QStringLiteral("4")
             << QStringLiteral("-start_number") << QString::number(c * Fixtures::thumbsPerClip)
             << out + QStringLiteral("/thumb-%d-hq720.jpg")
             << QStringLiteral("-map") << QStringLiteral("[s2]") << QStringLiteral("-frames:v")
             << QString::number(Fixtures::thumbsPerClip) << QStringLiteral("-q:v") << QStringLiteral("5")
             << QStringLiteral("-start_number") << QString::number(c * Fixtures::thumbsPerClip)
             << out + QStringLiteral("/thumb-%d-mqdefault.jpg");
        if (!run(args, log, 120, error, &m_cancelled))
            return false;
    }
    QStringList avatars = head;
    avatars << QStringLiteral("-i") << QStringLiteral("gradients=s=176x176:r=1:speed=0.3:n=3:seed=7")
            << QStringLiteral("-vf") << QStringLiteral("hue=h=t*29") << QStringLiteral("-frames:v")
            << QString::number(Fixtures::avatarImages) << QStringLiteral("-start_number") << QStringLiteral("0")
            << out + QStringLiteral("/avatar-%d.png");
    QStringList banners = head;
    banners << QStringLiteral("-i") << QStringLiteral("gradients=s=2048x576:r=1:speed=0.5:n=5:seed=3")
            << QStringLiteral("-vf") << QStringLiteral("hue=h=t*90") << QStringLiteral("-frames:v")
            << QString::number(Fixtures::bannerImages) << QStringLiteral("-q:v") << QStringLiteral("4")
            << QStringLiteral("-start_number") << QStringLiteral("0") << out + QStringLiteral("/banner-%d.jpg");
    return run(avatars, log, 60, error, &m_cancelled) && run(banners, log, 60, error, &m_cancelled);
}

QList<MediaCache::Variant> MediaCache::variants(int clip)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_variants.constFind(clip);
        if (it != m_variants.constEnd())
            return *it;
    }
    if (clip < 0 || clip >= Fixtures::clipCount || !hasClip(clip))
        return {};
    const ClipRecipe &recipe = clipRecipes[clip];
    QList<Variant> out;
    for (int q : qualities) {
        const QString dir = variantDir(clip, q);
        QFile playlist(dir + QStringLiteral("/index.m3u8"));
        if (!playlist.open(QIODevice::ReadOnly))
            continue;
        double seconds = 0;
        qint64 bytes = 0;
        double peak = 0;
        double lastDuration = 0;
        for (const QByteArray &raw : playlist.readAll().split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.startsWith("#EXTINF:")) {
                lastDuration = line.mid(8, line.indexOf(',') - 8).toDouble();
                seconds += lastDuration;
            } else if (!line.isEmpty() && !line.startsWith('#')) {
                const qint64 size = QFileInfo(dir + QLatin1Char('/') + QString::fromUtf8(line)).size();
                bytes += size;
                if (lastDuration > 0)
                    peak = std::max(peak, size * 8.0 / lastDuration);
            }
        }
        const QSize size = q == 720 ? hiSize(recipe) : loSize(recipe);
        Variant v;
        v.quality = q;
        v.width = size.width();
        v.height = size.height();
        v.averageBandwidth = seconds > 0 ? qint64(bytes * 8.0 / seconds) : 0;
        v.bandwidth = qint64(std::max(peak, double(v.averageBandwidth)) * 1.1);
        out.append(v);
    }
    std::lock_guard lock(m_mutex);
    m_variants.insert(clip, out);
    return out;
}

std::shared_ptr<const QByteArray> MediaCache::read(const QString &path)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_files.constFind(path);
        if (it != m_files.constEnd())
            return *it;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    auto data = std::make_shared<const QByteArray>(f.readAll());
    std::lock_guard lock(m_mutex);
    m_files.insert(path, data);
    return data;
}

bool MediaCache::run(const QStringList &argv, const QString &logFile, int timeoutSec, QString *error,
                     const std::atomic<bool> *cancel)
{
    std::vector<QByteArray> bytes;
    for (const QString &a : argv)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char *> cargv;
    for (QByteArray &b : bytes)
        cargv.push_back(b.data());
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray log = logFile.toLocal8Bit();
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // The child must not inherit the server's sockets.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        if (error)
            *error = QStringLiteral("no se pudo ejecutar %1: %2").arg(argv.value(0), QString::fromLocal8Bit(strerror(rc)));
        return false;
    }
    int status = 0;
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + qint64(timeoutSec) * 1000;
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (r < 0 && errno != EINTR) {
            status = -1;
            break;
        }
        const bool cancelled = cancel && cancel->load();
        if (cancelled || QDateTime::currentMSecsSinceEpoch() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            if (error)
                *error = cancelled ? QStringLiteral("cancelado") : QStringLiteral("%1 tardó más de %2 s").arg(argv.value(0)).arg(timeoutSec);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (error) {
            QFile f(logFile);
            const QString tail = f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(600)) : QString();
            *error = QStringLiteral("%1 falló: %2").arg(argv.value(0), tail.trimmed());
        }
        return false;
    }
    return true;
}
