#pragma once
#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// The system colours in light and dark. `dark` follows `scheme` (0 the
// system's, 1 light, 2 dark) and, for the system's, the desktop's
// preference (`systemDark`). The app sets `scheme` from its settings.
// Views read their colours through the attached `Colors`, which follows this
// unless a dark surface around them overrides it.
//
// QML: QtQuick has a `Palette` type too, and in expressions the first import
// that provides a name wins, so import Nimbelora.Platform before QtQuick:
//   import Nimbelora.Platform
//   import QtQuick
class Palette : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(int scheme READ scheme WRITE setScheme NOTIFY schemeChanged)
    Q_PROPERTY(bool systemDark READ systemDark NOTIFY systemDarkChanged)
    Q_PROPERTY(bool dark READ dark NOTIFY darkChanged)
    Q_PROPERTY(QColor label READ label NOTIFY darkChanged)
    Q_PROPERTY(QColor secondaryLabel READ secondaryLabel NOTIFY darkChanged)
    Q_PROPERTY(QColor tertiaryLabel READ tertiaryLabel NOTIFY darkChanged)
    Q_PROPERTY(QColor background READ background NOTIFY darkChanged)
    Q_PROPERTY(QColor secondaryBackground READ secondaryBackground NOTIFY darkChanged)
    Q_PROPERTY(QColor tertiaryBackground READ tertiaryBackground NOTIFY darkChanged)
    Q_PROPERTY(QColor groupedBackground READ groupedBackground NOTIFY darkChanged)
    Q_PROPERTY(QColor fill READ fill NOTIFY darkChanged)
    Q_PROPERTY(QColor secondaryFill READ secondaryFill NOTIFY darkChanged)
    Q_PROPERTY(QColor tertiaryFill READ tertiaryFill NOTIFY darkChanged)
    Q_PROPERTY(QColor quaternaryFill READ quaternaryFill NOTIFY darkChanged)
    Q_PROPERTY(QColor separator READ separator NOTIFY darkChanged)

public:
    enum Role {
        Label,
        SecondaryLabel,
        TertiaryLabel,
        Background,
        SecondaryBackground,
        TertiaryBackground,
        GroupedBackground,
        Fill,
        SecondaryFill,
        TertiaryFill,
        QuaternaryFill,
        Separator,
    };
    Q_ENUM(Role)

    static Palette &shared();
    static Palette *create(QQmlEngine *, QJSEngine *);

    static QColor color(Role role, bool dark);

    int scheme() const { return m_scheme; }
    void setScheme(int scheme); // anything but 1 or 2 means the system's
    bool systemDark() const;
    bool dark() const { return m_dark; }

    QColor label() const { return color(Label, m_dark); }
    QColor secondaryLabel() const { return color(SecondaryLabel, m_dark); }
    QColor tertiaryLabel() const { return color(TertiaryLabel, m_dark); }
    QColor background() const { return color(Background, m_dark); }
    QColor secondaryBackground() const { return color(SecondaryBackground, m_dark); }
    QColor tertiaryBackground() const { return color(TertiaryBackground, m_dark); }
    QColor groupedBackground() const { return color(GroupedBackground, m_dark); }
    QColor fill() const { return color(Fill, m_dark); }
    QColor secondaryFill() const { return color(SecondaryFill, m_dark); }
    QColor tertiaryFill() const { return color(TertiaryFill, m_dark); }
    QColor quaternaryFill() const { return color(QuaternaryFill, m_dark); }
    QColor separator() const { return color(Separator, m_dark); }

signals:
    void schemeChanged();
    void systemDarkChanged();
    void darkChanged();

private:
    explicit Palette(QObject *parent = nullptr);
    void update();

    int m_scheme = 0;
    bool m_dark = false;
};
