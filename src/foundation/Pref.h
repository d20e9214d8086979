#pragma once
#include <QLatin1StringView>
#include <QVariant>
#include <QVariantMap>
#include <array>

// The user settings: their keys, the defaults registered at start-up and,
// for those the settings screen picks from a menu, the choices in menu
// order. Read a key through Defaults at the moment of use, e.g.
//   Defaults::shared().boolValue(Pref::autoplay)
// QML reads and writes them through `Preferences`, a typed property each.
class Pref
{
public:
    Pref() = delete;

    static constexpr QLatin1StringView quality{"pref.quality"};             // Int: stream height, 0 automatic
    static constexpr QLatin1StringView autoplay{"pref.autoplay"};           // Bool
    static constexpr QLatin1StringView skipSponsors{"pref.skipSponsors"};   // Bool
    static constexpr QLatin1StringView haptics{"pref.haptics"};             // Bool
    static constexpr QLatin1StringView sync{"pref.sync"};                   // Bool: mirror to the account
    static constexpr QLatin1StringView speed{"pref.speed"};                 // Double: last playback speed
    static constexpr QLatin1StringView captions{"pref.captions"};           // Bool: pick a track by itself
    static constexpr QLatin1StringView cellularCap{"pref.cellularCap"};     // Int: height cap, 0 none
    static constexpr QLatin1StringView theme{"pref.theme"};                 // Int: 0 system, 1 light, 2 dark
    static constexpr QLatin1StringView showProgress{"pref.showProgress"};   // Bool
    static constexpr QLatin1StringView seekStep{"pref.seekStep"};           // Int: seconds
    static constexpr QLatin1StringView boostSpeed{"pref.boostSpeed"};       // Double: rate while held
    static constexpr QLatin1StringView captionSize{"pref.captionSize"};     // Double: text scale
    static constexpr QLatin1StringView captionBg{"pref.captionBg"};         // Bool
    static constexpr QLatin1StringView resumeMode{"pref.resumeMode"};       // Int: 0 resume, 1 from start
    static constexpr QLatin1StringView incognito{"pref.incognito"};         // Bool
    static constexpr QLatin1StringView breakReminder{"pref.breakReminder"}; // Int: minutes, 0 off
    static constexpr QLatin1StringView countdown{"pref.countdown"};         // Bool
    static constexpr QLatin1StringView homeLayout{"pref.homeLayout"};       // Int: 0 grid, 1 list
    static constexpr QLatin1StringView hideWatched{"pref.hideWatched"};     // Bool
    static constexpr QLatin1StringView hiddenCats{"pref.hiddenCats"};       // String: ids joined by ","
    static constexpr QLatin1StringView onboarded{"pref.onboarded"};         // Bool
    static constexpr QLatin1StringView pauseOnUnplug{"pref.pauseOnUnplug"}; // Bool
    static constexpr QLatin1StringView sponsorCats{"pref.sponsorCats"};     // String: ids joined by ","

    struct Entry
    {
        QLatin1StringView key;
        QVariant value; // qint64, bool, double or QString: the key's type
    };
    static const std::array<Entry, 24> &table();
    // What the settings screen offers for `key`, each as {label, value}
    // with the key's type; empty for a key it does not pick from a menu.
    static QVariantList choices(QLatin1StringView key);
    static QVariantMap defaults();

    // Hands the table to the settings store; called once at start-up,
    // before any key is read.
    static void registerDefaults();
};
