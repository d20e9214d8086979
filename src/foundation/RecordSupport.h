#pragma once
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>
#include <tuple>
#include <type_traits>

// Equality and hashing shared by the value records. Texts compare by Unicode
// canonical equivalence (both sides in NFC), numbers by value, so 0.0 and
// -0.0 are the same also for hashing.
namespace Canonical {

// The form texts compare and hash in.
inline QString key(const QString &s) { return s.normalized(QString::NormalizationForm_C); }

inline bool same(const QString &a, const QString &b) { return a == b || key(a) == key(b); }
inline bool same(double a, double b) { return a == b; }

template<class T>
bool same(const T &a, const T &b);

template<class T>
bool same(const std::optional<T> &a, const std::optional<T> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || same(*a, *b);
}

template<class T>
bool same(const QList<T> &a, const QList<T> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!same(a.at(i), b.at(i)))
            return false;
    return true;
}

template<class T>
bool same(const T &a, const T &b)
{
    return a == b;
}

inline size_t combine(size_t seed, size_t h)
{
    return seed ^ (h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

inline size_t hash(const QString &s, size_t seed = 0)
{
    return qHash(key(s), seed);
}
inline size_t hash(double d, size_t seed = 0)
{
    return qHash(d == 0.0 ? 0.0 : d, seed);
}
inline size_t hash(qint64 v, size_t seed = 0) { return qHash(v, seed); }
inline size_t hash(bool v, size_t seed = 0) { return qHash(v, seed); }

template<class T>
size_t hash(const T &x, size_t seed = 0);

template<class T>
size_t hash(const std::optional<T> &x, size_t seed = 0)
{
    return x ? combine(seed + 1, hash(*x)) : combine(seed, 0);
}

template<class T>
size_t hash(const QList<T> &list, size_t seed = 0)
{
    size_t h = combine(seed, size_t(list.size()));
    for (const T &e : list)
        h = combine(h, hash(e));
    return h;
}

template<class T>
size_t hash(const T &x, size_t seed)
{
    return qHash(x, seed); // records: found by argument-dependent lookup
}

// Field tuples made with std::tie, compared and hashed in declared order.
template<class... A>
bool sameFields(const std::tuple<A...> &a, const std::tuple<A...> &b)
{
    return std::apply([&](const auto &...x) {
        return std::apply([&](const auto &...y) { return (same(x, y) && ...); }, b);
    }, a);
}

template<class... A>
size_t hashFields(const std::tuple<A...> &t, size_t seed)
{
    return std::apply([seed](const auto &...x) {
        size_t h = seed;
        ((h = combine(h, hash(x))), ...);
        return h;
    }, t);
}

} // namespace Canonical

// Field values as QML sees them: an absent optional is undefined, a list is
// a JS array of the element values.
namespace QmlValue {

template<class T>
QVariant of(const std::optional<T> &x)
{
    return x ? QVariant::fromValue(*x) : QVariant();
}

template<class T>
QVariantList list(const QList<T> &xs)
{
    QVariantList out;
    out.reserve(xs.size());
    for (const T &x : xs)
        out.append(QVariant::fromValue(x));
    return out;
}

} // namespace QmlValue
