#include "SignInPages.h"
#include "Fixtures.h"

#include <QJsonObject>
#include <QUrl>

namespace {

const char pageStyle[] =
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
    "<style>body{font-family:Inter,system-ui,sans-serif;max-width:420px;margin:40px auto;padding:0 20px;color:#111}"
    "h1{font-size:26px}label{display:block;margin:14px 0 4px;font-size:14px;color:#555}"
    "input,select{width:100%;box-sizing:border-box;padding:12px;font-size:16px;border:1px solid #ccc;border-radius:10px}"
    "button{margin-top:22px;width:100%;padding:13px;font-size:17px;border:0;border-radius:12px;background:#ff2d55;color:#fff}"
    "p{line-height:1.45}.small{font-size:13px;color:#777}code{font-size:13px}</style>";

} // namespace

QStringList SignInPages::markerNames()
{
    return {QStringLiteral("SAPISID"), QStringLiteral("__Secure-3PAPISID")};
}

QString SignInPages::escapeHtml(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QStringLiteral("&#39;"));
}

QString SignInPages::formPage()
{
    return QStringLiteral(
               "<!DOCTYPE html><html lang=\"es\"><head><meta charset=\"utf-8\"><title>Iniciar sesión</title>%1</head><body>"
               "<h1>Iniciar sesión</h1>"
               "<p class=\"small\">Página de acceso del servidor de desarrollo. No se comprueba ninguna contraseña.</p>"
               "<form method=\"post\" action=\"/signin\">"
               "<label for=\"name\">Nombre</label>"
               "<input id=\"name\" name=\"name\" value=\"Usuario de prueba\" autocomplete=\"name\">"
               "<label for=\"email\">Correo electrónico</label>"
               "<input id=\"email\" name=\"email\" type=\"email\" value=\"prueba@example.com\">"
               "<label for=\"password\">Contraseña</label>"
               "<input id=\"password\" name=\"password\" type=\"password\" value=\"secreto\">"
               "<label for=\"mode\">Resultado</label>"
               "<select id=\"mode\" name=\"mode\">"
               "<option value=\"normal\">Acceso correcto</option>"
               "<option value=\"rejected\">Cookies que el servidor rechaza</option>"
               "<option value=\"nomarkers\">Sin cookies de cuenta</option>"
               "</select>"
               "<button id=\"next\" type=\"submit\">Siguiente</button>"
               "</form></body></html>")
        .arg(QLatin1String(pageStyle));
}

QString SignInPages::donePage(const QString &name, Mode mode)
{
    const QString text = mode == Mode::NoMarkers
                             ? QStringLiteral("La página no ha dejado cookies de cuenta: la aplicación seguirá esperando.")
                             : QStringLiteral("Has iniciado sesión como <b>%1</b>. Ya puedes volver a la aplicación.")
                                   .arg(escapeHtml(name));
    return QStringLiteral("<!DOCTYPE html><html lang=\"es\"><head><meta charset=\"utf-8\"><title>Sesión iniciada</title>%1"
                          "</head><body><h1>Listo</h1><p>%2</p></body></html>")
        .arg(QLatin1String(pageStyle), text);
}

QString SignInPages::indexPage(const Fixtures &fixtures, const QString &apiKey)
{
    QString html = QStringLiteral("<!DOCTYPE html><html lang=\"es\"><head><meta charset=\"utf-8\">"
                                  "<title>Servidor de desarrollo de Nimbelora</title>%1</head><body>"
                                  "<h1>Servidor de desarrollo</h1><p>Clave: <code>%2</code></p>"
                                  "<p><a href=\"/signin\">Página de acceso</a></p><h2>Vídeos</h2><ul>")
                       .arg(QLatin1String(pageStyle), escapeHtml(apiKey));
    for (int i = 0; i < 6; ++i) {
        const FxVideo &v = fixtures.videos()[i];
        html += QStringLiteral("<li><code>%1</code> %2</li>").arg(v.id, escapeHtml(v.title));
    }
    html += QStringLiteral("</ul><h2>Canales</h2><ul>");
    for (int i = 0; i < 4; ++i) {
        const FxChannel &c = fixtures.channels()[i];
        html += QStringLiteral("<li><code>%1</code> %2</li>").arg(c.id, escapeHtml(c.name));
    }
    html += QStringLiteral("</ul><h2>Listas</h2><ul>");
    for (const FxPlaylist &p : fixtures.playlists())
        html += QStringLiteral("<li><code>%1</code> %2</li>").arg(p.id, escapeHtml(p.title));
    return html + QStringLiteral("</ul></body></html>");
}

SignInPages::Mode SignInPages::modeFrom(const QString &text)
{
    if (text == QLatin1String("rejected"))
        return Mode::Rejected;
    if (text == QLatin1String("nomarkers"))
        return Mode::NoMarkers;
    return Mode::Normal;
}

QString SignInPages::modeName(Mode mode)
{
    switch (mode) {
    case Mode::Rejected: return QStringLiteral("rejected");
    case Mode::NoMarkers: return QStringLiteral("nomarkers");
    case Mode::Normal: break;
    }
    return QStringLiteral("normal");
}

QStringList SignInPages::videoSiteCookies(const QString &marker, Mode mode)
{
    const QString year = QStringLiteral("; Path=/; Max-Age=31536000");
    QStringList out = {QStringLiteral("PREF=hl=es") + year,
                       QStringLiteral("VISITOR_INFO=dev") + year + QStringLiteral("; HttpOnly")};
    if (mode == Mode::NoMarkers)
        return out;
    const QString value = mode == Mode::Rejected ? QStringLiteral("caducada") : marker;
    out << QStringLiteral("SID=") + value.right(16) + year + QStringLiteral("; HttpOnly")
        << QStringLiteral("HSID=") + value.left(12) + year + QStringLiteral("; HttpOnly")
        << QStringLiteral("SAPISID=") + value + year
        // Browsers keep a __Secure- cookie only when it is Secure; on plain
        // http some refuse it, which is why SAPISID alone is enough.
        << QStringLiteral("__Secure-3PAPISID=") + value + year + QStringLiteral("; Secure");
    return out;
}

QHash<QString, QString> SignInPages::parseForm(const QByteArray &body)
{
    QHash<QString, QString> out;
    for (const QByteArray &pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        auto decode = [](QByteArray b) { return QUrl::fromPercentEncoding(b.replace('+', ' ')); };
        const QString key = decode(eq < 0 ? pair : pair.left(eq));
        if (!out.contains(key))
            out.insert(key, eq < 0 ? QString() : decode(pair.mid(eq + 1)));
    }
    return out;
}

std::optional<QString> SignInPages::markerValue(const QJsonArray &cookies, QString *why)
{
    const QStringList names = markerNames();
    for (const QJsonValue &c : cookies) {
        const QJsonObject o = c.toObject();
        const QString value = o.value(QStringLiteral("value")).toString();
        if (names.contains(o.value(QStringLiteral("name")).toString()) && !value.isEmpty())
            return value;
    }
    if (why)
        *why = QStringLiteral("No se encontraron las cookies de tu cuenta. Vuelve a iniciar sesión en la página de acceso.");
    return std::nullopt;
}

QString SignInPages::portSuffix(const QString &hostHeader)
{
    // "[::1]:8765" and "host:8765" both end in ":port".
    const qsizetype colon = hostHeader.lastIndexOf(QLatin1Char(':'));
    if (colon < 0 || hostHeader.indexOf(QLatin1Char(']'), colon) >= 0)
        return {};
    return hostHeader.mid(colon);
}
