#pragma once
#include <QList>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <functional>

class QQmlEngine;
class QJSEngine;

// Opens web links with the desktop's browser. Only http, https and mailto
// links leave the app: a file or custom-scheme link from outside could
// otherwise launch a local program. Every opened link is recorded.
class Opener : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QList<QUrl> opened READ opened NOTIFY openedChanged)

public:
    static Opener &shared();
    static Opener *create(QQmlEngine *, QJSEngine *);

    // False when the link is refused or the desktop could not open it.
    Q_INVOKABLE bool open(const QUrl &url);
    static bool isOpenable(const QUrl &url);

    QList<QUrl> opened() const { return m_opened; }
    void clear();

    // Tests: replace the desktop (empty restores QDesktopServices).
    using Handler = std::function<bool(const QUrl &)>;
    static void setHandler(Handler handler);

signals:
    void openedChanged();

private:
    explicit Opener(QObject *parent = nullptr) : QObject(parent) {}

    QList<QUrl> m_opened;
    Handler m_handler;
};
