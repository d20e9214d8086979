#include "Screen.h"
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QJSEngine>
#include <algorithm>
#include <cmath>

namespace {
const QString kSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");

QDBusMessage screensaverCall(const QString &method)
{
    return QDBusMessage::createMethodCall(kSaverService, kSaverPath, kSaverInterface, method);
}
} // namespace

Screen &Screen::shared()
{
    static Screen *s = new Screen;
    return *s;
}

Screen *Screen::create(QQmlEngine *, QJSEngine *)
{
    Screen *s = &shared();
    QJSEngine::setObjectOwnership(s, QJSEngine::CppOwnership);
    return s;
}

void Screen::setBrightness(double brightness)
{
    if (std::isnan(brightness))
        return;
    const double v = std::clamp(brightness, 0.0, 1.0);
    if (v == m_brightness)
        return;
    m_brightness = v;
    emit brightnessChanged();
}

void Screen::setIdleTimerDisabled(bool disabled)
{
    if (disabled == m_idleTimerDisabled)
        return;
    m_idleTimerDisabled = disabled;
    if (disabled)
        m_refused = false;
    emit idleTimerDisabledChanged();
    sync();
}

void Screen::sync()
{
    // While a call is out its answer decides; sync() runs again then.
    if (m_calling)
        return;
    if (m_idleTimerDisabled && !m_cookie && !m_refused)
        inhibit();
    else if (!m_idleTimerDisabled && m_cookie)
        uninhibit();
}

void Screen::inhibit()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_refused = true;
        return;
    }
    QDBusMessage call = screensaverCall(QStringLiteral("Inhibit"));
    call << QStringLiteral("Nimbelora") << QStringLiteral("Reproduciendo un vídeo");
    m_calling = true;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        m_calling = false;
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            m_refused = true;
        } else {
            m_cookie = reply.value();
            emit inhibitedChanged();
        }
        // The wanted state may have flipped while we waited.
        sync();
    });
}

void Screen::uninhibit()
{
    QDBusMessage call = screensaverCall(QStringLiteral("UnInhibit"));
    call << *m_cookie;
    m_cookie.reset();
    emit inhibitedChanged();
    // Nothing to do with the answer; a vanished service has forgotten us anyway.
    QDBusConnection::sessionBus().send(call);
}
