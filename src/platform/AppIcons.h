#pragma once
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The app's icon among the primary one and four alternates. The choice is
// kept under the setting "appIcon" (absent: primary). Setting one changes
// the window icon and, when the desktop knows the app (a nimbelora.desktop
// in the XDG data folders), the Icon= of the user's copy of that file,
// written atomically off the GUI thread. An unknown name or a failed write
// changes nothing. The outcome arrives queued on the GUI thread.
class AppIcons : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The stored alternate name; empty for the primary icon.
    Q_PROPERTY(QString current READ current NOTIFY currentChanged)
    // {id, title, alt, source}, in display order.
    Q_PROPERTY(QVariantList options READ options CONSTANT)

public:
    static AppIcons &shared();
    static AppIcons *create(QQmlEngine *, QJSEngine *);

    struct Option
    {
        QString id;
        QString title;
        QString alt;  // empty: primary
        QString icon; // the desktop icon name
    };
    static const QList<Option> &all();
    // The option of an alternate name (empty: primary); null when unknown.
    static const Option *find(const QString &alt);
    // Where the previews and the window icons are: ":/icons/<icon>.svg".
    static QString source(const Option &option);

    QString current() const;
    QVariantList options() const;

    // The tap on an option: the success haptic first, then the change.
    Q_INVOKABLE void choose(const QString &alt);
    // Asks for the change; finished(alt, ok) reports it.
    void setAlternateIconName(const QString &alt);
    // At start: the window icon of the stored choice.
    void applyStored();

signals:
    void currentChanged();
    void finished(const QString &alt, bool ok);

private:
    explicit AppIcons(QObject *parent = nullptr) : QObject(parent) {}
    void settle(const QString &alt, bool ok);
};
