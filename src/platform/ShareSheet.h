#pragma once
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The state behind our own share sheet. `share()` picks the item and raises
// the sheet; the sheet shows the link with "Copiar enlace" and open in the
// browser, or for a file offers to save a copy where the user chooses.
class ShareSheet : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)
    Q_PROPERTY(Kind kind READ kind NOTIFY itemChanged)
    Q_PROPERTY(QUrl url READ url NOTIFY itemChanged)
    Q_PROPERTY(QString text READ text NOTIFY itemChanged)
    Q_PROPERTY(QString title READ title NOTIFY itemChanged)
    Q_PROPERTY(QString fileName READ fileName NOTIFY itemChanged)
    // The save dialog's filter: files of the shared file's kind.
    Q_PROPERTY(QStringList nameFilters READ nameFilters NOTIFY itemChanged)
    Q_PROPERTY(bool saving READ saving NOTIFY savingChanged)

public:
    enum Kind { None, Link, Text, File };
    Q_ENUM(Kind)

    static ShareSheet &shared();
    static ShareSheet *create(QQmlEngine *, QJSEngine *);

    // `item`: a URL (a web link, or a file:// URL for a file) or a text; a
    // text that is a web link is shared as a link. False (and nothing shown)
    // for an empty or unusable item.
    Q_INVOKABLE bool share(const QVariant &item, const QString &title = QString());
    Q_INVOKABLE void dismiss();

    // The link (or the text) onto the pasteboard.
    Q_INVOKABLE void copyLink();
    Q_INVOKABLE bool openInBrowser();
    // Copies the shared file to `path` (a path or a file:// URL) off the GUI
    // thread, atomically; saveFinished reports the result.
    Q_INVOKABLE void saveFileTo(const QString &path);

    bool active() const { return m_active; }
    Kind kind() const { return m_kind; }
    QUrl url() const { return m_url; }
    QString text() const { return m_text; }
    QString title() const { return m_title; }
    QString fileName() const;
    QStringList nameFilters() const;
    bool saving() const { return m_saving; }

signals:
    void activeChanged();
    void itemChanged();
    void savingChanged();
    void saveFinished(bool ok, const QString &path);

private:
    explicit ShareSheet(QObject *parent = nullptr) : QObject(parent) {}
    void setActive(bool v);
    void setSaving(bool v);

    bool m_active = false;
    Kind m_kind = None;
    QUrl m_url;
    QString m_text;
    QString m_title;
    bool m_saving = false;
};
