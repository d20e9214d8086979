#include "Pref.h"

#include "Defaults.h"

const std::array<Pref::Entry, 24> &Pref::table()
{
    static const std::array<Entry, 24> entries{{
        {quality, QVariant::fromValue<qint64>(720)},
        {autoplay, true},
        {skipSponsors, true},
        {haptics, true},
        {sync, true},
        {speed, 1.0},
        {captions, false},
        {cellularCap, QVariant::fromValue<qint64>(0)},
        {theme, QVariant::fromValue<qint64>(0)},
        {showProgress, true},
        {seekStep, QVariant::fromValue<qint64>(10)},
        {boostSpeed, 2.0},
        {captionSize, 1.0},
        {captionBg, true},
        {resumeMode, QVariant::fromValue<qint64>(0)},
        {incognito, false},
        {breakReminder, QVariant::fromValue<qint64>(0)},
        {countdown, true},
        {homeLayout, QVariant::fromValue<qint64>(0)},
        {hideWatched, false},
        {hiddenCats, QStringLiteral("")},
        {onboarded, false},
        {pauseOnUnplug, true},
        {sponsorCats, QStringLiteral("sponsor,selfpromo,interaction,intro,outro")},
    }};
    return entries;
}

QVariantMap Pref::defaults()
{
    QVariantMap map;
    for (const Entry &e : table())
        map.insert(e.key, e.value);
    return map;
}

void Pref::registerDefaults()
{
    Defaults::shared().registerDefaults(defaults());
}
