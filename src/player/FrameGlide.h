#pragma once
#include "MediaEngine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QQmlParserStatus>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

// A number on screen that follows `target`: gliding there linearly over
// half a second when `animated`, else jumping. What moves with the play
// head is drawn with the video: while the engine plays and shows pictures,
// every step and every jump waits for the next picture and lands with it,
// so the window draws once per video frame, never in between (and a frozen
// picture holds the line with it). Otherwise (paused, waiting, no picture
// yet, no engine) a jump lands at once and a glide steps at the display's
// pace. The first target, set as the item is made, is taken at once.
class FrameGlide : public QObject, public QQmlParserStatus
{
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_ELEMENT
    Q_PROPERTY(MediaEngine *engine READ engine WRITE setEngine NOTIFY engineChanged)
    Q_PROPERTY(double target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(bool animated READ animated WRITE setAnimated NOTIFY animatedChanged)
    Q_PROPERTY(double value READ value NOTIFY valueChanged)

public:
    static constexpr int glideMs = 500;
    static constexpr int displayStepMs = 16;

    explicit FrameGlide(QObject *parent = nullptr);

    MediaEngine *engine() const { return m_engine; }
    void setEngine(MediaEngine *engine);
    double target() const { return m_target; }
    void setTarget(double target);
    bool animated() const { return m_animated; }
    void setAnimated(bool animated);
    double value() const { return m_value; }

    void classBegin() override {}
    void componentComplete() override;

signals:
    void engineChanged();
    void targetChanged();
    void animatedChanged();
    void valueChanged();

private:
    bool picturesFlow() const;
    void schedule();
    void step();
    void onPicture();
    void setValue(double v);

    QPointer<MediaEngine> m_engine;
    double m_target = 0;
    double m_value = 0;
    double m_from = 0;
    bool m_animated = true;
    bool m_complete = false;
    // A change is waiting to be drawn: a glide under way or a jump.
    bool m_pending = false;
    bool m_gliding = false;
    QElapsedTimer m_glideClock;
    QTimer m_timer;
};
