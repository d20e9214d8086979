#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;
class QWindow;

// Sets the allowed interface orientations and makes the app's window follow
// them at once. On the desktop a portrait-only mask means the phone-shaped
// window (full screen is left and a landscape-shaped window gets its portrait
// size back), a landscape-only mask means full screen, and a mask with both
// leaves the window as it is.
class Orientation : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(int mask READ mask NOTIFY maskChanged)

public:
    enum Mask { Portrait = 2, Landscape = 24, AllButUpsideDown = 26 };
    Q_ENUM(Mask)

    static Orientation &shared();
    static Orientation *create(QQmlEngine *, QJSEngine *);

    // Stores the mask (the delegate answers it from now on), then applies it
    // to the app's window; without a window only the mask changes.
    Q_INVOKABLE static void set(int mask);
    // Portrait now; with keepFree, all but upside down 0.6 s later unless the
    // mask has changed from portrait meanwhile. The later step cannot be
    // cancelled.
    Q_INVOKABLE static void exitLandscape(bool keepFree);

    int mask() const;

    // The window the masks apply to. Without one, the first visible top-level
    // Qt Quick window that is not a tool or an always-on-top window is used.
    static void setWindow(QWindow *window);
    static QWindow *window();

    // The size of the phone-shaped window.
    static QSize portraitSize() { return {430, 932}; }
    static constexpr int laterDelayMs = 600;

    // Every mask set, in order (for tests).
    static QList<int> history();
    static void clearHistory();

signals:
    void maskChanged();

private:
    explicit Orientation(QObject *parent = nullptr) : QObject(parent) {}
    void apply(QWindow *window, int mask);

    QPointer<QWindow> m_window;
    QRect m_normalGeometry; // the window before it went full screen
    QList<int> m_history;
};
