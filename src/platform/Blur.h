#pragma once
#include <QColor>
#include <QImage>

// Soft pictures made on the CPU, where the software scene graph has no
// shader effects. `radius` is the reach of the blur, as for a drop shadow:
// the Gaussian's standard deviation is half of it.
class Blur
{
public:
    // The picture blurred; what lies outside it counts as transparent, so its
    // edges fade. The result is premultiplied ARGB of the same size.
    static QImage gaussian(const QImage &image, qreal radius);
    // A shadow of the picture's shape in `color`, under the picture.
    static QImage withShadow(const QImage &image, qreal radius, const QColor &color);
};
