#pragma once
#include "Palette.h"
#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The system colours in effect where an object sits: the app's (Palette),
// unless an ancestor sets `Colors.dark` for everything inside it, as the
// dark surfaces (the player, the Shorts tab) do whatever the app's scheme.
// Ancestors are the visual parents and, inside a popup, the popup's own
// parent (where it was declared), so sheets and menus opened from a dark
// surface are dark too.
//
//   Platform.Colors.dark: true        // on a surface: it and all inside it
//   color: Platform.Colors.label      // in a view: the colour in effect here
class Colors : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Colors is an attached property")
    QML_ATTACHED(Colors)
    // Reads the scheme in effect; writing it overrides it for the subtree.
    Q_PROPERTY(bool dark READ dark WRITE setDark RESET resetDark NOTIFY changed)
    Q_PROPERTY(QColor label READ label NOTIFY changed)
    Q_PROPERTY(QColor secondaryLabel READ secondaryLabel NOTIFY changed)
    Q_PROPERTY(QColor tertiaryLabel READ tertiaryLabel NOTIFY changed)
    Q_PROPERTY(QColor background READ background NOTIFY changed)
    Q_PROPERTY(QColor secondaryBackground READ secondaryBackground NOTIFY changed)
    Q_PROPERTY(QColor tertiaryBackground READ tertiaryBackground NOTIFY changed)
    Q_PROPERTY(QColor groupedBackground READ groupedBackground NOTIFY changed)
    Q_PROPERTY(QColor secondaryGroupedBackground READ secondaryGroupedBackground NOTIFY changed)
    Q_PROPERTY(QColor fill READ fill NOTIFY changed)
    Q_PROPERTY(QColor secondaryFill READ secondaryFill NOTIFY changed)
    Q_PROPERTY(QColor tertiaryFill READ tertiaryFill NOTIFY changed)
    Q_PROPERTY(QColor quaternaryFill READ quaternaryFill NOTIFY changed)
    Q_PROPERTY(QColor separator READ separator NOTIFY changed)
    Q_PROPERTY(QColor bar READ bar NOTIFY changed)
    Q_PROPERTY(QColor red READ red NOTIFY changed)
    Q_PROPERTY(QColor orange READ orange NOTIFY changed)
    Q_PROPERTY(QColor yellow READ yellow NOTIFY changed)
    Q_PROPERTY(QColor green READ green NOTIFY changed)
    Q_PROPERTY(QColor mint READ mint NOTIFY changed)
    Q_PROPERTY(QColor teal READ teal NOTIFY changed)
    Q_PROPERTY(QColor cyan READ cyan NOTIFY changed)
    Q_PROPERTY(QColor blue READ blue NOTIFY changed)
    Q_PROPERTY(QColor indigo READ indigo NOTIFY changed)
    Q_PROPERTY(QColor purple READ purple NOTIFY changed)
    Q_PROPERTY(QColor pink READ pink NOTIFY changed)
    Q_PROPERTY(QColor brown READ brown NOTIFY changed)
    Q_PROPERTY(QColor gray READ gray NOTIFY changed)

public:
    explicit Colors(QObject *attachee);
    ~Colors() override;
    static Colors *qmlAttachedProperties(QObject *object) { return new Colors(object); }

    bool dark() const { return m_dark; }
    void setDark(bool dark);
    void resetDark();

    QColor label() const { return Palette::color(Palette::Label, m_dark); }
    QColor secondaryLabel() const { return Palette::color(Palette::SecondaryLabel, m_dark); }
    QColor tertiaryLabel() const { return Palette::color(Palette::TertiaryLabel, m_dark); }
    QColor background() const { return Palette::color(Palette::Background, m_dark); }
    QColor secondaryBackground() const { return Palette::color(Palette::SecondaryBackground, m_dark); }
    QColor tertiaryBackground() const { return Palette::color(Palette::TertiaryBackground, m_dark); }
    QColor groupedBackground() const { return Palette::color(Palette::GroupedBackground, m_dark); }
    QColor secondaryGroupedBackground() const { return Palette::color(Palette::SecondaryGroupedBackground, m_dark); }
    QColor fill() const { return Palette::color(Palette::Fill, m_dark); }
    QColor secondaryFill() const { return Palette::color(Palette::SecondaryFill, m_dark); }
    QColor tertiaryFill() const { return Palette::color(Palette::TertiaryFill, m_dark); }
    QColor quaternaryFill() const { return Palette::color(Palette::QuaternaryFill, m_dark); }
    QColor separator() const { return Palette::color(Palette::Separator, m_dark); }
    QColor bar() const { return Palette::color(Palette::Bar, m_dark); }
    QColor red() const { return Palette::named(Palette::Red, m_dark); }
    QColor orange() const { return Palette::named(Palette::Orange, m_dark); }
    QColor yellow() const { return Palette::named(Palette::Yellow, m_dark); }
    QColor green() const { return Palette::named(Palette::Green, m_dark); }
    QColor mint() const { return Palette::named(Palette::Mint, m_dark); }
    QColor teal() const { return Palette::named(Palette::Teal, m_dark); }
    QColor cyan() const { return Palette::named(Palette::Cyan, m_dark); }
    QColor blue() const { return Palette::named(Palette::Blue, m_dark); }
    QColor indigo() const { return Palette::named(Palette::Indigo, m_dark); }
    QColor purple() const { return Palette::named(Palette::Purple, m_dark); }
    QColor pink() const { return Palette::named(Palette::Pink, m_dark); }
    QColor brown() const { return Palette::named(Palette::Brown, m_dark); }
    QColor gray() const { return Palette::named(Palette::Gray, m_dark); }

signals:
    void changed();

private slots:
    void refresh();
    void refreshEverything() { refreshAll(); }

private:
    bool resolve() const;
    static void refreshAll();

    bool m_dark = false;
    bool m_overrides = false;
    bool m_overrideDark = false;
};
