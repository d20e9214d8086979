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
    Q_PROPERTY(QColor fill READ fill NOTIFY changed)
    Q_PROPERTY(QColor secondaryFill READ secondaryFill NOTIFY changed)
    Q_PROPERTY(QColor tertiaryFill READ tertiaryFill NOTIFY changed)
    Q_PROPERTY(QColor quaternaryFill READ quaternaryFill NOTIFY changed)
    Q_PROPERTY(QColor separator READ separator NOTIFY changed)

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
    QColor fill() const { return Palette::color(Palette::Fill, m_dark); }
    QColor secondaryFill() const { return Palette::color(Palette::SecondaryFill, m_dark); }
    QColor tertiaryFill() const { return Palette::color(Palette::TertiaryFill, m_dark); }
    QColor quaternaryFill() const { return Palette::color(Palette::QuaternaryFill, m_dark); }
    QColor separator() const { return Palette::color(Palette::Separator, m_dark); }

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
