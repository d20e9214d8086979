#pragma once
#include "Video.h"
#include <QList>
#include <QStringList>
#include <functional>

// Asks the backend to prepare the streams of the first videos of a list, at
// most once per id. The record of sent ids lives for the process and is
// emptied whenever it reaches 601 ids, so it never holds more than 600.
// Call it on the GUI thread only.
class Warmer
{
public:
    static void warm(const QList<Video> &videos, qsizetype count);

    // Where the ids go; the backend's warm call unless replaced (tests).
    using Sender = std::function<void(const QStringList &ids)>;
    static void setSender(Sender sender);
};
