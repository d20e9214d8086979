#pragma once
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QVariantMap>
#include <memory>

// Loads a QML component offscreen in a real window, finds items by objectName
// and clicks them as a user would. From the first harness of a run on, a
// binding loop in QML under qrc:/ (the app's, a test's inline) fails the test
// function it happens in.
class QmlHarness
{
public:
    QmlHarness();
    ~QmlHarness();

    QQmlEngine &engine() { return m_engine; }

    // Loads `qml` (source text) or `url`; returns the root item or nullptr (see errors()).
    QQuickItem *loadSource(const QByteArray &qml, const QVariantMap &props = {});
    QQuickItem *load(const QUrl &url, const QVariantMap &props = {});
    QString errors() const { return m_errors; }

    QQuickWindow *window() const { return m_window.get(); }
    QQuickItem *root() const { return m_root; }
    // Searches the root's objects, then the window's whole item tree, where
    // popups live (in the overlay, outside the root).
    QQuickItem *find(const QString &objectName) const;
    // The first item named `objectName` in `item`'s visual subtree, `item` included.
    static QQuickItem *findIn(QQuickItem *item, const QString &objectName);
    // Every item named `objectName` in `item`'s visual subtree, `item` included.
    static QList<QQuickItem *> findAllIn(QQuickItem *item, const QString &objectName);
    // Those of them the user can see:
    // visible, with a size, inside the window.
    static QList<QQuickItem *> shownItems(QQuickItem *item, const QString &objectName);
    // Clicks the item's centre; false when it is missing, hidden or disabled.
    bool click(const QString &objectName);
    bool click(QQuickItem *item);
    // From here to the end of the current test function, any QML warning (a
    // type error, a call in a context already gone) fails it; a picture the
    // test backend does not have is no fault.
    static void failOnQmlWarnings();
    // Turns the wheel over the item's centre: `angle` in eighths of a degree
    // (120 a notch), or a touchpad's `pixels`. True when something took it.
    bool wheel(QQuickItem *item, QPoint angle, QPoint pixels = {});
    // A mouse drag from `from` by `by` in twelve moves 8 ms apart, released
    // 8 ms after the last.
    static void drag(QWindow *window, QPoint from, QPoint by);
    // Processes events until `pred` holds or `ms` pass (stretched by TestTime).
    static bool waitFor(const std::function<bool()> &pred, int ms = 5000);

private:
    QQuickItem *attach(QObject *obj);

    QQmlEngine m_engine;
    std::unique_ptr<QQuickWindow> m_window;
    QQuickItem *m_root = nullptr;
    QString m_errors;
};
