#pragma once
#include <QColor>
#include <QPalette>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The colours in effect where an object sits: the app's scheme (AppScheme),
// unless an ancestor sets `Colors.dark` for everything inside it, as the
// dark surfaces (the player, the Shorts tab) do whatever the app's scheme.
// Ancestors are the visual parents and, inside a popup, the popup's own
// parent (where it was declared), so sheets and menus opened from a dark
// surface are dark too. Every colour a view shows in both schemes is here;
// views write no colour of their own for them.
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
    // The bars' material (page bars, the tab bar, home's header), opaque.
    Q_PROPERTY(QColor bar READ bar NOTIFY changed)
    // A sheet raised over a page: in the dark scheme a step lighter than the
    // black page behind it, so the two can be told apart.
    Q_PROPERTY(QColor sheetBackground READ sheetBackground NOTIFY changed)
    // A box or card on such a sheet, a step lighter again in the dark scheme.
    Q_PROPERTY(QColor sheetSecondaryBackground READ sheetSecondaryBackground NOTIFY changed)
    // Context and options menus, their gaps between groups, confirmation
    // dialogs, text alerts, toasts, a segmented picker's selection and a
    // swipe action that destroys nothing.
    Q_PROPERTY(QColor menuBackground READ menuBackground NOTIFY changed)
    Q_PROPERTY(QColor menuGap READ menuGap NOTIFY changed)
    Q_PROPERTY(QColor actionSheetBackground READ actionSheetBackground NOTIFY changed)
    Q_PROPERTY(QColor alertBackground READ alertBackground NOTIFY changed)
    Q_PROPERTY(QColor toastBackground READ toastBackground NOTIFY changed)
    Q_PROPERTY(QColor segmentThumb READ segmentThumb NOTIFY changed)
    Q_PROPERTY(QColor neutralAction READ neutralAction NOTIFY changed)
    // The platform's named colours (tiles, badges, gradients); gray is the
    // same in both schemes.
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
    // Destructive actions: the named red.
    Q_PROPERTY(QColor destructive READ red NOTIFY changed)

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
        SheetBackground,
        SheetSecondaryBackground,
        MenuBackground,
        MenuGap,
        ActionSheetBackground,
        AlertBackground,
        ToastBackground,
        SegmentThumb,
        NeutralAction,
    };
    Q_ENUM(Role)

    enum Named { Red, Orange, Yellow, Green, Mint, Teal, Cyan, Blue, Indigo, Purple, Pink, Brown, Gray };
    Q_ENUM(Named)

    static QColor color(Role role, bool dark);
    static QColor named(Named name, bool dark);
    // The scheme as a palette, for what Qt draws with its own controls (its
    // file dialog) rather than with these colours.
    static QPalette palette(bool dark);
    // `color` at opacity `alpha` in place of its own: Colors.alpha(Colors.label, 0.08).
    Q_INVOKABLE static QColor alpha(const QColor &color, qreal alpha);

    explicit Colors(QObject *attachee);
    ~Colors() override;
    static Colors *qmlAttachedProperties(QObject *object) { return new Colors(object); }

    bool dark() const { return m_dark; }
    void setDark(bool dark);
    void resetDark();

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
    QColor sheetBackground() const { return color(SheetBackground, m_dark); }
    QColor sheetSecondaryBackground() const { return color(SheetSecondaryBackground, m_dark); }
    QColor menuBackground() const { return color(MenuBackground, m_dark); }
    QColor menuGap() const { return color(MenuGap, m_dark); }
    QColor actionSheetBackground() const { return color(ActionSheetBackground, m_dark); }
    QColor alertBackground() const { return color(AlertBackground, m_dark); }
    QColor toastBackground() const { return color(ToastBackground, m_dark); }
    QColor segmentThumb() const { return color(SegmentThumb, m_dark); }
    QColor neutralAction() const { return color(NeutralAction, m_dark); }
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
