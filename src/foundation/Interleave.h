#pragma once
#include "Video.h"
#include <QList>

// Merges lists in turns (element 0 of each list, then element 1 of each…),
// taking each id once and leaving out live streams and videos of 60 seconds
// or less. Stops as soon as `cap` videos are taken.
QList<Video> interleave(const QList<QList<Video>> &lists, qsizetype cap);
