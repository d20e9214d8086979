#pragma once
#include <QDate>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <optional>

struct Video;

// The Spanish display texts of counts, durations, meta lines and dates.
// QML calls the same functions on the singleton `Fmt`.
class Fmt : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // "999", "1,5 mil", "2,5 M", "1,5 mil M".
    Q_INVOKABLE static QString compact(qint64 count);
    // "1:01", "1:01:01"; "0:00" for negative or non-finite seconds.
    Q_INVOKABLE static QString clock(double seconds);
    // Channel and views joined by " · ", on one line.
    Q_INVOKABLE static QString meta(const Video &video);
    // "hace 3 días" for a "yyyy-MM-dd" day against now; "" when absent or unreadable.
    static QString ago(const std::optional<QString> &date);
    Q_INVOKABLE static QString ago(const QString &date);
    // "5 de marzo de 2024"; the input unchanged when it is no "yyyy-MM-dd" day.
    Q_INVOKABLE static QString longDate(const QString &date);
    // Outside text as it may be drawn: the control characters (C0, DEL and
    // C1) other than tabs and line breaks are dropped, since the fonts have
    // no glyph for them and they would show as boxes; a line break the text
    // layout does not break at (VT, FF, NEL, a lone CR) becomes LF. Every
    // backend text the app shows is read through this.
    Q_INVOKABLE static QString plain(const QString &text);
    // Outside text for a one-line label: plain(), and every line break (CR
    // LF counts as one) becomes a space, so the text cannot grow into a
    // second line.
    Q_INVOKABLE static QString oneLine(const QString &text);

    // A "yyyy-MM-dd" day; invalid when the text is anything else.
    static QDate isoDay(const QString &text);

    // "3 vídeos", also for 1 and 0.
    Q_INVOKABLE static QString videoCount(qsizetype videos);
    // A history section: "Hoy", "Ayer", else the Spanish weekday, day and
    // month, each word capitalised.
    static QString dayLabel(QDate day, QDate today);
    // Whole minutes: "59 min", "1 h 00 min", "2 h 05 min".
    static QString hours(double seconds);
    // The es_ES abbreviated weekday, first letter upper case: "Lun", "Mié".
    static QString weekday(QDate day);
};
