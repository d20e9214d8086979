// A thumbnail as the host serves its large form: a photograph-like 1280 × 720
// JPEG, not a flat colour that would pack into a few bytes.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QRandomGenerator>

inline QByteArray photographJpeg(int quality = -1)
{
    QImage image(1280, 720, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(rng.bounded(6));
            line[x] = qRgb((x * 255 / 1280 + n) & 255, (y * 255 / 720 + n) & 255, (x + y + n) & 255);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}
