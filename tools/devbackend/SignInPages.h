#pragma once
#include <QHash>
#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <optional>

class Fixtures;

// The pages of the development sign-in: a provider form that, once sent,
// lands on a video-site page which sets the account marker cookies (a page
// can set cookies only for its own host), plus the cookie checks of the
// session exchange.
class SignInPages
{
public:
    enum class Mode { Normal, Rejected, NoMarkers };

    static QStringList markerNames(); // "SAPISID", "__Secure-3PAPISID"

    static QString formPage();
    static QString donePage(const QString &name, Mode mode);
    static QString indexPage(const Fixtures &fixtures, const QString &apiKey);

    static Mode modeFrom(const QString &text);
    static QString modeName(Mode mode);

    // Set-Cookie values of the video-site page for `marker` (the account's marker value).
    static QStringList videoSiteCookies(const QString &marker, Mode mode);

    // application/x-www-form-urlencoded body to a map.
    static QHash<QString, QString> parseForm(const QByteArray &body);

    // The marker value among the cookie records of the session exchange;
    // nullopt with `why` (the reply's message) when there is none.
    static std::optional<QString> markerValue(const QJsonArray &cookies, QString *why);

    // "host:port" of a Host header → ":port", or "" without a port.
    static QString portSuffix(const QString &hostHeader);

    static QString escapeHtml(const QString &text);
};
