#include "Json.h"
#include <QJsonDocument>
#include <QJsonParseError>

namespace {

QString describe(DecodingError::Kind kind)
{
    switch (kind) {
    case DecodingError::Kind::keyNotFound:
    case DecodingError::Kind::valueNotFound:
        return QStringLiteral("No se han podido leer los datos porque faltan.");
    case DecodingError::Kind::typeMismatch:
    case DecodingError::Kind::dataCorrupted:
        break;
    }
    return QStringLiteral("No se han podido leer los datos porque no tienen el formato correcto.");
}

std::string whatText(DecodingError::Kind kind, const QString &key)
{
    QString text = describe(kind);
    if (!key.isEmpty())
        text += QStringLiteral(" («%1»)").arg(key);
    return text.toStdString();
}

} // namespace

DecodingError::DecodingError(Kind kind, const QString &key)
    : std::runtime_error(whatText(kind, key)), kind(kind), key(key)
{
}

QString DecodingError::description() const { return describe(kind); }

namespace Json {

void fail(DecodingError::Kind kind, QAnyStringView key) { throw DecodingError(kind, key.toString()); }

std::optional<QString> asString(const QJsonValue &v)
{
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

std::optional<bool> asBool(const QJsonValue &v)
{
    if (!v.isBool())
        return std::nullopt;
    return v.toBool();
}

std::optional<qint64> asInteger(const QJsonValue &v)
{
    if (!v.isDouble())
        return std::nullopt;
    // toInteger() gives its default for a fraction or an out-of-range
    // number; two different defaults tell that apart from a real value.
    const qint64 a = v.toInteger(0);
    if (a != 0)
        return a;
    if (v.toInteger(1) == 0)
        return 0;
    return std::nullopt;
}

std::optional<double> asDouble(const QJsonValue &v)
{
    if (!v.isDouble())
        return std::nullopt;
    return v.toDouble();
}

namespace {
// A value of the wrong kind; a missing or null one gets its own error.
[[noreturn]] void mismatch(const QJsonValue &v, QAnyStringView key)
{
    if (v.isUndefined())
        fail(DecodingError::Kind::keyNotFound, key);
    if (v.isNull())
        fail(DecodingError::Kind::valueNotFound, key);
    fail(DecodingError::Kind::typeMismatch, key);
}
} // namespace

QJsonObject toObject(const QJsonValue &v, QAnyStringView key)
{
    if (!v.isObject())
        mismatch(v, key);
    return v.toObject();
}

QJsonArray toArray(const QJsonValue &v, QAnyStringView key)
{
    if (!v.isArray())
        mismatch(v, key);
    return v.toArray();
}

QString toString(const QJsonValue &v, QAnyStringView key)
{
    if (!v.isString())
        mismatch(v, key);
    return v.toString();
}

bool toBool(const QJsonValue &v, QAnyStringView key)
{
    if (!v.isBool())
        mismatch(v, key);
    return v.toBool();
}

qint64 toInteger(const QJsonValue &v, QAnyStringView key)
{
    if (!v.isDouble())
        mismatch(v, key);
    const std::optional<qint64> n = asInteger(v);
    if (!n)
        fail(DecodingError::Kind::dataCorrupted, key); // a fraction, or out of range
    return *n;
}

double toDouble(const QJsonValue &v, QAnyStringView key)
{
    if (!v.isDouble())
        mismatch(v, key);
    return v.toDouble();
}

QJsonValue parse(const QByteArray &body)
{
    qsizetype i = 0;
    while (i < body.size() && (body[i] == ' ' || body[i] == '\n' || body[i] == '\r' || body[i] == '\t'))
        ++i;
    const bool container = i < body.size() && (body[i] == '{' || body[i] == '[');
    QJsonParseError error;
    if (container) {
        const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
        if (error.error != QJsonParseError::NoError)
            fail(DecodingError::Kind::dataCorrupted);
        return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
    }
    // QJsonDocument takes only an object or an array at the top: read a bare
    // null, string or number as the one element of an array around it.
    const QJsonDocument doc = QJsonDocument::fromJson('[' + body + ']', &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray() || doc.array().size() != 1)
        fail(DecodingError::Kind::dataCorrupted);
    return doc.array().first();
}

QByteArray serialize(const QJsonValue &v)
{
    if (v.isObject())
        return QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
    if (v.isArray())
        return QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
    QByteArray wrapped = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

} // namespace Json
