#pragma once
#include <QColor>
#include <QQuickImageProvider>

// Serves the app's icons by their SF Symbol names, drawn from the SVGs that
// symbols.map names (compiled in as ":/symbols/<sf name>.svg").
//
//   image://symbol/<sf name>[?color=<colour>][&shadow=<reach>[&shadowColor=<colour>]]
//
// <colour> is anything QColor reads ("#rrggbb", "#aarrggbb", a colour
// name), URL-encoded ("%23ff2d55"); without it the icon is black. The icon
// fills the requested size (sourceSize), keeping its aspect ratio; with no
// size asked it is 32 × 32. An unknown or malformed name draws a question
// mark in a square instead, never nothing.
// With a shadow, <reach> is the shadow's radius as a fraction of the
// picture's shorter side (so it holds at any pixel ratio); the icon is drawn
// twice that far in from every edge, leaving room for the shadow, which is
// black at 33 % unless told.
class SymbolImageProvider : public QQuickImageProvider
{
public:
    SymbolImageProvider();

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

    // The resource of a known name, else the empty text.
    static QString resourcePath(const QString &sfName);
    static bool isKnown(const QString &sfName) { return !resourcePath(sfName).isEmpty(); }
    static QString fallbackPath();
    // The icon of `sfName` (or the fallback) in `color`, `size` pixels.
    static QImage render(const QString &sfName, const QSize &size, const QColor &color);
    static inline const QColor defaultShadow = QColor(0, 0, 0, 84);
};
