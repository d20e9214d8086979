#include "FaultSwitches.h"

#include <QJsonDocument>

namespace {

const std::pair<const char *, FaultRule::Body> bodyNames[] = {
    {"default", FaultRule::Body::Default}, {"malformed", FaultRule::Body::Malformed},
    {"null", FaultRule::Body::Null},       {"empty", FaultRule::Body::Empty},
    {"html", FaultRule::Body::Html},       {"raw", FaultRule::Body::Raw},
};
const std::pair<const char *, FaultRule::Missing> missingNames[] = {
    {"none", FaultRule::Missing::None}, {"hls", FaultRule::Missing::Hls}, {"stream", FaultRule::Missing::Stream},
};

template <typename E, size_t N>
std::optional<E> lookup(const std::pair<const char *, E> (&table)[N], const QString &name)
{
    for (const auto &[n, e] : table)
        if (name == QLatin1String(n))
            return e;
    return std::nullopt;
}

template <typename E, size_t N>
QString nameOf(const std::pair<const char *, E> (&table)[N], E value)
{
    for (const auto &[n, e] : table)
        if (e == value)
            return QString::fromLatin1(n);
    return {};
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QJsonObject FaultRule::toJson() const
{
    QJsonObject o{{QStringLiteral("rule"), ruleId}};
    if (!pathPrefix.isEmpty()) o.insert(QStringLiteral("path"), pathPrefix);
    if (!id.isEmpty()) o.insert(QStringLiteral("id"), id);
    if (!method.isEmpty()) o.insert(QStringLiteral("method"), method);
    if (status) o.insert(QStringLiteral("status"), status);
    if (body != Body::Default) o.insert(QStringLiteral("body"), nameOf(bodyNames, body));
    if (body == Body::Raw) o.insert(QStringLiteral("raw"), QString::fromUtf8(rawBody));
    if (!message.isEmpty()) o.insert(QStringLiteral("message"), message);
    if (delayMs) o.insert(QStringLiteral("delay"), delayMs);
    if (missing != Missing::None) o.insert(QStringLiteral("missing"), nameOf(missingNames, missing));
    if (times >= 0) o.insert(QStringLiteral("times"), times);
    return o;
}

std::optional<FaultRule> FaultRule::fromJson(const QJsonObject &o, QString *error)
{
    auto invalid = [error](const QString &why) -> std::optional<FaultRule> {
        fail(error, why);
        return std::nullopt;
    };
    FaultRule r;
    auto text = [&](const char *key, QString &out) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return true;
        if (!v.isString())
            return fail(error, QStringLiteral("«%1» debe ser un texto.").arg(QLatin1String(key)));
        out = v.toString();
        return true;
    };
    auto number = [&](const char *key, int &out, int lo, int hi) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return true;
        const double d = v.toDouble(-1e300);
        if (!v.isDouble() || d != double(qint64(d)) || d < lo || d > hi)
            return fail(error, QStringLiteral("«%1» debe ser un número entero entre %2 y %3.")
                                   .arg(QLatin1String(key)).arg(lo).arg(hi));
        out = int(d);
        return true;
    };
    QString bodyName, missingName, raw;
    if (!text("path", r.pathPrefix) || !text("id", r.id) || !text("method", r.method) ||
        !text("message", r.message) || !text("body", bodyName) || !text("missing", missingName) ||
        !text("raw", raw) || !number("status", r.status, 0, 599) || !number("delay", r.delayMs, 0, 600000) ||
        !number("times", r.times, -1, 1000000))
        return std::nullopt;
    if (r.status != 0 && r.status < 200) // a 1xx is no final answer
        return invalid(QStringLiteral("«status» no es un código HTTP."));
    if (!bodyName.isEmpty()) {
        const auto b = lookup(bodyNames, bodyName);
        if (!b)
            return invalid(QStringLiteral("«body» desconocido: %1").arg(bodyName));
        r.body = *b;
    }
    if (!raw.isEmpty()) {
        r.body = Body::Raw;
        r.rawBody = raw.toUtf8();
    }
    if (!missingName.isEmpty()) {
        const auto m = lookup(missingNames, missingName);
        if (!m)
            return invalid(QStringLiteral("«missing» desconocido: %1").arg(missingName));
        r.missing = *m;
    }
    r.method = r.method.toUpper();
    if (r.status == 0 && r.body == Body::Default && r.delayMs == 0 && r.missing == Missing::None)
        return invalid(QStringLiteral("El fallo no cambia nada: indica status, body, delay o missing."));
    return r;
}

std::optional<FaultRule> FaultRule::parse(const QString &text, QString *error)
{
    QJsonObject o;
    for (const QString &part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            fail(error, QStringLiteral("Falta «=» en «%1».").arg(part));
            return std::nullopt;
        }
        const QString key = part.left(eq).trimmed();
        const QString value = part.mid(eq + 1);
        bool isNumber = false;
        const int n = value.toInt(&isNumber);
        if (isNumber && (key == QLatin1String("status") || key == QLatin1String("delay") || key == QLatin1String("times")))
            o.insert(key, n);
        else
            o.insert(key, value);
    }
    return fromJson(o, error);
}

qint64 FaultSwitches::add(FaultRule rule)
{
    std::lock_guard lock(m_mutex);
    rule.ruleId = m_next++;
    m_rules.append(rule);
    return rule.ruleId;
}

bool FaultSwitches::remove(qint64 ruleId)
{
    std::lock_guard lock(m_mutex);
    return m_rules.removeIf([ruleId](const FaultRule &r) { return r.ruleId == ruleId; }) > 0;
}

void FaultSwitches::clear()
{
    std::lock_guard lock(m_mutex);
    m_rules.clear();
}

QList<FaultRule> FaultSwitches::rules() const
{
    std::lock_guard lock(m_mutex);
    return m_rules;
}

bool FaultSwitches::matches(const FaultRule &r, const QString &method, const QString &path,
                            const QStringList &queryValues)
{
    if (!r.method.isEmpty() && r.method != method)
        return false;
    if (!r.pathPrefix.isEmpty() && !path.startsWith(r.pathPrefix))
        return false;
    if (!r.id.isEmpty()) {
        bool named = path.split(QLatin1Char('/')).contains(r.id);
        for (const QString &v : queryValues)
            named = named || v.split(QLatin1Char(',')).contains(r.id);
        if (!named)
            return false;
    }
    if (r.missing == FaultRule::Missing::Hls && !path.startsWith(QLatin1String("/api/hls/")))
        return false;
    if (r.missing == FaultRule::Missing::Stream && !path.startsWith(QLatin1String("/api/stream/")))
        return false;
    return true;
}

FaultEffect FaultSwitches::match(const QString &method, const QString &path, const QStringList &queryValues)
{
    std::lock_guard lock(m_mutex);
    FaultEffect effect;
    for (FaultRule &r : m_rules) {
        if (r.times == 0 || !matches(r, method, path, queryValues))
            continue;
        if (r.times > 0)
            --r.times;
        effect.delayMs = std::max(effect.delayMs, r.delayMs);
        const bool changesReply = r.status != 0 || r.body != FaultRule::Body::Default || r.missing != FaultRule::Missing::None;
        if (changesReply && !effect.rule)
            effect.rule = r;
    }
    m_rules.removeIf([](const FaultRule &r) { return r.times == 0; });
    return effect;
}
