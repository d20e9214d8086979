#pragma once
#include <QString>

// The one trimming rule for text typed by the user (queries, searches of the
// local lists, names): spaces of every kind and tabs go from either end,
// line breaks stay.
namespace Blanks {

inline bool isBlank(QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; }

inline QString trimmed(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text.at(from)))
        ++from;
    while (to > from && isBlank(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

} // namespace Blanks
