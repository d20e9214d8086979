#pragma once
#include "MediaEngine.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QtQml/qqmlregistration.h>
#include <functional>

class PictureInPicture;
class QQmlEngine;
class QQuickWindow;
class QWindow;
class VideoSurface;

// What the owner of a Picture in Picture controller hears. The controller
// keeps no ownership of it; the owner outlives the controller or clears it.
class PictureInPictureDelegate
{
public:
    virtual ~PictureInPictureDelegate() = default;
    // Before the floating window appears.
    virtual void pictureInPictureWillStart(PictureInPicture *) {}
    // After the floating window has gone, whatever ended it.
    virtual void pictureInPictureDidStop(PictureInPicture *) {}
    // The window's restore button: bring the app's own player back, then
    // call `completion` (the controller stops once it is called).
    virtual void restoreUserInterface(PictureInPicture *, std::function<void(bool restored)> completion)
    {
        completion(true);
    }
};

// Picture in Picture on the desktop: a small frameless window above all the
// others that shows one engine's video. Starting it claims the engine's
// pictures for the window's own surface (the last surface to claim them
// wins); stopping hands them back to the surface that held them before, if it
// has not been replaced meanwhile.
//
// It is possible while the engine has an item that is ready and has a
// picture. With automatic start allowed, it starts by itself when the app's
// main window is minimised or hidden while the owner says the video is shown
// inline; closing the main window never starts it, and stops it so the app
// can quit.
class PictureInPicture : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("the player store makes it")
    Q_PROPERTY(bool possible READ isPossible NOTIFY possibleChanged)
    Q_PROPERTY(bool active READ isActive NOTIFY activeChanged)
    Q_PROPERTY(bool playing READ isPlaying NOTIFY playingChanged)

public:
    // Whether this process can show a floating window at all.
    static bool isSupported();

    explicit PictureInPicture(MediaEngine *engine, QObject *parent = nullptr);
    ~PictureInPicture() override;

    MediaEngine *engine() const { return m_engine; }
    void setDelegate(PictureInPictureDelegate *delegate) { m_delegate = delegate; }

    bool isPossible() const { return m_possible; }
    bool isActive() const { return m_active; }
    // The engine is not paused (the window's play/pause button).
    bool isPlaying() const;

    bool canStartAutomaticallyFromInline() const { return m_automatic; }
    void setCanStartAutomaticallyFromInline(bool allowed) { m_automatic = allowed; }
    // The owner tells whether its video is shown inline right now.
    void setShownInline(bool shown) { m_shownInline = shown; }
    bool isShownInline() const { return m_shownInline; }
    // The window whose minimising starts Picture in Picture; by default the
    // app's main window (Orientation's), looked up again until one is found.
    void setMainWindow(QWindow *window);

    // Nothing happens when it is not possible or already active.
    Q_INVOKABLE void start();
    Q_INVOKABLE void stop();
    // The window's buttons. Restoring brings the main window back first.
    Q_INVOKABLE void restore();
    Q_INVOKABLE void close();
    Q_INVOKABLE void togglePlayback();

    // The floating window while it exists (it is kept once made).
    QQuickWindow *window() const;
    VideoSurface *surface() const;
    // The window's width; its height follows the picture's shape.
    static constexpr int windowWidth = 320;
    static constexpr int screenMargin = 24;

signals:
    void possibleChanged();
    void activeChanged();
    void playingChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updatePossible();
    void watchMainWindow();
    void onMainVisibility();
    bool ensureWindow();
    void placeWindow();
    void destroyWindow();

    QPointer<MediaEngine> m_engine;
    PictureInPictureDelegate *m_delegate = nullptr;
    bool m_possible = false;
    bool m_active = false;
    bool m_automatic = false;
    bool m_shownInline = false;
    QPointer<QWindow> m_main;
    bool m_mainClosing = false;
    QPointer<QObject> m_previousHolder;
    QPointer<QQuickWindow> m_window;
    QQmlEngine *m_ownEngine = nullptr;
};
