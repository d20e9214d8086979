#include "YouTubeLink.h"

#include "API.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>
#include <QVarLengthArray>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

bool isAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isHex(char16_t c) { return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
bool isUnreserved(char16_t c) { return isAlpha(c) || isDigit(c) || c == u'-' || c == u'.' || c == u'_' || c == u'~'; }
bool isSubDelim(char16_t c)
{
    switch (c) {
    case u'!': case u'$': case u'&': case u'\'': case u'(': case u')':
    case u'*': case u'+': case u',': case u';': case u'=':
        return true;
    default:
        return false;
    }
}

// Authority parts must be well formed: allowed characters and complete
// percent escapes only.
bool authorityPartIsValid(QStringView s, bool allowColon)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'%') {
            if (i + 2 >= s.size() || !isHex(s[i + 1].unicode()) || !isHex(s[i + 2].unicode()))
                return false;
            i += 2;
        } else if (!(isUnreserved(c) || isSubDelim(c) || (allowColon && c == u':'))) {
            return false;
        }
    }
    return true;
}

int hexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Percent-decodes one component. A "%" without two hex digits stays as it
// is, the way a browser would take the text; bytes that are not UTF-8 make
// the component unreadable.
std::optional<QString> percentDecoded(QStringView raw)
{
    if (!raw.contains(u'%'))
        return raw.toString();
    const QByteArray in = raw.toUtf8();
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '%' && i + 2 < in.size() && isHex(uchar(in[i + 1])) && isHex(uchar(in[i + 2]))) {
            out.append(char(hexValue(in[i + 1]) * 16 + hexValue(in[i + 2])));
            i += 2;
        } else {
            out.append(c);
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(out);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

struct QueryItem
{
    std::optional<QString> value; // none: no "=" (or not decodable)
};

// A URL reference read the RFC 3986 way: scheme, authority, path, query.
// The scheme and the authority must be well formed; path, query and
// fragment take any character. Views point into the text read, which must
// outlive the reference.
struct UrlReference
{
    std::optional<QStringView> scheme;
    std::optional<QString> host; // lower-case, percent-decoded; an empty host counts as none
    QStringView path;            // raw
    std::optional<QStringView> query;

    // `impliedHttps`: read the text as if "https://" stood in front of it.
    static std::optional<UrlReference> read(QStringView text, bool impliedHttps)
    {
        UrlReference url;
        QStringView rest = text;

        if (impliedHttps) {
            url.scheme = u"https";
        } else {
            const qsizetype stop = indexOfAny(rest, u":/?#");
            if (stop >= 0 && rest[stop] == u':') {
                const QStringView scheme = rest.first(stop);
                if (!schemeIsValid(scheme))
                    return std::nullopt; // a colon in the first segment of a relative path
                url.scheme = scheme;
                rest = rest.sliced(stop + 1);
            }
        }

        if (impliedHttps || rest.startsWith(u"//")) {
            if (!impliedHttps)
                rest = rest.sliced(2);
            qsizetype end = indexOfAny(rest, u"/?#");
            if (end < 0)
                end = rest.size();
            if (!url.readAuthority(rest.first(end)))
                return std::nullopt;
            rest = rest.sliced(end);
        }

        qsizetype end = indexOfAny(rest, u"?#");
        if (end < 0)
            end = rest.size();
        url.path = rest.first(end);
        rest = rest.sliced(end);

        if (rest.startsWith(u'?')) {
            rest = rest.sliced(1);
            const qsizetype hash = rest.indexOf(u'#');
            url.query = hash < 0 ? rest : rest.first(hash);
        }
        return url;
    }

    bool hostIs(QStringView name) const { return host && *host == name; }
    bool hostEndsWith(QStringView domain) const { return host && host->endsWith(domain); }

    // The first query item whose name is one of `names`.
    std::optional<QueryItem> firstItem(std::initializer_list<QStringView> names) const
    {
        if (!query)
            return std::nullopt;
        for (QStringView field : query->tokenize(u'&')) {
            const qsizetype eq = field.indexOf(u'=');
            QStringView name = eq < 0 ? field : field.first(eq);
            std::optional<QString> decodedName;
            if (name.contains(u'%')) {
                decodedName = percentDecoded(name);
                if (!decodedName)
                    continue;
                name = *decodedName;
            }
            if (std::find(names.begin(), names.end(), name) == names.end())
                continue;
            QueryItem item;
            if (eq >= 0)
                item.value = percentDecoded(field.sliced(eq + 1));
            return item;
        }
        return std::nullopt;
    }

    // Calls `f` with each segment of the decoded path split on "/", empty
    // segments dropped, until it returns true.
    template<class F>
    void forEachPathSegment(F f) const
    {
        std::optional<QString> decoded;
        QStringView text = path;
        if (text.contains(u'%')) {
            decoded = percentDecoded(text);
            if (!decoded)
                return;
            text = *decoded;
        }
        for (QStringView field : text.tokenize(u'/', Qt::SkipEmptyParts))
            if (f(field))
                return;
    }

private:
    template<std::size_t N>
    static qsizetype indexOfAny(QStringView s, const char16_t (&chars)[N])
    {
        for (qsizetype i = 0; i < s.size(); ++i)
            for (std::size_t k = 0; k + 1 < N; ++k)
                if (s[i].unicode() == chars[k])
                    return i;
        return -1;
    }

    static bool schemeIsValid(QStringView s)
    {
        if (s.isEmpty() || !isAlpha(s[0].unicode()))
            return false;
        for (QChar c : s)
            if (!(isAlpha(c.unicode()) || isDigit(c.unicode()) || c == u'+' || c == u'-' || c == u'.'))
                return false;
        return true;
    }

    bool readAuthority(QStringView authority)
    {
        const qsizetype at = authority.lastIndexOf(u'@');
        if (at >= 0) {
            if (!authorityPartIsValid(authority.first(at), true))
                return false;
            authority = authority.sliced(at + 1);
        }

        QStringView hostText;
        QStringView port;
        if (authority.startsWith(u'[')) {
            const qsizetype close = authority.indexOf(u']');
            if (close < 0)
                return false;
            const QStringView literal = authority.sliced(1, close - 1);
            for (QChar c : literal)
                if (!(isUnreserved(c.unicode()) || isSubDelim(c.unicode()) || c == u':'))
                    return false;
            hostText = literal;
            const QStringView after = authority.sliced(close + 1);
            if (!after.isEmpty()) {
                if (!after.startsWith(u':'))
                    return false;
                port = after.sliced(1);
            }
        } else {
            const qsizetype colon = authority.indexOf(u':');
            hostText = colon < 0 ? authority : authority.first(colon);
            if (colon >= 0)
                port = authority.sliced(colon + 1);
            if (!authorityPartIsValid(hostText, false))
                return false;
        }
        for (QChar c : port)
            if (!isDigit(c.unicode()))
                return false;

        if (hostText.isEmpty())
            return true;
        std::optional<QString> decoded = percentDecoded(hostText);
        if (!decoded)
            return false;
        host = decoded->toLower();
        return true;
    }
};

// "http…" (and, where `ownScheme`, "nimbelora…") is read as written;
// anything else is a link typed without its scheme.
std::optional<UrlReference> readLink(QStringView text, bool ownScheme)
{
    const bool asWritten = text.startsWith(u"http") || (ownScheme && text.startsWith(YouTubeLink::ownScheme));
    return UrlReference::read(text, !asWritten);
}

// The C library's reading of a floating-point number in the C locale, which
// must take the whole text; leading white space does not read.
std::optional<double> readNumber(QStringView text)
{
    if (text.isEmpty() || QStringView(u" \t\n\v\f\r").contains(text.front()))
        return std::nullopt;
    QVarLengthArray<char, 64> bytes;
    for (QChar c : text) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
        bytes.append(char(c.unicode()));
    }
    bytes.append('\0');
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    char *end = nullptr;
    const double value = strtod_l(bytes.data(), &end, cLocale);
    if (end != bytes.data() + text.size())
        return std::nullopt;
    return value;
}

// Compound form "1h2m3s": digits before a unit count; other characters
// drop the digits before them, and digits at the end are dropped too.
double compoundSeconds(QStringView value)
{
    double total = 0;
    QString digits;
    for (char32_t c : value.toUcs4()) {
        if (QChar::isNumber(c)) {
            digits.append(QString::fromUcs4(&c, 1));
            continue;
        }
        const double n = readNumber(digits).value_or(0);
        digits.clear();
        if (c == U'h')
            total += n * 3600;
        else if (c == U'm')
            total += n * 60;
        else if (c == U's')
            total += n;
    }
    return total;
}

qsizetype graphemeCount(const QString &s)
{
    bool plain = true;
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) {
            plain = false;
            break;
        }
    if (plain)
        return s.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    qsizetype n = 0;
    while (finder.toNextBoundary() >= 0)
        ++n;
    return n;
}

} // namespace

bool YouTubeLink::isVideoID(QStringView candidate)
{
    if (candidate.size() != 11)
        return false;
    for (QChar c : candidate) {
        const char16_t u = c.unicode();
        if (!(isAlpha(u) || isDigit(u) || u == u'_' || u == u'-'))
            return false;
    }
    return true;
}

std::optional<QString> YouTubeLink::parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(u' '))
        return std::nullopt;
    if (!trimmed.contains(u'.') && !trimmed.startsWith(u"nimbelora://"))
        return std::nullopt;

    const std::optional<UrlReference> url = readLink(trimmed, true);
    if (!url || !url->host)
        return std::nullopt;

    std::optional<QString> result;
    if (url->hostIs(shortHost)) {
        // The id is the first segment; nothing else of a short link counts.
        url->forEachPathSegment([&](QStringView segment) {
            if (isVideoID(segment))
                result = segment.toString();
            return true;
        });
        return result;
    }

    const bool accepted = url->hostEndsWith(mainDomain) || url->hostIs(ownScheme)
                          || (url->scheme && *url->scheme == ownScheme);
    if (!accepted || !url->scheme)
        return std::nullopt;

    if (const std::optional<QueryItem> v = url->firstItem({u"v"}); v && v->value && isVideoID(*v->value))
        return v->value;

    // Only the first keyword counts, whatever follows it.
    static constexpr QStringView keywords[] = {u"shorts", u"embed", u"live", u"v"};
    bool afterKeyword = false;
    url->forEachPathSegment([&](QStringView segment) {
        if (afterKeyword) {
            if (isVideoID(segment))
                result = segment.toString();
            return true;
        }
        afterKeyword = std::find(std::begin(keywords), std::end(keywords), segment) != std::end(keywords);
        return false;
    });
    return result;
}

std::optional<QString> YouTubeLink::playlistID(const QString &text)
{
    // A video inside a playlist is a video link.
    if (parse(text))
        return std::nullopt;

    // Our own scheme gets the "https://" too, so its links never name a playlist.
    const std::optional<UrlReference> url = readLink(text, false);
    if (!url || !url->hostEndsWith(mainDomain))
        return std::nullopt;

    const std::optional<QueryItem> list = url->firstItem({u"list"});
    if (!list || !list->value || graphemeCount(*list->value) < 10)
        return std::nullopt;
    return list->value;
}

std::optional<double> YouTubeLink::timestamp(const QString &text)
{
    const std::optional<UrlReference> url = readLink(text, true);
    if (!url)
        return std::nullopt;
    const std::optional<QueryItem> item = url->firstItem({u"t", u"start"});
    if (!item || !item->value)
        return std::nullopt;
    const QString &value = *item->value;

    QString plain = value;
    plain.remove(u's');
    if (const std::optional<double> seconds = readNumber(plain)) {
        // "inf", "nan" and overflowing exponents read, but are no place to start.
        if (!std::isfinite(*seconds))
            return std::nullopt;
        return seconds;
    }

    const double total = compoundSeconds(value);
    if (!(total > 0) || !std::isfinite(total))
        return std::nullopt;
    return total;
}

QString YouTubeLinkQml::parse(const QString &text)
{
    return YouTubeLink::parse(text).value_or(QString());
}

QString YouTubeLinkQml::playlistID(const QString &text)
{
    return YouTubeLink::playlistID(text).value_or(QString());
}

QVariant YouTubeLinkQml::timestamp(const QString &text)
{
    const std::optional<double> t = YouTubeLink::timestamp(text);
    return t ? QVariant(*t) : QVariant();
}

QString YouTubeLink::shortLink(const QString &videoId)
{
    return QStringLiteral("https://") + shortHost.toString() + QLatin1Char('/') + videoId;
}

QString YouTubeLink::shortLinkAt(const QString &videoId, double seconds)
{
    const qint64 whole = std::isfinite(seconds) && seconds > 0 ? qint64(seconds) : 0;
    return shortLink(videoId) + QStringLiteral("?t=") + QString::number(whole);
}

namespace {

QString siteLink(QStringView path) { return QStringLiteral("https://www.") + YouTubeLink::mainDomain.toString() + path.toString(); }

} // namespace

QString YouTubeLink::watchLink(const QString &videoId)
{
    return siteLink(u"/watch?v=") + QString::fromLatin1(QUrl::toPercentEncoding(videoId));
}

QString YouTubeLink::channelLink(const QString &channelId)
{
    return siteLink(u"/channel/") + QString::fromLatin1(QUrl::toPercentEncoding(channelId));
}

QString YouTubeLink::shortsLink(const QString &videoId)
{
    try {
        const QString text = siteLink(u"/shorts/") + API::segment(videoId);
        return strictUrl(text).isValid() ? text : QString();
    } catch (const std::exception &) {
        return {};
    }
}

QUrl YouTubeLink::strictUrl(const QString &text) { return QUrl(text, QUrl::StrictMode); }
