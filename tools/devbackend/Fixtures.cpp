#include "Fixtures.h"
#include "FixtureTables.h"
#include "Rng.h"

#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <utility>

using namespace FixtureTables;

namespace {

const char idAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

QString makeId(Rng &rng, const char *prefix, int length)
{
    QString id = QString::fromLatin1(prefix);
    while (id.size() < length)
        id += QLatin1Char(idAlphabet[rng.next() % 64]);
    return id;
}

QString slug(const QString &text)
{
    QString out;
    for (QChar c : Fixtures::fold(text))
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

QString agoText(qint64 minutes)
{
    struct Unit { qint64 minutes; const char *one; const char *many; };
    static const Unit units[] = {
        {525600, "año", "años"}, {43200, "mes", "meses"}, {10080, "semana", "semanas"},
        {1440, "día", "días"}, {60, "hora", "horas"}, {1, "minuto", "minutos"},
    };
    for (const Unit &u : units) {
        if (minutes >= u.minutes) {
            const qint64 n = minutes / u.minutes;
            return QStringLiteral("hace %1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? u.one : u.many));
        }
    }
    return QStringLiteral("hace un momento");
}

QString clockText(qint64 seconds)
{
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QStringList words(const QString &text)
{
    static const QRegularExpression split(QStringLiteral("[^\\p{L}\\p{N}]+"));
    return Fixtures::fold(text).split(split, Qt::SkipEmptyParts);
}

struct ChapterMark { qint64 start; QString title; };

QList<ChapterMark> chapterMarks(const FxVideo &v)
{
    QList<ChapterMark> out;
    if (v.live || v.isShort || v.duration < 180)
        return out;
    Rng rng(Rng::hash(v.id) ^ 0xC4A9);
    const int n = 3 + int(rng.range(0, 3));
    const qint64 step = v.duration / n;
    QList<int> middle = {1, 2, 3, 4, 5};
    while (middle.size() > n - 2)
        middle.removeAt(int(rng.range(0, middle.size() - 1)));
    out.append({0, QString::fromUtf8(chapterTitles[0])});
    for (int i = 1; i < n; ++i) {
        const qint64 start = i * step + rng.range(0, step / 10);
        const char *title = i == n - 1 ? chapterTitles[6] : chapterTitles[middle[i - 1]];
        out.append({start, QString::fromUtf8(title)});
    }
    return out;
}

} // namespace

Fixtures::Fixtures()
{
    buildChannels();
    buildVideos();
    buildPlaylists();
}

QString Fixtures::fold(const QString &text)
{
    QString out;
    const QString decomposed = text.normalized(QString::NormalizationForm_D).toLower();
    out.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out;
}

bool Fixtures::isVideoSiteId(const QString &id)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9_-]{11}$"));
    return form.match(id).hasMatch();
}

void Fixtures::buildChannels()
{
    Rng rng(0x0C4A77E1);
    for (int c = 0; c < int(FixtureTables::channels.size()); ++c) {
        const ChannelRow &row = FixtureTables::channels[c];
        FxChannel ch;
        ch.index = c;
        ch.id = makeId(rng, "UC", 24);
        ch.name = QString::fromUtf8(row.name);
        ch.handle = QString::fromUtf8(row.handle);
        ch.category = QString::fromLatin1(categories[row.category].id);
        ch.subscribers = qint64(std::pow(10.0, 3.0 + rng.unit() * 4.0));
        ch.verified = c % 3 != 2;
        ch.hasAvatar = !ch.handle.isEmpty(); // the channel without handle has no picture either
        ch.hasBanner = c % 4 != 3;
        ch.description = QStringLiteral("Bienvenido a %1. Nuevos vídeos de %2 cada semana.\n%3")
                             .arg(ch.name, QString::fromUtf8(categories[row.category].topic),
                                  QString::fromUtf8(descriptionEndings[c % descriptionEndings.size()]));
        m_channelByKey.insert(ch.id, c);
        if (!ch.handle.isEmpty())
            m_channelByKey.insert(ch.handle, c);
        m_channels.append(ch);
    }
}

FxVideo Fixtures::makeVideo(int c, int slot, bool isShort, std::uint64_t seed) const
{
    Rng rng(seed);
    const ChannelRow &row = FixtureTables::channels[c];
    FxVideo v;
    v.id = makeId(rng, "", 11);
    v.channel = c;
    v.isShort = isShort;
    if (isShort) {
        v.subject = QString::fromUtf8(row.subjects[(slot * 2 + 1) % 4]);
        v.title = v.subject + QStringLiteral(" #shorts");
        v.duration = rng.range(12, 59);
        v.daysAgo = int(rng.range(0, 60));
    } else {
        const int round = slot / 4;
        v.subject = QString::fromUtf8(row.subjects[slot % 4]);
        v.title = round == 0 ? v.subject
                             : v.subject + QString::fromUtf8(titleTails[(round - 1 + c * 2 + slot) % titleTails.size()]);
        const int bucket = int(rng.range(0, 9));
        v.duration = bucket < 3 ? rng.range(61, 239) : bucket < 7 ? rng.range(240, 1200) : rng.range(1201, 4800);
        v.daysAgo = slot == 0 ? int(rng.range(0, 2)) : int(slot * 40 + rng.range(0, 60));
        if (slot == 8 && c % 3 == 0) {
            v.live = true;
            v.duration = 0;
            v.daysAgo = 0;
            v.title = QStringLiteral("EN DIRECTO: ") + v.subject;
        } else if (slot == 7 && c % 4 == 1) {
            v.duration = rng.range(30, 58); // a short clip that is not a Short
        }
    }
    v.views = v.live ? rng.range(40, 20000) : qint64(std::pow(10.0, 2.3 + rng.unit() * 5.0));
    v.withAvatar = c % 3 == 0 && m_channels[c].hasAvatar;
    v.withHandle = !m_channels[c].handle.isEmpty();
    v.clip = isShort ? portraitClip : int(Rng::hash(v.id) % 3);
    v.thumb = v.clip * thumbsPerClip + int((Rng::hash(v.id) >> 8) % thumbsPerClip);
    return v;
}

void Fixtures::buildVideos()
{
    constexpr int regularPerChannel = 9;
    constexpr int shortsPerChannel = 2;
    for (int slot = 0; slot < regularPerChannel; ++slot) {
        for (int c = 0; c < m_channels.size(); ++c) {
            FxVideo v = makeVideo(c, slot, false, 0x51DE0000ULL + std::uint64_t(c) * 100 + slot);
            const int g = m_regular.size();
            v.index = m_videos.size();
            // A few of every kind of awkward video the app must cope with.
            v.withChannelId = (g % 17) != 5;
            v.canPlay = g != 13 && g != 101;
            v.hls = g != 21 && g != 77 && g != 150;
            v.thumbHq = g % 7 != 3;
            v.thumbMq = g != 45;
            v.commentsOff = g % 11 == 4;
            m_regular.append(v.index);
            m_videos.append(v);
        }
    }
    for (int slot = 0; slot < shortsPerChannel; ++slot) {
        for (int c = 0; c < m_channels.size(); ++c) {
            FxVideo v = makeVideo(c, slot, true, 0x5A0B0000ULL + std::uint64_t(c) * 100 + slot);
            v.index = m_videos.size();
            m_shorts.append(v.index);
            m_videos.append(v);
        }
    }
    for (const FxVideo &v : std::as_const(m_videos)) {
        m_videoById.insert(v.id, v.index);
        if (v.isShort)
            m_channels[v.channel].shorts.append(v.index);
        else
            m_channels[v.channel].videos.append(v.index);
        m_searchWords.append(words(v.title + QLatin1Char(' ') + m_channels[v.channel].name));
    }
    for (FxChannel &c : m_channels)
        std::stable_sort(c.videos.begin(), c.videos.end(),
                         [this](int a, int b) { return m_videos[a].daysAgo < m_videos[b].daysAgo; });

    // Feeds: a stable shuffle per category, live videos first.
    for (const CategoryRow &cat : categories) {
        const QString id = QString::fromLatin1(cat.id);
        QList<int> list;
        for (int i : std::as_const(m_regular))
            if (id == QLatin1String("foryou") || m_channels[m_videos[i].channel].category == id)
                list.append(i);
        const std::uint64_t salt = Rng::hash(id);
        std::stable_sort(list.begin(), list.end(), [&](int a, int b) {
            const FxVideo &x = m_videos[a], &y = m_videos[b];
            if (x.live != y.live)
                return x.live;
            return (Rng::hash(x.id) ^ salt) < (Rng::hash(y.id) ^ salt);
        });
        m_feeds.insert(id, list);
    }
}

void Fixtures::buildPlaylists()
{
    Rng rng(0x9A7115);
    for (int c = 0; c < m_channels.size(); c += 2) {
        FxPlaylist p;
        p.id = makeId(rng, "PL", 34);
        p.channel = c;
        p.title = QString::fromUtf8(playlistTitles[(c / 2) % 5]);
        if (p.title.contains(QLatin1String("%1")))
            p.title = p.title.arg(m_channels[c].name);
        p.videos = m_channels[c].videos;
        std::reverse(p.videos.begin(), p.videos.end());
        m_playlists.append(p);
    }
    FxPlaylist mix;
    mix.id = makeId(rng, "PL", 34);
    mix.channel = 0;
    mix.title = QString::fromUtf8(playlistTitles[5]);
    for (int i = 0; i < 60; ++i)
        mix.videos.append(m_regular[(i * 37) % m_regular.size()]);
    m_playlists.append(mix);
    // An empty list: the playlist screen has an empty state too.
    FxPlaylist empty;
    empty.id = makeId(rng, "PL", 34);
    empty.channel = 1;
    empty.title = QStringLiteral("Próximamente");
    m_playlists.append(empty);
    // A list without an owner channel: its subtitle is only the count.
    FxPlaylist ownerless;
    ownerless.id = makeId(rng, "PL", 34);
    ownerless.channel = -1;
    ownerless.title = QStringLiteral("Selección sin canal");
    for (int i = 0; i < 8; ++i)
        ownerless.videos.append(m_regular[(i * 11 + 5) % m_regular.size()]);
    m_playlists.append(ownerless);
    for (int i = 0; i < m_playlists.size(); ++i)
        m_playlistById.insert(m_playlists[i].id, i);
}

QStringList Fixtures::categoryIds() const
{
    QStringList out;
    for (const CategoryRow &c : categories)
        out << QString::fromLatin1(c.id);
    return out;
}

QStringList Fixtures::searchFilterIds() const
{
    return {QStringLiteral("any"), QStringLiteral("today"), QStringLiteral("week"), QStringLiteral("month"),
            QStringLiteral("short"), QStringLiteral("medium"), QStringLiteral("long"), QStringLiteral("live"),
            QStringLiteral("views"), QStringLiteral("recent")};
}

std::optional<FxVideo> Fixtures::find(const QString &id) const
{
    const auto it = m_videoById.constFind(id);
    if (it != m_videoById.constEnd())
        return m_videos[*it];
    if (!isVideoSiteId(id))
        return std::nullopt;
    // Any id of the right form plays, so links pasted from the real site work.
    const std::uint64_t h = Rng::hash(id);
    const int c = int(h % std::uint64_t(m_channels.size()));
    FxVideo v = makeVideo(c, int((h >> 16) % 9), false, h);
    v.id = id;
    v.index = -1;
    v.live = false;
    if (v.duration < 61)
        v.duration += 120;
    v.title = v.subject;
    v.clip = int(h % 3);
    v.thumb = v.clip * thumbsPerClip + int((h >> 8) % thumbsPerClip);
    return v;
}

const FxChannel *Fixtures::channel(const QString &idOrHandle) const
{
    const auto it = m_channelByKey.constFind(idOrHandle);
    return it == m_channelByKey.constEnd() ? nullptr : &m_channels[*it];
}

const FxPlaylist *Fixtures::playlist(const QString &id) const
{
    const auto it = m_playlistById.constFind(id);
    return it == m_playlistById.constEnd() ? nullptr : &m_playlists[*it];
}

std::optional<QList<int>> Fixtures::feed(const QString &category) const
{
    const auto it = m_feeds.constFind(category);
    if (it == m_feeds.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<QList<int>> Fixtures::search(const QString &query, const QString &filter) const
{
    const QString f = filter.isEmpty() ? QStringLiteral("any") : filter;
    if (!searchFilterIds().contains(f))
        return std::nullopt;
    QStringList terms = words(query);
    if (terms.size() > 1)
        terms.removeIf([](const QString &w) { return w.size() < 3; }); // "de", "la", "en"…
    QList<QPair<int, int>> scored; // (score, video)
    if (!terms.isEmpty()) {
        for (int i : std::as_const(m_regular)) {
            const QStringList &have = m_searchWords[i];
            int score = 0;
            for (const QString &t : std::as_const(terms)) {
                const bool hit = std::any_of(have.begin(), have.end(), [&](const QString &w) {
                    return w == t || (t.size() >= 4 && w.startsWith(t));
                });
                score += hit ? 1 : 0;
            }
            if (score > 0)
                scored.append({score, i});
        }
    }
    const int ref = 0;
    auto keep = [&](const FxVideo &v) {
        if (f == QLatin1String("today")) return v.daysAgo == ref;
        if (f == QLatin1String("week")) return v.daysAgo <= 7;
        if (f == QLatin1String("month")) return v.daysAgo <= 31;
        if (f == QLatin1String("short")) return !v.live && v.duration < 240;
        if (f == QLatin1String("medium")) return !v.live && v.duration >= 240 && v.duration <= 1200;
        if (f == QLatin1String("long")) return !v.live && v.duration > 1200;
        if (f == QLatin1String("live")) return v.live;
        return true;
    };
    scored.removeIf([&](const QPair<int, int> &s) { return !keep(m_videos[s.second]); });
    std::stable_sort(scored.begin(), scored.end(), [&](const QPair<int, int> &a, const QPair<int, int> &b) {
        const FxVideo &x = m_videos[a.second], &y = m_videos[b.second];
        if (f == QLatin1String("views") && x.views != y.views)
            return x.views > y.views;
        if (f == QLatin1String("recent") && x.daysAgo != y.daysAgo)
            return x.daysAgo < y.daysAgo;
        if (a.first != b.first)
            return a.first > b.first;
        return x.views > y.views;
    });
    QList<int> out;
    out.reserve(scored.size());
    for (const auto &s : std::as_const(scored))
        out.append(s.second);
    return out;
}

QStringList Fixtures::suggest(const QString &query) const
{
    const QString q = fold(query).simplified();
    QStringList out;
    if (q.isEmpty())
        return out;
    QList<int> byViews = m_regular;
    std::stable_sort(byViews.begin(), byViews.end(),
                     [this](int a, int b) { return m_videos[a].views > m_videos[b].views; });
    for (int i : std::as_const(byViews)) {
        const QString subject = m_videos[i].subject.toLower();
        const QString folded = fold(subject);
        // From the word where the typed text starts to the end of the phrase.
        qsizetype at = folded.startsWith(q) ? 0 : folded.indexOf(QLatin1Char(' ') + q);
        if (at < 0)
            continue;
        if (at > 0)
            ++at;
        QString s = subject.mid(at);
        while (!s.isEmpty() && !s.back().isLetterOrNumber())
            s.chop(1);
        if (!s.isEmpty() && !out.contains(s))
            out.append(s);
        if (out.size() == 8)
            return out;
    }
    const QString typed = query.simplified().toLower();
    for (const char *tail : suggestionTails) {
        if (out.size() >= 5)
            break;
        const QString s = typed + QString::fromUtf8(tail);
        if (!out.contains(s))
            out.append(s);
    }
    return out;
}

QList<int> Fixtures::related(const FxVideo &v) const
{
    QList<int> out;
    const FxChannel &c = m_channels[v.channel];
    for (int i : c.videos)
        if (m_videos[i].id != v.id && out.size() < 4)
            out.append(i);
    const QList<int> &cat = m_feeds[c.category];
    const qsizetype start = qsizetype(Rng::hash(v.id) % std::uint64_t(cat.size()));
    for (qsizetype k = 0; k < cat.size() && out.size() < 12; ++k) {
        const int i = cat[(start + k) % cat.size()];
        if (m_videos[i].id != v.id && !out.contains(i) && !m_videos[i].live)
            out.append(i);
    }
    return out;
}

std::optional<QList<int>> Fixtures::channelTab(const FxChannel &c, const QString &tab) const
{
    if (tab.isEmpty() || tab == QLatin1String("videos"))
        return c.videos;
    if (tab == QLatin1String("shorts"))
        return c.shorts;
    if (tab == QLatin1String("popular")) {
        QList<int> list = c.videos;
        list.removeIf([this](int i) { return m_videos[i].live; });
        std::stable_sort(list.begin(), list.end(), [this](int a, int b) { return m_videos[a].views > m_videos[b].views; });
        return list;
    }
    return std::nullopt;
}

QList<int> Fixtures::page(const QList<int> &all, qint64 page, int size)
{
    if (page < 0 || page >= (all.size() + size - 1) / size)
        return {};
    return all.mid(qsizetype(page) * size, size);
}

QString Fixtures::uploadDate(const FxVideo &v)
{
    return referenceDate().addDays(-v.daysAgo).toString(QStringLiteral("yyyy-MM-dd"));
}

QString Fixtures::avatarUrl(const QString &key, const QString &origin)
{
    return origin + QStringLiteral("/img/avatar/") + QString::fromLatin1(QUrl::toPercentEncoding(key)) +
           QStringLiteral(".png");
}

QString Fixtures::channelAvatarUrl(const FxChannel &c, const QString &origin) const
{
    return c.hasAvatar ? avatarUrl(c.id, origin) : QString();
}

QJsonObject Fixtures::videoJson(const FxVideo &v, const QString &origin) const
{
    const FxChannel &c = m_channels[v.channel];
    QJsonObject o{
        {QStringLiteral("id"), v.id},
        {QStringLiteral("title"), v.title},
        {QStringLiteral("channel"), c.name},
        {QStringLiteral("duration"), v.duration},
        {QStringLiteral("live"), v.live},
        {QStringLiteral("verified"), c.verified},
    };
    if (v.withChannelId)
        o.insert(QStringLiteral("channelId"), c.id);
    if (v.withHandle && !c.handle.isEmpty())
        o.insert(QStringLiteral("handle"), c.handle);
    if (v.withAvatar && c.hasAvatar)
        o.insert(QStringLiteral("avatar"), channelAvatarUrl(c, origin));
    if (v.views > 0)
        o.insert(QStringLiteral("views"), v.views);
    return o;
}

QJsonArray Fixtures::videosJson(const QList<int> &indexes, const QString &origin) const
{
    QJsonArray out;
    for (int i : indexes)
        out.append(videoJson(m_videos[i], origin));
    return out;
}

QJsonObject Fixtures::detailJson(const FxVideo &v, bool fast) const
{
    const FxChannel &c = m_channels[v.channel];
    Rng rng(Rng::hash(v.id) ^ 0xDE7A11);
    QString description;
    if (!fast) {
        description = v.subject + QStringLiteral(".\n\n");
        const QList<ChapterMark> marks = chapterMarks(v);
        if (!marks.isEmpty()) {
            description += QStringLiteral("Capítulos:\n");
            for (const ChapterMark &m : marks)
                description += clockText(m.start) + QLatin1Char(' ') + m.title + QLatin1Char('\n');
            description += QLatin1Char('\n');
        }
        description += QString::fromUtf8(descriptionEndings[rng.next() % descriptionEndings.size()]);
        description += QStringLiteral("\n#") + slug(c.name);
    }
    QJsonObject o{
        {QStringLiteral("id"), v.id},
        {QStringLiteral("title"), v.title},
        {QStringLiteral("description"), description},
        {QStringLiteral("channel"), c.name},
        {QStringLiteral("channelId"), c.id},
        {QStringLiteral("subscribers"), c.subscribers},
        {QStringLiteral("views"), v.views},
        {QStringLiteral("likes"), v.views / 25 + rng.range(0, 99)},
        {QStringLiteral("uploadDate"), uploadDate(v)},
        {QStringLiteral("duration"), v.duration},
        {QStringLiteral("live"), v.live},
        {QStringLiteral("verified"), c.verified},
        {QStringLiteral("qualities"), QJsonArray{720, 360}},
        {QStringLiteral("chapters"), chaptersJson(v)},
        {QStringLiteral("canPlay"), v.canPlay},
    };
    if (!v.commentsOff)
        o.insert(QStringLiteral("comments"), v.views / 180 + 24);
    if (!v.hls)
        o.insert(QStringLiteral("hls"), false);
    else if (rng.chance(50))
        o.insert(QStringLiteral("hls"), true);
    if (!fast) {
        const QJsonArray tracks = captionTracksJson(v);
        if (!tracks.isEmpty())
            o.insert(QStringLiteral("captions"), tracks);
    }
    return o;
}

QJsonObject Fixtures::channelJson(const FxChannel &c, const QList<int> &videos, const QString &origin) const
{
    QJsonObject o{
        {QStringLiteral("id"), c.id},
        {QStringLiteral("name"), c.name},
        {QStringLiteral("subscribers"), c.subscribers},
        {QStringLiteral("description"), c.description},
        {QStringLiteral("verified"), c.verified},
        {QStringLiteral("videos"), videosJson(videos, origin)},
    };
    if (!c.handle.isEmpty())
        o.insert(QStringLiteral("handle"), c.handle);
    if (c.hasAvatar)
        o.insert(QStringLiteral("avatar"), channelAvatarUrl(c, origin));
    if (c.hasBanner)
        o.insert(QStringLiteral("banner"), origin + QStringLiteral("/img/banner/") + c.id + QStringLiteral(".jpg"));
    return o;
}

QJsonObject Fixtures::playlistJson(const FxPlaylist &p, const QString &origin) const
{
    return QJsonObject{
        {QStringLiteral("id"), p.id},
        {QStringLiteral("title"), p.title},
        {QStringLiteral("channel"), p.channel < 0 ? QString() : m_channels[p.channel].name},
        {QStringLiteral("videos"), videosJson(p.videos, origin)},
    };
}

std::optional<QJsonArray> Fixtures::commentsJson(const FxVideo &v, const QString &sort, const QString &origin) const
{
    if (sort != QLatin1String("top") && sort != QLatin1String("new"))
        return std::nullopt;
    if (v.commentsOff)
        return QJsonArray();
    struct C { QString id, author, text, avatar; qint64 likes, minutes; bool pinned, byUploader; };
    Rng rng(Rng::hash(v.id) ^ 0xC0);
    const FxChannel &ch = m_channels[v.channel];
    const qint64 age = qMax<qint64>(90, qint64(v.daysAgo) * 1440 + 600);
    QList<C> list;
    const bool pinned = rng.chance(60);
    for (int i = 0; i < 24; ++i) {
        C c;
        c.id = makeId(rng, "Ugx", 26);
        c.pinned = pinned && i == 0;
        c.byUploader = c.pinned || (i == 5 && rng.chance(50));
        if (c.byUploader) {
            c.author = ch.handle.isEmpty() ? ch.name : ch.handle;
            c.text = QString::fromUtf8(uploaderComment);
            if (ch.hasAvatar)
                c.avatar = channelAvatarUrl(ch, origin);
        } else {
            c.author = QString::fromUtf8(firstNames[rng.next() % firstNames.size()]) + QLatin1Char(' ') +
                       QString::fromUtf8(surnames[rng.next() % surnames.size()]);
            c.text = QString::fromUtf8(commentTexts[rng.next() % commentTexts.size()]);
            if (!rng.chance(25))
                c.avatar = avatarUrl(QStringLiteral("u-") + slug(c.author), origin);
        }
        c.likes = rng.chance(15) ? 0 : qint64(std::pow(10.0, rng.unit() * 4.2));
        c.minutes = rng.range(1, age);
        list.append(c);
    }
    const bool top = sort == QLatin1String("top");
    std::stable_sort(list.begin(), list.end(), [top](const C &a, const C &b) {
        if (a.pinned != b.pinned)
            return a.pinned;
        return top ? a.likes > b.likes : a.minutes < b.minutes;
    });
    QJsonArray out;
    for (const C &c : std::as_const(list)) {
        QJsonObject o{
            {QStringLiteral("id"), c.id},
            {QStringLiteral("author"), c.author},
            {QStringLiteral("text"), c.text},
            {QStringLiteral("likes"), c.likes},
            {QStringLiteral("time"), agoText(c.minutes)},
            {QStringLiteral("pinned"), c.pinned},
            {QStringLiteral("byUploader"), c.byUploader},
        };
        if (!c.avatar.isEmpty())
            o.insert(QStringLiteral("avatar"), c.avatar);
        out.append(o);
    }
    return out;
}

QJsonArray Fixtures::captionTracksJson(const FxVideo &v) const
{
    const std::uint64_t g = Rng::hash(v.id);
    QJsonArray out;
    if (g % 7 == 6)
        return out;
    auto track = [](const char *lang, const char *name, bool automatic) {
        return QJsonObject{{QStringLiteral("lang"), QString::fromLatin1(lang)},
                           {QStringLiteral("name"), QString::fromUtf8(name)},
                           {QStringLiteral("auto"), automatic}};
    };
    out.append(track("es", "Español", false));
    if (g % 3 == 0)
        out.append(track("en", "Inglés (generados automáticamente)", true));
    if (g % 5 == 0)
        out.append(track("es-419", "Español (Latinoamérica)", false));
    return out;
}

std::optional<QJsonArray> Fixtures::cuesJson(const FxVideo &v, const QString &lang) const
{
    bool offered = false;
    for (const QJsonValue &t : captionTracksJson(v))
        offered = offered || t[QStringLiteral("lang")].toString() == lang;
    if (!offered)
        return std::nullopt;
    const bool english = lang == QLatin1String("en");
    const std::uint64_t g = Rng::hash(v.id);
    const double end = std::min<double>(v.duration > 0 ? double(v.duration) : 120.0, 900.0);
    QJsonArray out;
    int i = 0;
    for (double s = 0.5; s + 3.0 <= end; s += 3.5, ++i) {
        const QString text = english ? QString::fromUtf8(cueTextsEn[(g + i) % cueTextsEn.size()])
                                     : QString::fromUtf8(cueTextsEs[(g + i) % cueTextsEs.size()]);
        out.append(QJsonObject{{QStringLiteral("s"), s}, {QStringLiteral("e"), s + 3.0}, {QStringLiteral("t"), text}});
    }
    return out;
}

QJsonArray Fixtures::chaptersJson(const FxVideo &v) const
{
    QJsonArray out;
    for (const ChapterMark &m : chapterMarks(v))
        out.append(QJsonObject{{QStringLiteral("start"), m.start}, {QStringLiteral("title"), m.title}});
    return out;
}

QJsonArray Fixtures::sponsorJson(const FxVideo &v) const
{
    QJsonArray out;
    const std::uint64_t g = Rng::hash(v.id);
    if (v.live || v.isShort || g % 4 == 3)
        return out;
    Rng rng(g ^ 0x5B);
    const double d = double(v.duration);
    auto add = [&](double start, double end, const char *category) {
        end = std::min(end, d);
        if (end > start)
            out.append(QJsonObject{{QStringLiteral("start"), start}, {QStringLiteral("end"), end},
                                   {QStringLiteral("category"), QString::fromLatin1(category)}});
    };
    // Early segments fall inside the short media clip, so skipping can be seen.
    if (g % 2 == 0)
        add(2.0, 6.5, "intro");
    if (d >= 300)
        add(std::floor(d * 0.25) + 0.5, std::floor(d * 0.25) + double(rng.range(30, 90)), "sponsor");
    if (g % 5 == 0 && d >= 600)
        add(std::floor(d * 0.4), std::floor(d * 0.4) + 60.0, "filler");
    if (g % 3 == 0 && d >= 240)
        add(std::floor(d * 0.5), std::floor(d * 0.5) + double(rng.range(15, 40)) + 0.25, "selfpromo");
    if (d >= 120)
        add(std::floor(d * 0.7), std::floor(d * 0.7) + double(rng.range(5, 12)), "interaction");
    if (g % 2 == 1 && d >= 120)
        add(d - 20.0, d, "outro");
    return out;
}

QJsonArray Fixtures::categoriesJson() const
{
    QJsonArray out;
    for (const CategoryRow &c : categories)
        out.append(QJsonObject{{QStringLiteral("id"), QString::fromLatin1(c.id)},
                               {QStringLiteral("name"), QString::fromUtf8(c.name)}});
    return out;
}

QJsonObject Fixtures::changelogJson() const
{
    QJsonArray list;
    for (const ReleaseRow &r : releases) {
        QJsonArray changes;
        for (const QString &line : QString::fromUtf8(r.changes).split(QLatin1Char('\n'))) {
            const qsizetype bar = line.indexOf(QLatin1Char('|'));
            changes.append(QJsonObject{{QStringLiteral("type"), line.left(bar)},
                                       {QStringLiteral("text"), line.mid(bar + 1)}});
        }
        QJsonObject o{{QStringLiteral("version"), QString::fromLatin1(r.version)},
                      {QStringLiteral("date"), QString::fromLatin1(r.date)},
                      {QStringLiteral("changes"), changes}};
        if (r.title)
            o.insert(QStringLiteral("title"), QString::fromUtf8(r.title));
        list.append(o);
    }
    return QJsonObject{{QStringLiteral("latest"), QString::fromLatin1(releases[0].version)},
                       {QStringLiteral("releases"), list}};
}

QJsonObject Fixtures::avatarsJson(const QStringList &keys, const QString &origin) const
{
    QJsonObject out;
    for (const QString &key : keys) {
        const FxChannel *c = channel(key);
        if (c && c->hasAvatar)
            out.insert(key, channelAvatarUrl(*c, origin));
    }
    return out;
}
