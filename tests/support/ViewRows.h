#pragma once
#include <QByteArray>
#include <QQuickItem>
#include <QString>
#include <QStringList>

// The rows a ListView draws, as the user sees them.
namespace ViewRows {

// What is wrong with the rows on screen, or "" when nothing is: every row
// the view has made shows at full opacity and at rest (not swiped), holds
// its model row's `role` value, in the model's order, each just below the
// one before (the view's spacing apart, or a section header between), and
// nothing else drawn in the list overlaps another. A view whose rows hold
// their own spacing (a grid of rows of cards) gives `spacing` 0.
QString problem(QQuickItem *view, const QByteArray &role = "videoId", qreal spacing = -1);

// The `role` values of the rows the view has made, in order.
QStringList made(QQuickItem *view, const QByteArray &role = "videoId");

// The `role` values of the model's rows, in order.
QStringList model(QQuickItem *view, const QByteArray &role = "videoId");

// A finger dragging `row` to the left past its full-swipe threshold.
void swipeAway(QQuickItem *row);

} // namespace ViewRows
