#include "TextBlocks.h"

QStringList TextBlocks::split(const QString &text, qsizetype size)
{
    size = std::max<qsizetype>(size, 2);
    QStringList blocks;
    qsizetype start = 0;
    while (text.size() - start > size) {
        const qsizetype limit = start + size; // the block is [start, cut)
        const qsizetype newline = text.lastIndexOf(u'\n', limit);
        if (newline >= start) {
            qsizetype end = newline;
            if (end > start && text.at(end - 1) == u'\r')
                --end;
            blocks << text.mid(start, end - start);
            start = newline + 1;
            continue;
        }
        qsizetype cut = limit;
        for (qsizetype i = limit - 1; i > start; --i) {
            if (text.at(i).isSpace()) {
                cut = i + 1;
                break;
            }
        }
        if (cut == limit && text.at(cut - 1).isHighSurrogate())
            --cut;
        blocks << text.mid(start, cut - start);
        start = cut;
    }
    blocks << text.mid(start);
    return blocks;
}
