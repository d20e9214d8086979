#include "LocalSearch.h"
#include "Blanks.h"

LocalSearch::LocalSearch(const QString &query)
    : m_needle(Blanks::trimmed(query).normalized(QString::NormalizationForm_C))
{
}

bool LocalSearch::contains(const QString &text) const
{
    return text.normalized(QString::NormalizationForm_C).contains(m_needle, Qt::CaseInsensitive);
}

bool LocalSearch::matches(const QString &title, const QString &channel) const
{
    return isBlank() || contains(title) || contains(channel);
}

bool LocalSearch::matches(const Video &video) const { return matches(video.title, video.channel); }

QList<Video> LocalSearch::filter(const QList<Video> &videos, const QString &query)
{
    const LocalSearch search(query);
    if (search.isBlank())
        return videos;
    QList<Video> out;
    for (const Video &v : videos)
        if (search.matches(v))
            out.append(v);
    return out;
}
