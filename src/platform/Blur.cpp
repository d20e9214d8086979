#include "Blur.h"
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// Three box blurs in a row come close to a Gaussian of standard deviation
// sigma; these are their half-widths.
std::array<int, 3> boxRadii(double sigma)
{
    const double ideal = std::sqrt(12.0 * sigma * sigma / 3 + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m = (12 * sigma * sigma - 3.0 * lower * lower - 4.0 * 3 * lower - 3.0 * 3)
                     / (-4.0 * lower - 4);
    const int useLower = int(std::round(m));
    std::array<int, 3> radii{};
    for (int i = 0; i < 3; ++i)
        radii[i] = ((i < useLower ? lower : upper) - 1) / 2;
    return radii;
}

// One box blur of half-width r along a line of n pixels, `stride` apart,
// with transparent pixels beyond both ends.
void boxLine(const QRgb *in, QRgb *out, int n, qsizetype stride, int r)
{
    if (r <= 0) {
        for (int i = 0; i < n; ++i)
            out[i * stride] = in[i * stride];
        return;
    }
    const int width = 2 * r + 1;
    int sum[4] = {0, 0, 0, 0};
    auto add = [&](int i, int sign) {
        if (i < 0 || i >= n)
            return;
        const QRgb p = in[i * stride];
        sum[0] += sign * qAlpha(p);
        sum[1] += sign * qRed(p);
        sum[2] += sign * qGreen(p);
        sum[3] += sign * qBlue(p);
    };
    for (int i = -r; i <= r; ++i)
        add(i, 1);
    for (int i = 0; i < n; ++i) {
        out[i * stride] = qRgba(sum[1] / width, sum[2] / width, sum[3] / width, sum[0] / width);
        add(i + r + 1, 1);
        add(i - r, -1);
    }
}

} // namespace

QImage Blur::gaussian(const QImage &image, qreal radius)
{
    QImage a = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!(radius > 0) || a.isNull())
        return a;
    QImage b(a.size(), QImage::Format_ARGB32_Premultiplied);
    const int w = a.width(), h = a.height();
    const qsizetype stride = a.bytesPerLine() / 4;
    for (int r : boxRadii(radius / 2)) {
        auto *src = reinterpret_cast<const QRgb *>(a.constBits());
        auto *dst = reinterpret_cast<QRgb *>(b.bits());
        for (int y = 0; y < h; ++y)
            boxLine(src + y * stride, dst + y * stride, w, 1, r);
        src = reinterpret_cast<const QRgb *>(b.constBits());
        dst = reinterpret_cast<QRgb *>(a.bits());
        for (int x = 0; x < w; ++x)
            boxLine(src + x, dst + x, h, stride, r);
    }
    return a;
}

QImage Blur::withShadow(const QImage &image, qreal radius, const QColor &color)
{
    QImage shape = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&shape);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(shape.rect(), color);
    }
    QImage out = gaussian(shape, radius);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}
