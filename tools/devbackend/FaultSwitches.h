#pragma once
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <mutex>
#include <optional>

// One switched-on fault. It applies to requests whose decoded path starts
// with `pathPrefix` and/or that name `id` (a path segment, or one element of
// a comma-joined query value); an empty field matches everything.
struct FaultRule
{
    enum class Body { Default, Malformed, Null, Empty, Html, Raw };
    enum class Missing { None, Hls, Stream };

    qint64 ruleId = 0;  // given by FaultSwitches::add
    QString pathPrefix;
    QString id;
    QString method;     // empty: any method
    int status = 0;     // 0: keep the normal status
    Body body = Body::Default;
    QByteArray rawBody; // for Body::Raw
    QString message;    // error text for a status fault
    int delayMs = 0;
    Missing missing = Missing::None;
    int times = -1;     // how many requests it still applies to; -1 for ever

    QJsonObject toJson() const;
    // From the control endpoint's JSON; nullopt with `error` set when invalid.
    static std::optional<FaultRule> fromJson(const QJsonObject &o, QString *error = nullptr);
    // From the command line: "path=/api/feed;status=500;message=…" (keys as in JSON).
    static std::optional<FaultRule> parse(const QString &text, QString *error = nullptr);
};

// What the server must do with one request.
struct FaultEffect
{
    int delayMs = 0;
    std::optional<FaultRule> rule; // the first matching rule that changes the reply
};

// The set of faults. Thread-safe; usable from the command line, the control
// endpoint and in-process from tests.
class FaultSwitches
{
public:
    qint64 add(FaultRule rule);
    bool remove(qint64 ruleId);
    void clear();
    QList<FaultRule> rules() const;

    // Matches a request; counts down `times` of the rules that apply.
    FaultEffect match(const QString &method, const QString &path, const QStringList &queryValues);

    static bool matches(const FaultRule &r, const QString &method, const QString &path, const QStringList &queryValues);

private:
    mutable std::mutex m_mutex;
    QList<FaultRule> m_rules;
    qint64 m_next = 1;
};
