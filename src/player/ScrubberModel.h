#pragma once
#include "Chapter.h"
#include "SponsorSegment.h"

#include <QList>
#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>

// The seek bar's geometry and its drag, free of any store: it places the
// played part, the thumb, the sponsor marks, the loop band and the chapter
// ticks on a bar `width` wide, and turns touches into times. A drag grows
// the bar and reports every position (scrubbed) and the release (committed);
// a drag taken away by the system reports cancelled.
class ScrubberModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double duration READ duration WRITE setDuration NOTIFY inputsChanged)
    Q_PROPERTY(double current READ current WRITE setCurrent NOTIFY inputsChanged)
    Q_PROPERTY(double width READ width WRITE setWidth NOTIFY inputsChanged)
    Q_PROPERTY(QVariantList chapters READ chaptersValue WRITE setChaptersValue NOTIFY inputsChanged)
    Q_PROPERTY(QVariantList segments READ segmentsValue WRITE setSegmentsValue NOTIFY inputsChanged)
    Q_PROPERTY(QVariant loopA READ loopAValue WRITE setLoopAValue NOTIFY inputsChanged)
    Q_PROPERTY(QVariant loopB READ loopBValue WRITE setLoopBValue NOTIFY inputsChanged)

    Q_PROPERTY(bool dragging READ dragging NOTIFY draggingChanged)
    Q_PROPERTY(double dragValue READ dragValue NOTIFY geometryChanged)
    Q_PROPERTY(double fraction READ fraction NOTIFY geometryChanged)
    Q_PROPERTY(double trackHeight READ trackHeight NOTIFY draggingChanged)
    Q_PROPERTY(double thumbSize READ thumbSize NOTIFY draggingChanged)
    Q_PROPERTY(double playedWidth READ playedWidth NOTIFY geometryChanged)
    Q_PROPERTY(double thumbX READ thumbX NOTIFY geometryChanged)
    // [{x, width}], in list order.
    Q_PROPERTY(QVariantList segmentMarks READ segmentMarksValue NOTIFY geometryChanged)
    // {visible, x, width}.
    Q_PROPERTY(QVariantMap loopBand READ loopBandValue NOTIFY geometryChanged)
    // [x] of every chapter start but the first.
    Q_PROPERTY(QVariantList chapterTicks READ chapterTicksValue NOTIFY geometryChanged)

public:
    struct Mark
    {
        double x = 0;
        double width = 0;
        bool operator==(const Mark &) const = default;
    };

    static constexpr double idleTrack = 5, dragTrack = 8;
    static constexpr double idleThumb = 12, dragThumb = 20;
    static constexpr double minimumMark = 2, minimumLoop = 3;

    explicit ScrubberModel(QObject *parent = nullptr);

    // The pure geometry, for a bar `width` wide (taken as at least 1).
    static double fractionOf(double value, double duration);
    static double thumbXFor(double width, double fraction, double thumb);
    static double timeAt(double x, double width, double duration);
    static QList<Mark> segmentMarksFor(const QList<SponsorSegment> &segments, double duration, double width);
    static std::optional<Mark> loopBandFor(std::optional<double> a, std::optional<double> b, double duration, double width);
    static QList<double> chapterTicksFor(const QList<Chapter> &chapters, double duration, double width);

    double duration() const { return m_duration; }
    void setDuration(double v);
    double current() const { return m_current; }
    void setCurrent(double v);
    double width() const { return m_width; }
    void setWidth(double v);
    const QList<Chapter> &chapters() const { return m_chapters; }
    void setChapters(QList<Chapter> v);
    const QList<SponsorSegment> &segments() const { return m_segments; }
    void setSegments(QList<SponsorSegment> v);
    void setLoop(std::optional<double> a, std::optional<double> b);

    bool dragging() const { return m_dragging; }
    double dragValue() const { return m_dragValue; }
    double fraction() const;
    double trackHeight() const { return m_dragging ? dragTrack : idleTrack; }
    double thumbSize() const { return m_dragging ? dragThumb : idleThumb; }
    double playedWidth() const { return barWidth() * fraction(); }
    double thumbX() const { return thumbXFor(barWidth(), fraction(), thumbSize()); }
    QList<Mark> segmentMarks() const { return segmentMarksFor(m_segments, m_duration, barWidth()); }
    std::optional<Mark> loopBand() const { return loopBandFor(m_loopA, m_loopB, m_duration, barWidth()); }
    QList<double> chapterTicks() const { return chapterTicksFor(m_chapters, m_duration, barWidth()); }

    // The touch, by its x on the bar. The first move of a drag gives the
    // light haptic; a press counts as the first move.
    Q_INVOKABLE void move(double x);
    Q_INVOKABLE void release(double x);
    Q_INVOKABLE void cancel();

signals:
    void inputsChanged();
    void geometryChanged();
    void draggingChanged();
    void scrubbed(double t);
    void committed(double t);
    void cancelled();

private:
    double barWidth() const { return std::max(m_width, 1.0); }
    void setDragging(bool v);

    QVariantList chaptersValue() const;
    void setChaptersValue(const QVariantList &v);
    QVariantList segmentsValue() const;
    void setSegmentsValue(const QVariantList &v);
    QVariant loopAValue() const;
    void setLoopAValue(const QVariant &v);
    QVariant loopBValue() const;
    void setLoopBValue(const QVariant &v);
    QVariantList segmentMarksValue() const;
    QVariantMap loopBandValue() const;
    QVariantList chapterTicksValue() const;
    void changed();

    double m_duration = 0;
    double m_current = 0;
    double m_width = 0;
    QList<Chapter> m_chapters;
    QList<SponsorSegment> m_segments;
    std::optional<double> m_loopA;
    std::optional<double> m_loopB;
    bool m_dragging = false;
    double m_dragValue = 0;
};
