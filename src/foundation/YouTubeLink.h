#pragma once
#include <QObject>
#include <QString>
#include <QUrl>
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

    // The video site's public links, as they are shared with the user.
    // "https://youtu.be/<id>", the id as it stands.
    static QString shortLink(const QString &videoId);
    // The short link with "?t=" and the whole seconds (fraction dropped;
    // negative or not finite counts as 0).
    static QString shortLinkAt(const QString &videoId, double seconds);
    // The watch page; the id stays inside the one query value.
    static QString watchLink(const QString &videoId);
    static QString channelLink(const QString &channelId);
    // "" when the id forms no well-formed link.
    static QString shortsLink(const QString &videoId);
    // The link as a URL, or an invalid one when the text is no well-formed URL.
    static QUrl strictUrl(const QString &text);

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
