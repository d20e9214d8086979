#pragma once
#include <QObject>
#include <QQmlComponent>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <optional>

class QJSEngine;
class QQmlEngine;

// Whether the file dialog can open, and Qt's own dialog made fit for the
// app. Without a desktop theme Qt draws its own dialog, which needs the
// module Qt.labs.folderlistmodel; opening it without that module crashes
// inside Qt, so the picker asks here first.
class FilePicker : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // Where the dialog starts, whatever folder the app was started from.
    Q_PROPERTY(QUrl startFolder READ startFolder CONSTANT)

public:
    static FilePicker *create(QQmlEngine *engine, QJSEngine *);

    Q_INVOKABLE bool canOpen();
    // Qt's own dialog, once the FileDialog `dialog` has opened it, made fit
    // for the app's window: the scheme's colours (now and at every change),
    // its buttons on a line of their own under the name and the filter, its
    // files drawn by `row`, the name offered kept from folder to folder, and
    // the accept button live whenever there is a choice. Returns that
    // dialog, for the rows; null where the desktop draws its own.
    Q_INVOKABLE static QObject *fit(QObject *dialog, QQmlComponent *row);
    static QUrl startFolder();
    // A file offered by its name alone lies in the start folder: Qt's dialog
    // would open in the folder the app was started from.
    Q_INVOKABLE static QUrl offered(const QUrl &file);
    // Whether Qt's own dialog loads in `engine`.
    static bool dialogLoads(QQmlEngine &engine);
    // Tests pretend the module is missing.
    static void setModuleForTests(const char *module);

private:
    explicit FilePicker(QQmlEngine *engine);

    QQmlEngine *m_engine;
    std::optional<bool> m_canOpen;
};
