#pragma once
#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <optional>

class QQmlEngine;
class QJSEngine;

// The main screen. `brightness` (0 … 1, starting at 1) is what a dimming
// layer over the window binds to; a desktop app cannot dim the display
// itself. Disabling the idle timer keeps the desktop from blanking or
// locking: org.freedesktop.ScreenSaver Inhibit, with the cookie kept for the
// UnInhibit that enabling it again sends. Calls are asynchronous; without the
// service nothing happens and the next disable tries again.
class Screen : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(double brightness READ brightness WRITE setBrightness NOTIFY brightnessChanged)
    Q_PROPERTY(bool idleTimerDisabled READ isIdleTimerDisabled WRITE setIdleTimerDisabled NOTIFY idleTimerDisabledChanged)
    Q_PROPERTY(bool inhibited READ isInhibited NOTIFY inhibitedChanged)

public:
    static Screen &shared();
    static Screen *create(QQmlEngine *, QJSEngine *);

    double brightness() const { return m_brightness; }
    // Clamped to 0 … 1; not a number is ignored.
    void setBrightness(double brightness);

    bool isIdleTimerDisabled() const { return m_idleTimerDisabled; }
    void setIdleTimerDisabled(bool disabled);

    // Whether the screensaver has granted an inhibition we still hold.
    bool isInhibited() const { return m_cookie.has_value(); }

signals:
    void brightnessChanged();
    void idleTimerDisabledChanged();
    void inhibitedChanged();

private:
    explicit Screen(QObject *parent = nullptr) : QObject(parent) {}
    // Brings the screensaver in line with the wanted state, one call at a time.
    void sync();
    void inhibit();
    void uninhibit();

    double m_brightness = 1.0;
    bool m_idleTimerDisabled = false;
    std::optional<uint> m_cookie;
    bool m_calling = false;
    bool m_refused = false; // the last Inhibit failed: wait for the next disable
};
