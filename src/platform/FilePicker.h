#pragma once
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <optional>

class QJSEngine;
class QQmlEngine;

// Whether the file dialog can open. Without a desktop theme Qt draws its own
// dialog, which needs the module Qt.labs.folderlistmodel; opening it without
// that module crashes inside Qt, so the picker asks here first.
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
    // Qt's dialog draws with its own controls, in the colours of a palette:
    // the open `dialog` is given the app's scheme as one, now and at every
    // change of the scheme.
    Q_INVOKABLE static void followScheme(QObject *dialog);
    static QUrl startFolder();
    // A file offered by its name alone lies in the start folder: Qt's dialog
    // would open in the folder the app was started from.
    Q_INVOKABLE static QUrl offered(const QUrl &file);
    // Whether Qt's own dialog loads in `engine`.
    static bool dialogLoads(QQmlEngine &engine);
    // Tests pretend the module is missing.
    static void setModuleForTests(const char *module);

private:
    explicit FilePicker(QQmlEngine *engine) : m_engine(engine) {}

    QQmlEngine *m_engine;
    std::optional<bool> m_canOpen;
};
