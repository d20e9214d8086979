#include "Platform.h"
#include "QmlHarness.h"
#include "RemoteImageProvider.h"
#include "TestTime.h"
#include <QGuiApplication>
#include <QQmlComponent>
#include <QRegularExpression>
#include <QWheelEvent>
#include <QTest>
#include <functional>
#include <QtQml/qqmlextensionplugin.h>

// The layers are static QML modules; tests that load QML need them imported.
Q_IMPORT_QML_PLUGIN(Nimbelora_PlatformPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_FoundationPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_LibraryPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_PlaybackPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ShellPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_PlayerPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ShortsPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_ScreensPlugin)
Q_IMPORT_QML_PLUGIN(Nimbelora_SettingsPlugin)

namespace {

QtMessageHandler previousHandler = nullptr;

// A binding loop in the app's own QML (or a test's inline QML, also under
// qrc:/) fails the test that runs into it; Qt's own controls are not ours.
void failOnBindingLoop(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const QRegularExpression ours(u"qrc:/(?!qt-project\\.org/)\\S*\\.qml:.*Binding loop detected"_qs);
    if (previousHandler)
        previousHandler(type, context, message);
    if (type == QtWarningMsg && ours.match(message).hasMatch())
        QTest::qFail(qPrintable(u"A binding loop: "_qs + message), context.file, context.line);
}

// Every test program that loads QML does it through a harness. The test
// logger puts its own handler in place when the run starts, so this one
// goes over it from inside the run, once.
void watchBindingLoops()
{
    static bool installed = false;
    if (installed || !QTest::currentTestFunction())
        return;
    installed = true;
    previousHandler = qInstallMessageHandler(failOnBindingLoop);
}

} // namespace

QmlHarness::QmlHarness() : m_window(std::make_unique<QQuickWindow>())
{
    watchBindingLoops();
    m_engine.addImportPath(QStringLiteral("qrc:/"));
    installPlatform(m_engine);
    RemoteImageProvider::install(m_engine);
    m_window->resize(430, 932);
}

QmlHarness::~QmlHarness()
{
    delete m_root;
    m_root = nullptr;
    // Qt 6.4's software scene graph frees a picture's texture only in a frame
    // drawn after the picture leaves the pixmap cache, and keeps (then drops)
    // whatever its last window leaves behind. So: the pictures go, one more
    // frame, then the window.
    m_window->releaseResources();
    if (m_window->isExposed())
        (void)m_window->grabWindow();
}

QQuickItem *QmlHarness::loadSource(const QByteArray &qml, const QVariantMap &props)
{
    watchBindingLoops();
    QQmlComponent c(&m_engine);
    c.setData(qml, QUrl(QStringLiteral("qrc:/test/Inline.qml")));
    QObject *obj = c.isReady() ? c.createWithInitialProperties(props) : nullptr;
    if (!obj) {
        m_errors = c.errorString();
        return nullptr;
    }
    return attach(obj);
}

QQuickItem *QmlHarness::load(const QUrl &url, const QVariantMap &props)
{
    watchBindingLoops();
    QQmlComponent c(&m_engine, url);
    QObject *obj = c.isReady() ? c.createWithInitialProperties(props) : nullptr;
    if (!obj) {
        m_errors = c.errorString();
        return nullptr;
    }
    return attach(obj);
}

QQuickItem *QmlHarness::attach(QObject *obj)
{
    auto *item = qobject_cast<QQuickItem *>(obj);
    if (!item) {
        m_errors = QStringLiteral("root is not an Item");
        delete obj;
        return nullptr;
    }
    delete m_root;
    m_root = item;
    item->setParentItem(m_window->contentItem());
    if (item->width() <= 0)
        item->setWidth(m_window->width());
    if (item->height() <= 0)
        item->setHeight(m_window->height());
    m_window->show();
    (void)QTest::qWaitForWindowExposed(m_window.get());
    return item;
}

QQuickItem *QmlHarness::find(const QString &objectName) const
{
    if (!m_root)
        return nullptr;
    if (m_root->objectName() == objectName)
        return m_root;
    if (auto *item = m_root->findChild<QQuickItem *>(objectName))
        return item;
    return findIn(m_window->contentItem(), objectName);
}

QQuickItem *QmlHarness::findIn(QQuickItem *item, const QString &objectName)
{
    if (!item)
        return nullptr;
    if (item->objectName() == objectName)
        return item;
    for (QQuickItem *child : item->childItems())
        if (QQuickItem *found = findIn(child, objectName))
            return found;
    return nullptr;
}

QList<QQuickItem *> QmlHarness::findAllIn(QQuickItem *item, const QString &objectName)
{
    QList<QQuickItem *> out;
    const std::function<void(QQuickItem *)> walk = [&](QQuickItem *i) {
        if (i->objectName() == objectName)
            out.append(i);
        for (QQuickItem *child : i->childItems())
            walk(child);
    };
    if (item)
        walk(item);
    return out;
}

QList<QQuickItem *> QmlHarness::shownItems(QQuickItem *item, const QString &objectName)
{
    QList<QQuickItem *> out = findAllIn(item, objectName);
    out.removeIf([](QQuickItem *i) {
        return !i->isVisible() || i->width() <= 0 || i->height() <= 0
               || !i->mapRectToScene(QRectF(0, 0, i->width(), i->height()))
                       .intersects(QRectF(QPointF(0, 0), i->window()->size()));
    });
    return out;
}

bool QmlHarness::click(const QString &objectName) { return click(find(objectName)); }

bool QmlHarness::click(QQuickItem *item)
{
    if (!item || !item->isVisible() || !item->isEnabled())
        return false;
    const QPointF c = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(m_window.get(), Qt::LeftButton, Qt::NoModifier, c.toPoint());
    return true;
}

void QmlHarness::failOnQmlWarnings()
{
    QTest::failOnWarning(QRegularExpression(u"^(?!.*"_qs + QRegularExpression::escape(RemoteImageProvider::missText)
                                                + u").*(qrc:/|\\.qml|context)"_qs,
                                            QRegularExpression::CaseInsensitiveOption));
}

void QmlHarness::drag(QWindow *window, QPoint from, QPoint by)
{
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, from);
    const int steps = 12;
    for (int i = 1; i <= steps; ++i) {
        QTest::qWait(8);
        QTest::mouseMove(window, from + by * i / steps);
    }
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, from + by, 8);
}

bool QmlHarness::wheel(QQuickItem *item, QPoint angle, QPoint pixels)
{
    const QPointF c = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QWheelEvent e(c, m_window->mapToGlobal(c), pixels, angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    // Views that work out a speed need time to pass between turns, and
    // since the last press too: one clock with the test's mouse events.
    QTest::lastMouseTimestamp += 100;
    e.setTimestamp(QTest::lastMouseTimestamp);
    e.setAccepted(false);
    QGuiApplication::sendEvent(m_window.get(), &e);
    return e.isAccepted();
}

bool QmlHarness::waitFor(const std::function<bool()> &pred, int ms)
{
    return TestTime::waitFor(pred, ms);
}
