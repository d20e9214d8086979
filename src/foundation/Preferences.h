#pragma once
#include "Defaults.h"
#include "Pref.h"
#include <QHash>
#include <QMetaMethod>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The user settings as QML sees them: one typed property per key of Pref's
// table, read from and written to Defaults, each notifying when its own key
// changes (whoever wrote it).
//   visible: Preferences.showProgress
//   onToggled: Preferences.showProgress = on
class Preferences : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(qint64 quality READ quality WRITE setQuality NOTIFY qualityChanged)
    Q_PROPERTY(bool autoplay READ autoplay WRITE setAutoplay NOTIFY autoplayChanged)
    Q_PROPERTY(bool skipSponsors READ skipSponsors WRITE setSkipSponsors NOTIFY skipSponsorsChanged)
    Q_PROPERTY(bool haptics READ haptics WRITE setHaptics NOTIFY hapticsChanged)
    Q_PROPERTY(bool sync READ sync WRITE setSync NOTIFY syncChanged)
    Q_PROPERTY(double speed READ speed WRITE setSpeed NOTIFY speedChanged)
    Q_PROPERTY(bool captions READ captions WRITE setCaptions NOTIFY captionsChanged)
    Q_PROPERTY(qint64 cellularCap READ cellularCap WRITE setCellularCap NOTIFY cellularCapChanged)
    Q_PROPERTY(qint64 theme READ theme WRITE setTheme NOTIFY themeChanged)
    Q_PROPERTY(bool showProgress READ showProgress WRITE setShowProgress NOTIFY showProgressChanged)
    Q_PROPERTY(qint64 seekStep READ seekStep WRITE setSeekStep NOTIFY seekStepChanged)
    Q_PROPERTY(double boostSpeed READ boostSpeed WRITE setBoostSpeed NOTIFY boostSpeedChanged)
    Q_PROPERTY(double captionSize READ captionSize WRITE setCaptionSize NOTIFY captionSizeChanged)
    Q_PROPERTY(bool captionBg READ captionBg WRITE setCaptionBg NOTIFY captionBgChanged)
    Q_PROPERTY(qint64 resumeMode READ resumeMode WRITE setResumeMode NOTIFY resumeModeChanged)
    Q_PROPERTY(bool incognito READ incognito WRITE setIncognito NOTIFY incognitoChanged)
    Q_PROPERTY(qint64 breakReminder READ breakReminder WRITE setBreakReminder NOTIFY breakReminderChanged)
    Q_PROPERTY(bool countdown READ countdown WRITE setCountdown NOTIFY countdownChanged)
    Q_PROPERTY(qint64 homeLayout READ homeLayout WRITE setHomeLayout NOTIFY homeLayoutChanged)
    Q_PROPERTY(bool hideWatched READ hideWatched WRITE setHideWatched NOTIFY hideWatchedChanged)
    Q_PROPERTY(QString hiddenCats READ hiddenCats WRITE setHiddenCats NOTIFY hiddenCatsChanged)
    Q_PROPERTY(bool onboarded READ onboarded WRITE setOnboarded NOTIFY onboardedChanged)
    Q_PROPERTY(bool pauseOnUnplug READ pauseOnUnplug WRITE setPauseOnUnplug NOTIFY pauseOnUnplugChanged)
    Q_PROPERTY(QString sponsorCats READ sponsorCats WRITE setSponsorCats NOTIFY sponsorCatsChanged)
    // The settings screen's menus: [{label, value}] in menu order.
    Q_PROPERTY(QVariantList qualityChoices READ qualityChoices CONSTANT)
    Q_PROPERTY(QVariantList cellularCapChoices READ cellularCapChoices CONSTANT)
    Q_PROPERTY(QVariantList resumeModeChoices READ resumeModeChoices CONSTANT)
    Q_PROPERTY(QVariantList seekStepChoices READ seekStepChoices CONSTANT)
    Q_PROPERTY(QVariantList boostSpeedChoices READ boostSpeedChoices CONSTANT)
    Q_PROPERTY(QVariantList breakReminderChoices READ breakReminderChoices CONSTANT)
    Q_PROPERTY(QVariantList themeChoices READ themeChoices CONSTANT)
    Q_PROPERTY(QVariantList homeLayoutChoices READ homeLayoutChoices CONSTANT)

public:
    static Preferences &shared();
    static Preferences *create(QQmlEngine *, QJSEngine *);

    qint64 quality() const { return Defaults::shared().intValue(Pref::quality); }
    bool autoplay() const { return Defaults::shared().boolValue(Pref::autoplay); }
    bool skipSponsors() const { return Defaults::shared().boolValue(Pref::skipSponsors); }
    bool haptics() const { return Defaults::shared().boolValue(Pref::haptics); }
    bool sync() const { return Defaults::shared().boolValue(Pref::sync); }
    double speed() const { return Defaults::shared().doubleValue(Pref::speed); }
    bool captions() const { return Defaults::shared().boolValue(Pref::captions); }
    qint64 cellularCap() const { return Defaults::shared().intValue(Pref::cellularCap); }
    qint64 theme() const { return Defaults::shared().intValue(Pref::theme); }
    bool showProgress() const { return Defaults::shared().boolValue(Pref::showProgress); }
    qint64 seekStep() const { return Defaults::shared().intValue(Pref::seekStep); }
    double boostSpeed() const { return Defaults::shared().doubleValue(Pref::boostSpeed); }
    double captionSize() const { return Defaults::shared().doubleValue(Pref::captionSize); }
    bool captionBg() const { return Defaults::shared().boolValue(Pref::captionBg); }
    qint64 resumeMode() const { return Defaults::shared().intValue(Pref::resumeMode); }
    bool incognito() const { return Defaults::shared().boolValue(Pref::incognito); }
    qint64 breakReminder() const { return Defaults::shared().intValue(Pref::breakReminder); }
    bool countdown() const { return Defaults::shared().boolValue(Pref::countdown); }
    qint64 homeLayout() const { return Defaults::shared().intValue(Pref::homeLayout); }
    bool hideWatched() const { return Defaults::shared().boolValue(Pref::hideWatched); }
    QString hiddenCats() const { return Defaults::shared().stringValue(Pref::hiddenCats); }
    bool onboarded() const { return Defaults::shared().boolValue(Pref::onboarded); }
    bool pauseOnUnplug() const { return Defaults::shared().boolValue(Pref::pauseOnUnplug); }
    QString sponsorCats() const { return Defaults::shared().stringValue(Pref::sponsorCats); }

    void setQuality(qint64 v) { store(Pref::quality, QVariant::fromValue(v)); }
    void setAutoplay(bool v) { store(Pref::autoplay, v); }
    void setSkipSponsors(bool v) { store(Pref::skipSponsors, v); }
    void setHaptics(bool v) { store(Pref::haptics, v); }
    void setSync(bool v) { store(Pref::sync, v); }
    void setSpeed(double v) { store(Pref::speed, v); }
    void setCaptions(bool v) { store(Pref::captions, v); }
    void setCellularCap(qint64 v) { store(Pref::cellularCap, QVariant::fromValue(v)); }
    void setTheme(qint64 v) { store(Pref::theme, QVariant::fromValue(v)); }
    void setShowProgress(bool v) { store(Pref::showProgress, v); }
    void setSeekStep(qint64 v) { store(Pref::seekStep, QVariant::fromValue(v)); }
    void setBoostSpeed(double v) { store(Pref::boostSpeed, v); }
    void setCaptionSize(double v) { store(Pref::captionSize, v); }
    void setCaptionBg(bool v) { store(Pref::captionBg, v); }
    void setResumeMode(qint64 v) { store(Pref::resumeMode, QVariant::fromValue(v)); }
    void setIncognito(bool v) { store(Pref::incognito, v); }
    void setBreakReminder(qint64 v) { store(Pref::breakReminder, QVariant::fromValue(v)); }
    void setCountdown(bool v) { store(Pref::countdown, v); }
    void setHomeLayout(qint64 v) { store(Pref::homeLayout, QVariant::fromValue(v)); }
    void setHideWatched(bool v) { store(Pref::hideWatched, v); }
    void setHiddenCats(const QString &v) { store(Pref::hiddenCats, v); }
    void setOnboarded(bool v) { store(Pref::onboarded, v); }
    void setPauseOnUnplug(bool v) { store(Pref::pauseOnUnplug, v); }
    void setSponsorCats(const QString &v) { store(Pref::sponsorCats, v); }

    static QVariantList qualityChoices() { return Pref::choices(Pref::quality); }
    static QVariantList cellularCapChoices() { return Pref::choices(Pref::cellularCap); }
    static QVariantList resumeModeChoices() { return Pref::choices(Pref::resumeMode); }
    static QVariantList seekStepChoices() { return Pref::choices(Pref::seekStep); }
    static QVariantList boostSpeedChoices() { return Pref::choices(Pref::boostSpeed); }
    static QVariantList breakReminderChoices() { return Pref::choices(Pref::breakReminder); }
    static QVariantList themeChoices() { return Pref::choices(Pref::theme); }
    static QVariantList homeLayoutChoices() { return Pref::choices(Pref::homeLayout); }

signals:
    void qualityChanged();
    void autoplayChanged();
    void skipSponsorsChanged();
    void hapticsChanged();
    void syncChanged();
    void speedChanged();
    void captionsChanged();
    void cellularCapChanged();
    void themeChanged();
    void showProgressChanged();
    void seekStepChanged();
    void boostSpeedChanged();
    void captionSizeChanged();
    void captionBgChanged();
    void resumeModeChanged();
    void incognitoChanged();
    void breakReminderChanged();
    void countdownChanged();
    void homeLayoutChanged();
    void hideWatchedChanged();
    void hiddenCatsChanged();
    void onboardedChanged();
    void pauseOnUnplugChanged();
    void sponsorCatsChanged();

private:
    explicit Preferences(QObject *parent = nullptr);
    void store(QLatin1StringView key, const QVariant &value);
    void announce(const QString &key);

    QHash<QString, QMetaMethod> m_notify; // key → its property's change signal
};
