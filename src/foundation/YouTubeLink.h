#pragma once
#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>

// Reads a pasted, typed or opened link of the video site (or of our own
// "nimbelora" scheme) into a video id, a playlist id and a start time.
// Pure functions: whatever cannot be understood gives no result.
class YouTubeLink
{
public:
    YouTubeLink() = delete;

    static std::optional<QString> parse(const QString &text);
    static std::optional<QString> playlistID(const QString &text);
    static std::optional<double> timestamp(const QString &text);

    // The exact 11-character form of a video id.
    static bool isVideoID(QStringView candidate);

    static constexpr QStringView shortHost = u"youtu.be";
    static constexpr QStringView mainDomain = u"youtube.com";
    static constexpr QStringView ownScheme = u"nimbelora";
};

// How QML sees the parser: no id is "", no start time is undefined.
class YouTubeLinkQml : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(YouTubeLink)
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE static QString parse(const QString &text);
    Q_INVOKABLE static QString playlistID(const QString &text);
    Q_INVOKABLE static QVariant timestamp(const QString &text);
};
