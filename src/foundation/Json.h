#pragma once
#include <QAnyStringView>
#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>
#include <stdexcept>
#include <type_traits>

// A reply, file or stored record that does not have the expected JSON form.
// Kinds are never converted: the whole top-level value fails, nothing partial
// survives. description() is the sentence screens show.
struct DecodingError : std::runtime_error
{
    enum class Kind {
        typeMismatch,  // not an object / array / string… where one is expected
        keyNotFound,   // a required key is missing
        valueNotFound, // a required key holds null
        dataCorrupted, // not JSON at all, or a number that is no whole Int
    };

    explicit DecodingError(Kind kind, const QString &key = {});

    Kind kind;
    QString key; // the innermost key that failed; empty for a top-level value
    QString description() const;
};

namespace Json {

template<class T> struct IsOptional : std::false_type {};
template<class T> struct IsOptional<std::optional<T>> : std::true_type {};
template<class T> struct IsList : std::false_type {};
template<class T> struct IsList<QList<T>> : std::true_type {};
template<class T> struct IsStringMap : std::false_type {};
template<> struct IsStringMap<QMap<QString, QString>> : std::true_type {};
template<> struct IsStringMap<QHash<QString, QString>> : std::true_type {};

// Lenient scalar readers: nullopt when the value is missing, null or of
// another kind. Only Video's fields are read this way.
std::optional<QString> asString(const QJsonValue &v);
std::optional<bool> asBool(const QJsonValue &v);
std::optional<qint64> asInteger(const QJsonValue &v); // whole and in range only
std::optional<double> asDouble(const QJsonValue &v);

// Strict scalar readers; `key` only labels the error.
QJsonObject toObject(const QJsonValue &v, QAnyStringView key = {});
QJsonArray toArray(const QJsonValue &v, QAnyStringView key = {});
QString toString(const QJsonValue &v, QAnyStringView key = {});
bool toBool(const QJsonValue &v, QAnyStringView key = {});
qint64 toInteger(const QJsonValue &v, QAnyStringView key = {});
double toDouble(const QJsonValue &v, QAnyStringView key = {});

[[noreturn]] void fail(DecodingError::Kind kind, QAnyStringView key = {});

// One JSON value to T: QString, bool, qint64, double, a record (T::fromJson),
// QList<X>, a map of String to String, or std::optional<X> (null is absent).
template<class T>
T fromValue(const QJsonValue &v, QAnyStringView key = {})
{
    if constexpr (IsOptional<T>::value) {
        if (v.isNull() || v.isUndefined())
            return std::nullopt;
        return fromValue<typename T::value_type>(v, key);
    } else {
        if (v.isUndefined())
            fail(DecodingError::Kind::keyNotFound, key);
        if (v.isNull())
            fail(DecodingError::Kind::valueNotFound, key);
        if constexpr (std::is_same_v<T, QString>) {
            return toString(v, key);
        } else if constexpr (std::is_same_v<T, bool>) {
            return toBool(v, key);
        } else if constexpr (std::is_same_v<T, qint64>) {
            return toInteger(v, key);
        } else if constexpr (std::is_same_v<T, double>) {
            return toDouble(v, key);
        } else if constexpr (IsList<T>::value) {
            const QJsonArray a = toArray(v, key);
            T out;
            out.reserve(a.size());
            for (const QJsonValue &e : a)
                out.append(fromValue<typename T::value_type>(e, key));
            return out;
        } else if constexpr (IsStringMap<T>::value) {
            const QJsonObject o = toObject(v, key);
            T out;
            for (auto it = o.begin(); it != o.end(); ++it)
                out.insert(it.key(), toString(it.value(), it.key()));
            return out;
        } else {
            static_assert(!std::is_arithmetic_v<T>, "integers are qint64, numbers double");
            return T::fromJson(v);
        }
    }
}

// A field of a record: required unless T is std::optional.
template<class T>
T read(const QJsonObject &o, const char *key)
{
    return fromValue<T>(o.value(QLatin1String(key)), QLatin1String(key));
}

template<class T>
QJsonValue toValue(const T &x)
{
    if constexpr (std::is_same_v<T, QString> || std::is_same_v<T, bool> || std::is_same_v<T, qint64>
                  || std::is_same_v<T, double>) {
        return QJsonValue(x);
    } else if constexpr (IsOptional<T>::value) {
        return x ? toValue(*x) : QJsonValue(QJsonValue::Null);
    } else if constexpr (IsList<T>::value) {
        QJsonArray a;
        for (const auto &e : x)
            a.append(toValue(e));
        return a;
    } else if constexpr (IsStringMap<T>::value) {
        QJsonObject o;
        for (auto it = x.begin(); it != x.end(); ++it)
            o.insert(it.key(), it.value());
        return o;
    } else {
        return x.toJson();
    }
}

// Writes a field; an absent optional is left out, never written as null.
template<class T>
void write(QJsonObject &o, const char *key, const T &x)
{
    if constexpr (IsOptional<T>::value) {
        if (x)
            o.insert(QLatin1String(key), toValue(*x));
    } else {
        o.insert(QLatin1String(key), toValue(x));
    }
}

// A whole body as one JSON value; any top-level value (also null, a string or
// a number) is accepted, trailing garbage is not.
QJsonValue parse(const QByteArray &body);
QByteArray serialize(const QJsonValue &v);

template<class T>
T decode(const QByteArray &body)
{
    return fromValue<T>(parse(body));
}

template<class T>
QByteArray encode(const T &x)
{
    return serialize(toValue(x));
}

} // namespace Json
