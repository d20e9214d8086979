#include "PictureInPicture.h"
#include "Orientation.h"
#include "Platform.h"
#include "VideoSurface.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QScreen>
#include <algorithm>

namespace {

const QUrl kWindowQml(QStringLiteral("qrc:/Nimbelora/Platform/qml/PictureInPictureWindow.qml"));

} // namespace

bool PictureInPicture::isSupported()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

PictureInPicture::PictureInPicture(MediaEngine *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    if (engine) {
        connect(engine, &MediaEngine::itemStatusChanged, this, &PictureInPicture::updatePossible);
        connect(engine, &MediaEngine::presentationSizeChanged, this, &PictureInPicture::updatePossible);
        connect(engine, &MediaEngine::timeControlStatusChanged, this, &PictureInPicture::playingChanged);
        connect(engine, &MediaEngine::presentationSizeChanged, this, [this] {
            if (m_active)
                placeWindow();
        });
    }
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        // The main window may come after us; look again when focus moves.
        connect(app, &QGuiApplication::focusWindowChanged, this, &PictureInPicture::watchMainWindow);
        // The engine that made the window goes before the stores do.
        connect(app, &QCoreApplication::aboutToQuit, this, &PictureInPicture::destroyWindow);
    }
    watchMainWindow();
    updatePossible();
}

PictureInPicture::~PictureInPicture()
{
    m_delegate = nullptr;
    if (m_main)
        m_main->removeEventFilter(this);
    // The window before the engine that made it.
    destroyWindow();
    delete m_ownEngine;
}

void PictureInPicture::destroyWindow()
{
    if (!m_window)
        return;
    // A window being destroyed still reports itself hidden: nobody may listen.
    disconnect(m_window, nullptr, this, nullptr);
    // The software scene graph frees a picture's texture only in a frame drawn
    // after the picture has left the pixmap cache, and loses whatever is left
    // when its last window goes: the window's pictures go first, then one
    // more frame of it.
    const QSGRendererInterface *renderer = m_window->rendererInterface();
    if (renderer && renderer->graphicsApi() == QSGRendererInterface::Software) {
        qDeleteAll(m_window->contentItem()->childItems());
        m_window->releaseResources();
        (void)m_window->grabWindow();
    }
    delete m_window;
}

bool PictureInPicture::isPlaying() const
{
    return m_engine && m_engine->timeControlStatus() != MediaEngine::TimeControlStatus::Paused;
}

QQuickWindow *PictureInPicture::window() const { return m_window; }

VideoSurface *PictureInPicture::surface() const
{
    return m_window ? m_window->findChild<VideoSurface *>(QStringLiteral("pipSurface")) : nullptr;
}

void PictureInPicture::updatePossible()
{
    const bool possible = isSupported() && m_engine && m_engine->hasItem() &&
                          m_engine->itemStatus() == MediaEngine::ItemStatus::Ready &&
                          !m_engine->presentationSize().isEmpty();
    if (possible != m_possible) {
        m_possible = possible;
        emit possibleChanged();
    }
    // With nothing loaded any more there is nothing to float; a new item
    // coming in keeps the window.
    if (m_active && (!m_engine || !m_engine->hasItem()))
        stop();
}

void PictureInPicture::setMainWindow(QWindow *window)
{
    if (window == m_main)
        return;
    if (m_main) {
        m_main->removeEventFilter(this);
        disconnect(m_main, nullptr, this, nullptr);
    }
    m_main = window;
    m_mainClosing = false;
    if (!window)
        return;
    window->installEventFilter(this);
    connect(window, &QWindow::visibilityChanged, this, &PictureInPicture::onMainVisibility);
}

void PictureInPicture::watchMainWindow()
{
    if (m_main)
        return;
    if (QWindow *w = Orientation::window(); w && w != m_window)
        setMainWindow(w);
}

bool PictureInPicture::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_main && event->type() == QEvent::Close) {
        // Closing is not hiding: the floating window must not keep the app
        // alive, so it goes before the main window does.
        m_mainClosing = true;
        stop();
    } else if (watched == m_main && event->type() == QEvent::Show) {
        m_mainClosing = false;
    }
    return QObject::eventFilter(watched, event);
}

void PictureInPicture::onMainVisibility()
{
    if (!m_main || m_mainClosing)
        return;
    const QWindow::Visibility v = m_main->visibility();
    if (v != QWindow::Minimized && v != QWindow::Hidden)
        return;
    if (m_automatic && m_shownInline && m_possible && !m_active)
        start();
}

void PictureInPicture::start()
{
    if (m_active || !m_possible || !m_engine)
        return;
    if (!ensureWindow())
        return;
    QPointer<PictureInPicture> self(this);
    if (m_delegate)
        m_delegate->pictureInPictureWillStart(this);
    if (!self || !m_engine || !m_window)
        return;
    m_previousHolder = m_engine->videoHolder();
    if (VideoSurface *s = surface())
        s->setEngine(m_engine);
    placeWindow();
    m_window->show();
    m_active = true;
    emit activeChanged();
}

void PictureInPicture::stop()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_window)
        m_window->hide();
    // Give the pictures back, unless someone else has claimed them since.
    VideoSurface *own = surface();
    if (own && m_engine && m_engine->videoHolder() == own) {
        if (auto *previous = qobject_cast<VideoSurface *>(m_previousHolder.data()); previous && previous != own)
            previous->setEngine(m_engine);
        else
            m_engine->setVideoHolder(nullptr);
    }
    m_previousHolder.clear();
    emit activeChanged();
    if (m_delegate)
        m_delegate->pictureInPictureDidStop(this);
}

void PictureInPicture::restore()
{
    if (!m_active)
        return;
    // Back to the app first, as a phone brings it to the front.
    if (m_main) {
        if (m_main->windowStates() & Qt::WindowMinimized)
            m_main->setWindowStates(m_main->windowStates() & ~Qt::WindowMinimized);
        if (!m_main->isVisible())
            m_main->show();
        m_main->requestActivate();
    }
    QPointer<PictureInPicture> self(this);
    auto completion = [self](bool) {
        if (self)
            self->stop();
    };
    if (m_delegate)
        m_delegate->restoreUserInterface(this, completion);
    else
        completion(true);
}

// Closing the floating video ends the watching, as on a phone: it pauses.
void PictureInPicture::close()
{
    if (!m_active)
        return;
    if (m_engine)
        m_engine->pause();
    stop();
}

void PictureInPicture::togglePlayback()
{
    if (!m_engine)
        return;
    if (isPlaying())
        m_engine->pause();
    else
        m_engine->play();
}

bool PictureInPicture::ensureWindow()
{
    if (m_window)
        return true;
    // The app's own engine when its window came from QML; else one of ours.
    QQmlEngine *engine = m_main ? qmlEngine(m_main.data()) : nullptr;
    if (!engine) {
        if (!m_ownEngine) {
            m_ownEngine = new QQmlEngine;
            m_ownEngine->addImportPath(QStringLiteral("qrc:/"));
            installPlatform(*m_ownEngine);
        }
        engine = m_ownEngine;
    }
    QQmlComponent component(engine, kWindowQml);
    QObject *made = component.createWithInitialProperties({{QStringLiteral("pip"), QVariant::fromValue(this)}});
    auto *window = qobject_cast<QQuickWindow *>(made);
    if (!window) {
        delete made;
        return false;
    }
    QQmlEngine::setObjectOwnership(window, QQmlEngine::CppOwnership);
    m_window = window;
    // Closed from outside (the desktop's close shortcut): as the close button.
    connect(window, &QWindow::visibleChanged, this, [this] {
        if (m_active && m_window && !m_window->isVisible())
            close();
    });
    return true;
}

// Bottom right of the main window's screen, shaped like the picture.
void PictureInPicture::placeWindow()
{
    if (!m_window)
        return;
    QSize picture = m_engine ? m_engine->presentationSize() : QSize();
    if (picture.isEmpty())
        picture = QSize(16, 9);
    const int height = std::clamp(windowWidth * picture.height() / picture.width(), windowWidth / 3, windowWidth * 2);
    const QSize size(windowWidth, height);
    QScreen *screen = m_main ? m_main->screen() : QGuiApplication::primaryScreen();
    if (m_window->isVisible()) {
        m_window->resize(size);
        return;
    }
    m_window->resize(size);
    if (screen) {
        m_window->setScreen(screen);
        const QRect area = screen->availableGeometry();
        m_window->setPosition(area.right() - size.width() - screenMargin, area.bottom() - size.height() - screenMargin);
    }
}
