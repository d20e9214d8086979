#include "Orientation.h"
#include "AppDelegate.h"
#include <QGuiApplication>
#include <QJSEngine>
#include <QQuickWindow>
#include <QTimer>

namespace {

constexpr int kPortraitBits = 2 | 4;  // portrait, upside down
constexpr int kLandscapeBits = 8 | 16; // landscape left, right

bool isAppWindow(const QWindow *w)
{
    if (!w || !w->isVisible() || w->transientParent() || !qobject_cast<const QQuickWindow *>(w))
        return false;
    const Qt::WindowFlags flags = w->flags();
    return !(flags & Qt::WindowStaysOnTopHint) && (flags & Qt::WindowType_Mask) != Qt::Tool &&
           (flags & Qt::WindowType_Mask) != Qt::Popup;
}

} // namespace

Orientation &Orientation::shared()
{
    static Orientation *o = new Orientation;
    return *o;
}

Orientation *Orientation::create(QQmlEngine *, QJSEngine *)
{
    Orientation *o = &shared();
    QJSEngine::setObjectOwnership(o, QJSEngine::CppOwnership);
    return o;
}

int Orientation::mask() const { return AppDelegate::mask(); }

void Orientation::set(int mask)
{
    Orientation &self = shared();
    const bool changed = mask != AppDelegate::mask();
    AppDelegate::setMask(mask);
    self.m_history << mask;
    if (changed)
        emit self.maskChanged();
    if (QWindow *w = window())
        self.apply(w, mask);
}

void Orientation::exitLandscape(bool keepFree)
{
    set(Portrait);
    if (!keepFree)
        return;
    QTimer::singleShot(laterDelayMs, &shared(), [] {
        // Someone chose again meanwhile: that choice stands.
        if (AppDelegate::mask() == Portrait)
            set(AllButUpsideDown);
    });
}

void Orientation::setWindow(QWindow *window) { shared().m_window = window; }

QWindow *Orientation::window()
{
    if (QWindow *w = shared().m_window)
        return w;
    if (QWindow *focus = QGuiApplication::focusWindow()) {
        while (focus->transientParent())
            focus = focus->transientParent();
        if (isAppWindow(focus))
            return focus;
    }
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (QWindow *w : windows)
        if (isAppWindow(w))
            return w;
    return nullptr;
}

QList<int> Orientation::history() { return shared().m_history; }

void Orientation::clearHistory() { shared().m_history.clear(); }

void Orientation::apply(QWindow *w, int mask)
{
    const bool portrait = mask & kPortraitBits;
    const bool landscape = mask & kLandscapeBits;
    const bool fullScreen = w->windowStates() & Qt::WindowFullScreen;
    if (portrait == landscape)
        return; // free (or nothing allowed): the window stays as it is
    if (landscape) {
        if (fullScreen)
            return;
        if (!(w->windowStates() & Qt::WindowMaximized))
            m_normalGeometry = w->geometry();
        w->showFullScreen();
        return;
    }
    if (w->windowStates() & Qt::WindowMinimized) {
        // Picture in Picture asks for portrait as the window is minimised:
        // drop full screen for when it comes back, but never raise it now.
        if (fullScreen)
            w->setWindowStates(Qt::WindowMinimized);
        if (fullScreen && m_normalGeometry.isValid() && m_normalGeometry.height() >= m_normalGeometry.width())
            w->setGeometry(m_normalGeometry);
        else
            w->resize(portraitSize());
        return;
    }
    if (fullScreen || (w->windowStates() & Qt::WindowMaximized)) {
        w->showNormal();
        const bool portraitBefore = m_normalGeometry.isValid() && m_normalGeometry.height() >= m_normalGeometry.width();
        if (fullScreen && portraitBefore) {
            w->setGeometry(m_normalGeometry);
            return;
        }
        w->resize(portraitSize());
        return;
    }
    if (w->width() > w->height())
        w->resize(portraitSize());
}
