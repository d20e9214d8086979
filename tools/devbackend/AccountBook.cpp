#include "AccountBook.h"
#include "Fixtures.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <algorithm>

namespace {

QString encodeName(const QString &name)
{
    return QString::fromLatin1(name.toUtf8().toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

std::optional<QString> decodeName(const QString &text)
{
    const auto r = QByteArray::fromBase64Encoding(text.toLatin1(),
                                                  QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!r)
        return std::nullopt;
    const QString name = QString::fromUtf8(*r);
    if (name.trimmed().isEmpty())
        return std::nullopt;
    return name;
}

QString handleFor(const QString &name)
{
    QString out = QStringLiteral("@");
    for (QChar c : Fixtures::fold(name))
        if (c.isLetterOrNumber())
            out += c;
    return out.size() > 1 ? out : QStringLiteral("@cuenta");
}

} // namespace

AccountBook::AccountBook(const Fixtures &fixtures, QByteArray secret)
    : m_fixtures(fixtures), m_secret(std::move(secret))
{
}

QStringList AccountBook::listKinds()
{
    return {QStringLiteral("home"), QStringLiteral("subs"), QStringLiteral("history"), QStringLiteral("liked"),
            QStringLiteral("later")};
}

QString AccountBook::sign(const QString &payload) const
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(m_secret);
    h.addData(payload.toUtf8());
    return QString::fromLatin1(h.result().toHex().left(16));
}

QString AccountBook::markerValue(const QString &name) const
{
    const QString payload = QStringLiteral("dev1.") + encodeName(name);
    return payload + QLatin1Char('.') + sign(payload);
}

std::optional<QString> AccountBook::nameFromMarker(const QString &value) const
{
    const QStringList parts = value.split(QLatin1Char('.'));
    if (parts.size() != 3 || parts[0] != QLatin1String("dev1"))
        return std::nullopt;
    if (sign(parts[0] + QLatin1Char('.') + parts[1]) != parts[2])
        return std::nullopt;
    return decodeName(parts[1]);
}

QString AccountBook::issueSession(const QString &name)
{
    quint64 n;
    {
        std::lock_guard lock(m_mutex);
        n = ++m_issued;
    }
    const QString payload = QStringLiteral("s1.") + encodeName(name) + QLatin1Char('.') +
                            QString::number(QDateTime::currentMSecsSinceEpoch(), 36) + QString::number(n, 36);
    return payload + QLatin1Char('.') + sign(payload);
}

std::optional<QString> AccountBook::accountForSession(const QString &token) const
{
    const QStringList parts = token.split(QLatin1Char('.'));
    if (parts.size() != 4 || parts[0] != QLatin1String("s1"))
        return std::nullopt;
    if (sign(parts.mid(0, 3).join(QLatin1Char('.'))) != parts[3])
        return std::nullopt;
    {
        std::lock_guard lock(m_mutex);
        if (m_revoked.contains(token))
            return std::nullopt;
    }
    return decodeName(parts[1]);
}

void AccountBook::revoke(const QString &token)
{
    std::lock_guard lock(m_mutex);
    m_revoked.insert(token);
}

QJsonObject AccountBook::accountJson(const QString &name, const QString &origin) const
{
    const QString handle = handleFor(name);
    return QJsonObject{{QStringLiteral("name"), name},
                       {QStringLiteral("handle"), handle},
                       {QStringLiteral("avatar"), Fixtures::avatarUrl(QStringLiteral("cuenta-") + handle.mid(1), origin)}};
}

AccountBook::State &AccountBook::state(const QString &name)
{
    auto it = m_states.find(name);
    if (it != m_states.end())
        return *it;
    // Every account starts from the same lists, so tests know what to expect.
    State s;
    const QList<FxVideo> &videos = m_fixtures.videos();
    for (const FxVideo &v : videos) {
        if (v.isShort)
            continue;
        if (v.index % 7 == 0) s.history.append(v.id);
        if (v.index % 9 == 2) s.liked.append(v.id);
        if (v.index % 13 == 5) s.later.append(v.id);
    }
    for (const FxChannel &c : m_fixtures.channels())
        if (c.index % 3 == 0)
            s.channels.append(c.id);
    return *m_states.insert(name, s);
}

std::optional<QList<int>> AccountBook::list(const QString &name, const QString &kind)
{
    if (!listKinds().contains(kind))
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    State &s = state(name);
    auto indexes = [&](const QStringList &ids) {
        QList<int> out;
        for (const QString &id : ids) {
            // Only catalogue videos are listed; made-up ids have no index.
            if (const auto v = m_fixtures.find(id); v && v->index >= 0)
                out.append(v->index);
        }
        return out;
    };
    if (kind == QLatin1String("history")) return indexes(s.history);
    if (kind == QLatin1String("liked")) return indexes(s.liked);
    if (kind == QLatin1String("later")) return indexes(s.later);

    QList<int> subs;
    for (const QString &cid : std::as_const(s.channels))
        if (const FxChannel *c = m_fixtures.channel(cid))
            subs += c->videos;
    std::stable_sort(subs.begin(), subs.end(), [this](int a, int b) {
        return m_fixtures.videos()[a].daysAgo < m_fixtures.videos()[b].daysAgo;
    });
    if (kind == QLatin1String("subs"))
        return subs;

    // home: the subscriptions' news mixed with the general feed.
    const QList<int> general = m_fixtures.feed(QStringLiteral("foryou")).value_or(QList<int>());
    QList<int> home;
    for (qsizetype i = 0; i < std::max(subs.size(), general.size()); ++i) {
        if (i < subs.size() && !home.contains(subs[i])) home.append(subs[i]);
        if (i < general.size() && !home.contains(general[i])) home.append(general[i]);
    }
    return home;
}

void AccountBook::like(const QString &name, const QString &videoId, bool like)
{
    std::lock_guard lock(m_mutex);
    State &s = state(name);
    s.liked.removeAll(videoId);
    if (like)
        s.liked.prepend(videoId);
}

void AccountBook::subscribe(const QString &name, const QString &channelId, bool subscribe)
{
    std::lock_guard lock(m_mutex);
    State &s = state(name);
    s.channels.removeAll(channelId);
    if (subscribe)
        s.channels.prepend(channelId);
}

void AccountBook::watched(const QString &name, const QString &videoId)
{
    std::lock_guard lock(m_mutex);
    State &s = state(name);
    s.history.removeAll(videoId);
    s.history.prepend(videoId);
}
