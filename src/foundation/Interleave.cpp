#include "Interleave.h"
#include <QSet>
#include <algorithm>

QList<Video> interleave(const QList<QList<Video>> &lists, qsizetype cap)
{
    QList<Video> result;
    qsizetype longest = 0;
    for (const auto &list : lists)
        longest = std::max(longest, list.size());
    QSet<QString> taken;
    for (qsizetype i = 0; i < longest; ++i) {
        for (const auto &list : lists) {
            if (i >= list.size())
                continue;
            const Video &v = list[i];
            // A skipped live or short video does not claim its id.
            if (!taken.contains(v.id) && !v.live && v.duration > 60) {
                result.append(v);
                taken.insert(v.id);
            }
            if (result.size() >= cap)
                return result;
        }
    }
    return result;
}
