#pragma once
#include "Chapter.h"
#include "PlayerStore.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>

// The timeline row over the store: the clocks and the current chapter (both
// from the playback position, also while scrubbing), the scrub that holds the
// store's clock and commits with a seek, and the full-screen toggle. While
// the row is not shown its clocks announce no change, so hidden texts never
// make the window draw; they catch up as it shows again.
class TimelineModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(bool landscape READ landscape WRITE setLandscape NOTIFY landscapeChanged)
    Q_PROPERTY(bool shown READ shown WRITE setShown NOTIFY shownChanged)
    // Seconds under the finger while a scrub is under way; undefined otherwise.
    Q_PROPERTY(QVariant scrubValue READ scrubValueValue NOTIFY scrubValueChanged)
    Q_PROPERTY(QString scrubText READ scrubText NOTIFY scrubValueChanged)
    Q_PROPERTY(QVariant chapter READ chapterValue NOTIFY clockChanged)
    Q_PROPERTY(QString elapsed READ elapsed NOTIFY clockChanged)
    Q_PROPERTY(QString remaining READ remaining NOTIFY clockChanged)
    Q_PROPERTY(QString fullScreenSymbol READ fullScreenSymbol NOTIFY landscapeChanged)
    Q_PROPERTY(QString fullScreenLabel READ fullScreenLabel NOTIFY landscapeChanged)

public:
    explicit TimelineModel(QObject *parent = nullptr);
    // Going away in the middle of a scrub (the controls are locked, fail or
    // close under the finger) frees the store's clock, as a cancel would.
    ~TimelineModel() override;

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    bool landscape() const { return m_landscape; }
    void setLandscape(bool v);
    bool shown() const { return m_shown; }
    void setShown(bool v);
    std::optional<double> scrubValue() const { return m_scrubValue; }

    // The title of the last chapter, in list order, starting at or before `time`.
    static std::optional<QString> chapterAt(const QList<Chapter> &chapters, double time);
    static QString remainingFor(double currentTime, double duration);

    std::optional<QString> chapter() const;
    QString elapsed() const;
    QString remaining() const;
    QString scrubText() const;
    QString fullScreenSymbol() const;
    QString fullScreenLabel() const;

    // The scrubber's reports.
    Q_INVOKABLE void scrub(double t);
    Q_INVOKABLE void commit(double t);
    // A drag taken away before its release: the store's clock runs again and
    // nothing is sought.
    Q_INVOKABLE void cancel();
    Q_INVOKABLE void toggleFullScreen();

signals:
    void playerChanged();
    void landscapeChanged();
    void shownChanged();
    void scrubValueChanged();
    void clockChanged();
    // A scrub was committed (the sheet restarts its auto-hide timer).
    void interacted();

private:
    QVariant scrubValueValue() const { return m_scrubValue ? QVariant(*m_scrubValue) : QVariant(); }
    QVariant chapterValue() const;
    void setScrubValue(std::optional<double> v);
    void clockMoved();

    QPointer<PlayerStore> m_player;
    bool m_landscape = false;
    bool m_shown = true;
    // The clock moved while the row was not shown.
    bool m_stale = false;
    std::optional<double> m_scrubValue;
};
