#pragma once
#include "PlayerOverlayModel.h"
#include "PlayerStore.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QtQml/qqmlregistration.h>
#include <optional>

class QTimer;

// What touches on the video do: taps (a single tap waits until a double tap
// is ruled out), double-tap skips with their badge, press-and-hold speed
// boost, pans that scrub, dim or change the volume with a heads-up display,
// and the pinch between fill and fit. The layer reports raw touches; the
// rules, the lock and the timers live here.
class PlayerGestureModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(PlayerOverlayModel *overlay READ overlay WRITE setOverlay NOTIFY overlayChanged)
    // The video area's width: pans starting left of its middle dim.
    Q_PROPERTY(double areaWidth READ areaWidth WRITE setAreaWidth NOTIFY areaWidthChanged)
    // -1 left, 1 right, 0 none: the side whose skip badge shows.
    Q_PROPERTY(int flash READ flash NOTIFY flashChanged)
    // The heads-up display; symbol and value stay as they were once it hides.
    Q_PROPERTY(bool hudShown READ hudShown NOTIFY hudShownChanged)
    Q_PROPERTY(QString hudSymbol READ hudSymbol NOTIFY hudSymbolChanged)
    Q_PROPERTY(double hudValue READ hudValue NOTIFY hudValueChanged)
    Q_PROPERTY(int dragMode READ dragMode NOTIFY dragModeChanged)
    // How long a single tap waits for a second one, in ms.
    Q_PROPERTY(int tapDelay READ tapDelay WRITE setTapDelay NOTIFY tapDelayChanged)
    // How long a press is held before it boosts, in ms.
    Q_PROPERTY(int holdDelay MEMBER holdMs CONSTANT)

public:
    enum DragMode { Undecided = 0, Seek = 1, Brightness = 2, Volume = 3 };
    Q_ENUM(DragMode)

    struct Hud
    {
        QString symbol;
        double value = 0;
        bool operator==(const Hud &) const = default;
    };

    static constexpr int flashMs = 600;
    static constexpr int hudMs = 900;
    static constexpr int holdMs = 450;
    static constexpr double holdSlop = 40;
    static constexpr double panDistance = 14;
    static constexpr double dominance = 1.4;
    static constexpr double verticalSpan = 260;

    explicit PlayerGestureModel(QObject *parent = nullptr);
    // Gone mid-gesture (the sheet closed): the store's clock runs again and
    // a held boost ends.
    ~PlayerGestureModel() override;

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    PlayerOverlayModel *overlay() const { return m_overlay; }
    void setOverlay(PlayerOverlayModel *overlay);
    double areaWidth() const { return m_areaWidth; }
    void setAreaWidth(double w);
    int flash() const { return m_flash; }
    bool hudShown() const { return m_hudShown; }
    QString hudSymbol() const { return m_hud.symbol; }
    double hudValue() const { return m_hud.value; }
    std::optional<Hud> hud() const { return m_hudShown ? std::optional<Hud>(m_hud) : std::nullopt; }
    int dragMode() const { return m_dragMode; }
    double dragBase() const { return m_dragBase; }
    int tapDelay() const { return m_tapDelay; }
    void setTapDelay(int ms);

    // The pure rules of a pan.
    static DragMode decide(double dx, double dy, double startX, double width);
    // Seconds per point: 0.5 above 600 s, else 0.18.
    static double seekFactor(double duration);
    static double scrubTarget(double base, double dx, double duration);
    static double verticalValue(double base, double dy);
    static QString volumeSymbol(double v);

    // A tap of a zone with the handler's running tap count: odd counts wait
    // for a second tap, even counts are double taps.
    Q_INVOKABLE void tap(int side, int tapCount);
    Q_INVOKABLE void doubleTap(int side);
    Q_INVOKABLE void singleTap();

    // The finger on the video, for the press-and-hold.
    Q_INVOKABLE void press(double x, double y);
    Q_INVOKABLE void move(double x, double y);
    Q_INVOKABLE void release();

    // The pan: its start point and its translation so far. It counts from
    // 14 points away from its start on.
    Q_INVOKABLE void pan(double startX, double dx, double dy);
    Q_INVOKABLE void endPan();
    // Taken away before its end: scrubbing stops without a seek.
    Q_INVOKABLE void cancelPan();

    // The pinch's scale so far; at its end, spread fills and pinched fits.
    Q_INVOKABLE void pinch(double scale) { m_pinchScale = scale; }
    Q_INVOKABLE void endPinch();

    void showHud(const QString &symbol, double value);

signals:
    void playerChanged();
    void overlayChanged();
    void areaWidthChanged();
    void flashChanged();
    void hudShownChanged();
    void hudSymbolChanged();
    void hudValueChanged();
    void dragModeChanged();
    void tapDelayChanged();

private:
    bool locked() const { return m_overlay && m_overlay->locked(); }
    void setFlash(int side);
    void setDragMode(int mode);
    void held();

    QPointer<PlayerStore> m_player;
    QPointer<PlayerOverlayModel> m_overlay;
    double m_areaWidth = 0;
    int m_flash = 0;
    bool m_hudShown = false;
    Hud m_hud;
    int m_dragMode = Undecided;
    double m_dragBase = 0;
    int m_tapDelay;
    bool m_panning = false;
    bool m_pressed = false;
    QPointF m_pressAt;
    double m_pinchScale = 1;
    QTimer *m_singleTap = nullptr;
    QTimer *m_hold = nullptr;
    QTimer *m_hudTask = nullptr;
};
