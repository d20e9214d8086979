#include "DevBackend_p.h"
#include "SignInPages.h"

#include <QUrl>

namespace {
using Req = httplib::Request;
using Res = httplib::Response;

void sendHtml(Res &res, const QString &html)
{
    res.set_header("Cache-Control", "no-store");
    res.set_content(html.toStdString(), "text/html; charset=utf-8");
}
} // namespace

void DevBackend::Impl::installSignIn()
{
    server.Get("/", [this](const Req &, Res &res) { sendHtml(res, SignInPages::indexPage(fixtures, options.apiKey)); });

    server.Get("/signin", [](const Req &, Res &res) { sendHtml(res, SignInPages::formPage()); });
    // Where the app opens the sign-in, as the provider's own page is named.
    server.Get("/ServiceLogin", [](const Req &, Res &res) { sendHtml(res, SignInPages::formPage()); });

    // The provider's answer: its own cookie, then on to the video site.
    server.Post("/signin", [this](const Req &req, Res &res) {
        const auto form = SignInPages::parseForm(QByteArray::fromStdString(req.body));
        QString name = form.value(QStringLiteral("name")).simplified();
        if (name.isEmpty())
            name = QStringLiteral("Usuario de prueba");
        const SignInPages::Mode mode = SignInPages::modeFrom(form.value(QStringLiteral("mode")));
        const QString next = QStringLiteral("http://") + options.videoDomain +
                             SignInPages::portSuffix(QString::fromStdString(req.get_header_value("Host"))) +
                             QStringLiteral("/signin/done?name=") +
                             QString::fromLatin1(QUrl::toPercentEncoding(name)) + QStringLiteral("&mode=") +
                             SignInPages::modeName(mode);
        res.set_header("Set-Cookie", ("LSID=" + accounts.markerValue(name).right(20) + "; Path=/; HttpOnly").toStdString());
        res.set_redirect(next.toStdString(), 303);
    });

    server.Get("/signin/done", [this](const Req &req, Res &res) {
        QString name = param(req, "name").simplified();
        if (name.isEmpty())
            name = QStringLiteral("Usuario de prueba");
        const SignInPages::Mode mode = SignInPages::modeFrom(param(req, "mode"));
        for (const QString &cookie : SignInPages::videoSiteCookies(accounts.markerValue(name), mode))
            res.headers.emplace("Set-Cookie", cookie.toStdString());
        sendHtml(res, SignInPages::donePage(name, mode));
    });
}
