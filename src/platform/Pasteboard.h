#pragma once
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The general pasteboard: the system clipboard's text.
class Pasteboard : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    static Pasteboard &shared();
    static Pasteboard *create(QQmlEngine *, QJSEngine *);

    Q_INVOKABLE void setString(const QString &text);
    // Empty when the clipboard holds no text.
    Q_INVOKABLE QString string() const;

private:
    explicit Pasteboard(QObject *parent = nullptr) : QObject(parent) {}
};
