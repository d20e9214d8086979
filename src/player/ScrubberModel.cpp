#include "ScrubberModel.h"
#include "Store.h"

#include "Haptics.h"

#include <QVariantMap>
#include <cmath>

namespace {

std::optional<double> optionalNumber(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

QVariant numberOrUndefined(std::optional<double> v) { return v ? QVariant(*v) : QVariant(); }

QVariantMap markMap(const ScrubberModel::Mark &m)
{
    return {{QStringLiteral("x"), m.x}, {QStringLiteral("width"), m.width}};
}

} // namespace

ScrubberModel::ScrubberModel(QObject *parent) : QObject(parent) {}

double ScrubberModel::fractionOf(double value, double duration)
{
    if (!(duration > 0) || std::isnan(value))
        return 0;
    return std::clamp(value / duration, 0.0, 1.0);
}

double ScrubberModel::thumbXFor(double width, double fraction, double thumb)
{
    width = std::max(width, 1.0);
    // Never past either end of the bar.
    return std::min(std::max(width * fraction - thumb / 2, 0.0), width - thumb);
}

double ScrubberModel::timeAt(double x, double width, double duration)
{
    width = std::max(width, 1.0);
    if (!(duration > 0) || std::isnan(x))
        return 0;
    return duration * std::clamp(x / width, 0.0, 1.0);
}

QList<ScrubberModel::Mark> ScrubberModel::segmentMarksFor(const QList<SponsorSegment> &segments, double duration,
                                                          double width)
{
    QList<Mark> out;
    if (!(duration > 0))
        return out;
    width = std::max(width, 1.0);
    for (const SponsorSegment &s : segments)
        out.append({s.start / duration * width, std::max((s.end - s.start) / duration * width, minimumMark)});
    return out;
}

std::optional<ScrubberModel::Mark> ScrubberModel::loopBandFor(std::optional<double> a, std::optional<double> b,
                                                              double duration, double width)
{
    if (!(duration > 0) || !a)
        return std::nullopt;
    width = std::max(width, 1.0);
    // A lone A shows as a narrow marker.
    const double end = b.value_or(*a);
    return Mark{*a / duration * width, std::max((end - *a) / duration * width, minimumLoop)};
}

QList<double> ScrubberModel::chapterTicksFor(const QList<Chapter> &chapters, double duration, double width)
{
    QList<double> out;
    if (!(duration > 0))
        return out;
    width = std::max(width, 1.0);
    for (qsizetype i = 1; i < chapters.size(); ++i)
        out.append(double(chapters[i].start) / duration * width);
    return out;
}

double ScrubberModel::fraction() const { return fractionOf(m_dragging ? m_dragValue : m_current, m_duration); }

void ScrubberModel::changed()
{
    emit inputsChanged();
    emit geometryChanged();
}

void ScrubberModel::setDuration(double v)
{
    assignAndNotify(this, m_duration, v, &ScrubberModel::changed);
}

void ScrubberModel::setCurrent(double v)
{
    assignAndNotify(this, m_current, v, &ScrubberModel::changed);
}

void ScrubberModel::setWidth(double v)
{
    assignAndNotify(this, m_width, v, &ScrubberModel::changed);
}

void ScrubberModel::setChapters(QList<Chapter> v)
{
    assignAndNotify(this, m_chapters, std::move(v), &ScrubberModel::changed);
}

void ScrubberModel::setSegments(QList<SponsorSegment> v)
{
    assignAndNotify(this, m_segments, std::move(v), &ScrubberModel::changed);
}

void ScrubberModel::setLoop(std::optional<double> a, std::optional<double> b)
{
    if (a == m_loopA && b == m_loopB)
        return;
    m_loopA = a;
    m_loopB = b;
    changed();
}

void ScrubberModel::setDragging(bool v)
{
    if (!assignAndNotify(this, m_dragging, v, &ScrubberModel::draggingChanged))
        return;
    emit geometryChanged();
}

void ScrubberModel::move(double x)
{
    if (!m_dragging)
        Haptics::shared().light();
    const double t = timeAt(x, m_width, m_duration);
    setDragging(true);
    assignAndNotify(this, m_dragValue, t, &ScrubberModel::geometryChanged);
    emit scrubbed(t);
}

void ScrubberModel::release(double x)
{
    if (!m_dragging)
        return;
    // From where the touch ended, not from the last move.
    const double t = timeAt(x, m_width, m_duration);
    setDragging(false);
    emit committed(t);
}

void ScrubberModel::cancel()
{
    if (!m_dragging)
        return;
    setDragging(false);
    emit cancelled();
}

QVariantList ScrubberModel::chaptersValue() const { return QmlValue::list(m_chapters); }

void ScrubberModel::setChaptersValue(const QVariantList &v)
{
    QList<Chapter> list;
    for (const QVariant &item : v)
        if (item.canConvert<Chapter>())
            list.append(item.value<Chapter>());
    setChapters(std::move(list));
}

QVariantList ScrubberModel::segmentsValue() const { return QmlValue::list(m_segments); }

void ScrubberModel::setSegmentsValue(const QVariantList &v)
{
    QList<SponsorSegment> list;
    for (const QVariant &item : v)
        if (item.canConvert<SponsorSegment>())
            list.append(item.value<SponsorSegment>());
    setSegments(std::move(list));
}

QVariant ScrubberModel::loopAValue() const { return numberOrUndefined(m_loopA); }
void ScrubberModel::setLoopAValue(const QVariant &v) { setLoop(optionalNumber(v), m_loopB); }
QVariant ScrubberModel::loopBValue() const { return numberOrUndefined(m_loopB); }
void ScrubberModel::setLoopBValue(const QVariant &v) { setLoop(m_loopA, optionalNumber(v)); }

QVariantList ScrubberModel::segmentMarksValue() const
{
    QVariantList out;
    for (const Mark &m : segmentMarks())
        out.append(markMap(m));
    return out;
}

QVariantMap ScrubberModel::loopBandValue() const
{
    const std::optional<Mark> band = loopBand();
    QVariantMap map = markMap(band.value_or(Mark{}));
    map.insert(QStringLiteral("visible"), band.has_value());
    return map;
}

QVariantList ScrubberModel::chapterTicksValue() const
{
    QVariantList out;
    for (double x : chapterTicks())
        out.append(x);
    return out;
}
