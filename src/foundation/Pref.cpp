#include "Pref.h"
#include "Preferences.h"

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

namespace {

QVariantMap choice(const QString &label, const QVariant &value)
{
    return {{QStringLiteral("label"), label}, {QStringLiteral("value"), value}};
}

QVariantList intChoices(std::initializer_list<std::pair<const char *, qint64>> list)
{
    QVariantList out;
    for (const auto &[label, value] : list)
        out << choice(QString::fromUtf8(label), QVariant::fromValue(value));
    return out;
}

} // namespace

QVariantList Pref::choices(QLatin1StringView key)
{
    if (key == quality)
        return intChoices({{"Automática", 0}, {"360p", 360}, {"480p", 480}, {"720p HD", 720}, {"1080p HD", 1080}});
    if (key == cellularCap)
        return intChoices({{"Sin límite", 0}, {"Hasta 480p", 480}, {"Hasta 360p", 360}, {"Hasta 240p", 240}});
    if (key == resumeMode)
        return intChoices({{"Continuar donde lo dejé", 0}, {"Empezar desde el principio", 1}});
    if (key == seekStep)
        return intChoices({{"5 segundos", 5}, {"10 segundos", 10}, {"15 segundos", 15}, {"30 segundos", 30}});
    if (key == boostSpeed)
        return {choice(QStringLiteral("×1,5"), 1.5), choice(QStringLiteral("×2"), 2.0), choice(QStringLiteral("×3"), 3.0)};
    if (key == breakReminder)
        return intChoices({{"Desactivado", 0}, {"Cada 30 min", 30}, {"Cada hora", 60}, {"Cada 90 min", 90}});
    if (key == theme)
        return intChoices({{"Sistema", 0}, {"Claro", 1}, {"Oscuro", 2}});
    if (key == homeLayout)
        return intChoices({{"Tarjetas", 0}, {"Lista compacta", 1}});
    return {};
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
    // From here on, the settings' followers (haptics among them) are in step.
    Preferences::shared();
}
