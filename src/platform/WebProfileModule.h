#pragma once
#include <QNetworkCookie>
#include <QObject>
#include <QString>
#include <functional>

// The one door to the browser engine: a module of its own, loaded the first
// time the sign-in needs its web profile, so the engine's libraries stay out
// of the app's start. Both sides are built together, so C++ types cross it.
namespace WebProfileModule {

struct CookieHooks
{
    std::function<void(const QNetworkCookie &)> added;
    std::function<void(const QNetworkCookie &)> removed;
};

// An off-the-record profile owned by `parent`, with `userAgentSuffix` after
// the engine's own user agent. Every cookie of its store is reported through
// `hooks`.
using MakeProfile = QObject *(*)(QObject *parent, const QString &userAgentSuffix, CookieHooks hooks);
// Removes every cookie and the HTTP cache of a profile made above and stops
// its reports; what else it holds goes with the profile.
using WipeProfile = void (*)(QObject *profile);

inline constexpr const char *makeProfileSymbol = "nimbelora_make_web_profile";
inline constexpr const char *wipeProfileSymbol = "nimbelora_wipe_web_profile";

} // namespace WebProfileModule
