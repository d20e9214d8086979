#pragma once
#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// Haptic feedback. A desktop has nothing to feel, so each feedback is only
// recorded ("light", "success"). While off (the user's setting, kept in step
// by the preferences above this layer) nothing is given at all.
class Haptics : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QStringList given READ given NOTIFY givenChanged)

public:
    static Haptics &shared();
    static Haptics *create(QQmlEngine *, QJSEngine *);

    Q_INVOKABLE void light();
    Q_INVOKABLE void success();

    QStringList given() const { return m_given; }
    void clear();

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }

signals:
    void givenChanged();

private:
    explicit Haptics(QObject *parent = nullptr) : QObject(parent) {}
    void give(const QString &kind);

    QStringList m_given;
    bool m_enabled = false;
};
