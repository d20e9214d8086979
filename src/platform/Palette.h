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
    Q_PROPERTY(QColor secondaryGroupedBackground READ secondaryGroupedBackground NOTIFY darkChanged)
    Q_PROPERTY(QColor fill READ fill NOTIFY darkChanged)
    Q_PROPERTY(QColor secondaryFill READ secondaryFill NOTIFY darkChanged)
    Q_PROPERTY(QColor tertiaryFill READ tertiaryFill NOTIFY darkChanged)
    Q_PROPERTY(QColor quaternaryFill READ quaternaryFill NOTIFY darkChanged)
    Q_PROPERTY(QColor separator READ separator NOTIFY darkChanged)
    // The bars' material (page bars, the tab bar, home's header), opaque.
    Q_PROPERTY(QColor bar READ bar NOTIFY darkChanged)
    // The named system colours (tiles, badges, destructive actions).
    Q_PROPERTY(QColor red READ red NOTIFY darkChanged)
    Q_PROPERTY(QColor orange READ orange NOTIFY darkChanged)
    Q_PROPERTY(QColor yellow READ yellow NOTIFY darkChanged)
    Q_PROPERTY(QColor green READ green NOTIFY darkChanged)
    Q_PROPERTY(QColor mint READ mint NOTIFY darkChanged)
    Q_PROPERTY(QColor teal READ teal NOTIFY darkChanged)
    Q_PROPERTY(QColor cyan READ cyan NOTIFY darkChanged)
    Q_PROPERTY(QColor blue READ blue NOTIFY darkChanged)
    Q_PROPERTY(QColor indigo READ indigo NOTIFY darkChanged)
    Q_PROPERTY(QColor purple READ purple NOTIFY darkChanged)
    Q_PROPERTY(QColor pink READ pink NOTIFY darkChanged)
    Q_PROPERTY(QColor brown READ brown NOTIFY darkChanged)
    Q_PROPERTY(QColor gray READ gray NOTIFY darkChanged)

public:
    enum Role {
        Label,
        SecondaryLabel,
        TertiaryLabel,
        Background,
        SecondaryBackground,
        TertiaryBackground,
        GroupedBackground,
        SecondaryGroupedBackground,
        Fill,
        SecondaryFill,
        TertiaryFill,
        QuaternaryFill,
        Separator,
        Bar,
    };
    Q_ENUM(Role)

    // The named system colours; gray is the same in both schemes.
    enum Named { Red, Orange, Yellow, Green, Mint, Teal, Cyan, Blue, Indigo, Purple, Pink, Brown, Gray };
    Q_ENUM(Named)

    static Palette &shared();
    static Palette *create(QQmlEngine *, QJSEngine *);

    static QColor color(Role role, bool dark);
    static QColor named(Named name, bool dark);

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
    QColor secondaryGroupedBackground() const { return color(SecondaryGroupedBackground, m_dark); }
    QColor fill() const { return color(Fill, m_dark); }
    QColor secondaryFill() const { return color(SecondaryFill, m_dark); }
    QColor tertiaryFill() const { return color(TertiaryFill, m_dark); }
    QColor quaternaryFill() const { return color(QuaternaryFill, m_dark); }
    QColor separator() const { return color(Separator, m_dark); }
    QColor bar() const { return color(Bar, m_dark); }
    QColor red() const { return named(Red, m_dark); }
    QColor orange() const { return named(Orange, m_dark); }
    QColor yellow() const { return named(Yellow, m_dark); }
    QColor green() const { return named(Green, m_dark); }
    QColor mint() const { return named(Mint, m_dark); }
    QColor teal() const { return named(Teal, m_dark); }
    QColor cyan() const { return named(Cyan, m_dark); }
    QColor blue() const { return named(Blue, m_dark); }
    QColor indigo() const { return named(Indigo, m_dark); }
    QColor purple() const { return named(Purple, m_dark); }
    QColor pink() const { return named(Pink, m_dark); }
    QColor brown() const { return named(Brown, m_dark); }
    QColor gray() const { return named(Gray, m_dark); }

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
