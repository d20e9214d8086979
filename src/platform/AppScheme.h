#pragma once
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// Whether the app is light or dark. `dark` follows `scheme` (0 the
// system's, 1 light, 2 dark) and, for the system's, the desktop's
// preference (`systemDark`). The app sets `scheme` from its settings.
// Colours are read through the attached `Colors`, which follows this
// unless a dark surface around them overrides it.
class AppScheme : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(int scheme READ scheme WRITE setScheme NOTIFY schemeChanged)
    Q_PROPERTY(bool systemDark READ systemDark NOTIFY systemDarkChanged)
    Q_PROPERTY(bool dark READ dark NOTIFY darkChanged)

public:
    static AppScheme &shared();
    static AppScheme *create(QQmlEngine *, QJSEngine *);

    int scheme() const { return m_scheme; }
    void setScheme(int scheme); // anything but 1 or 2 means the system's
    bool systemDark() const;
    bool dark() const { return m_dark; }

signals:
    void schemeChanged();
    void systemDarkChanged();
    void darkChanged();

private:
    explicit AppScheme(QObject *parent = nullptr);
    void update();

    int m_scheme = 0;
    bool m_dark = false;
};
