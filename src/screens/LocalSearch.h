#pragma once
#include "Video.h"
#include <QList>
#include <QString>

// The search of the lists kept on this computer (liked, watch later,
// history): the query without spaces and tabs at either end (line breaks
// stay); a video matches when its title, or else its channel, contains it,
// ignoring letter case but not accents, both sides in composed form.
class LocalSearch
{
public:
    explicit LocalSearch(const QString &query = {});

    // A blank query keeps everything.
    bool isBlank() const { return m_needle.isEmpty(); }
    const QString &needle() const { return m_needle; }
    bool matches(const Video &video) const;
    bool matches(const QString &title, const QString &channel) const;

    static QList<Video> filter(const QList<Video> &videos, const QString &query);

private:
    bool contains(const QString &text) const;

    QString m_needle;
};
