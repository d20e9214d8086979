#include "SymbolImageProvider.h"
#include "Blur.h"
#include <QFile>
#include <QMutex>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QUrlQuery>
#include <cmath>
#include <map>
#include <memory>

namespace {
constexpr int kDefaultSide = 32;
constexpr int kMaxSide = 1024; // a huge sourceSize must not allocate gigabytes

// Each file is parsed once: screens ask for the same few icons in many sizes
// and colours. The table holds at most the icon files there are; the lock
// also covers a renderer's drawing, which is not for two threads at once
// (the image reader thread asks too).
QMutex parsedLock;

QSvgRenderer &parsed(const QString &path)
{
    // Owned here, so the renderers go with the process's statics.
    static std::map<QString, std::unique_ptr<QSvgRenderer>> table;
    std::unique_ptr<QSvgRenderer> &svg = table[path];
    if (!svg)
        svg = std::make_unique<QSvgRenderer>(path);
    return *svg;
}
}

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QString SymbolImageProvider::resourcePath(const QString &sfName)
{
    // SF names are dotted lower-case words; anything else (paths, "..") is unknown.
    static const QRegularExpression valid(QStringLiteral("^[a-z0-9]+(\\.[a-z0-9]+)*$"));
    if (!valid.match(sfName).hasMatch())
        return {};
    const QString path = QStringLiteral(":/symbols/") + sfName + QStringLiteral(".svg");
    return QFile::exists(path) ? path : QString();
}

QString SymbolImageProvider::fallbackPath() { return QStringLiteral(":/symbol-fallback.svg"); }

QImage SymbolImageProvider::render(const QString &sfName, const QSize &size, const QColor &color)
{
    const QSize side(qBound(1, size.width(), kMaxSide), qBound(1, size.height(), kMaxSide));
    QImage image(side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QString path = resourcePath(sfName);
    if (path.isEmpty())
        path = fallbackPath();
    QPainter p;
    {
        QMutexLocker locked(&parsedLock);
        QSvgRenderer &svg = parsed(path);
        if (!svg.isValid())
            return image;
        p.begin(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QSizeF drawn = svg.defaultSize().isEmpty() ? QSizeF(side) : QSizeF(svg.defaultSize());
        drawn.scale(QSizeF(side), Qt::KeepAspectRatio);
        const QRectF target((side.width() - drawn.width()) / 2, (side.height() - drawn.height()) / 2,
                            drawn.width(), drawn.height());
        svg.render(&p, target);
    }
    // The shape's coverage, recoloured: bootstrap icons draw in currentColor.
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(image.rect(), color.isValid() ? color : QColor(Qt::black));
    p.end();
    return image;
}

QImage SymbolImageProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype q = id.indexOf(QLatin1Char('?'));
    const QString name = QUrl::fromPercentEncoding(id.left(q < 0 ? id.size() : q).toUtf8());
    const QUrlQuery query(q >= 0 ? id.mid(q + 1) : QString());
    auto colorItem = [&](const QString &key, const QColor &fallback) {
        QString c = query.queryItemValue(key, QUrl::FullyDecoded);
        static const QRegularExpression bareHex(QStringLiteral("^([0-9a-fA-F]{6}|[0-9a-fA-F]{8})$"));
        if (bareHex.match(c).hasMatch())
            c.prepend(QLatin1Char('#'));
        const QColor parsed = QColor::fromString(c);
        return parsed.isValid() ? parsed : fallback;
    };
    const QColor color = colorItem(QStringLiteral("color"), Qt::black);
    const double shadow = query.queryItemValue(QStringLiteral("shadow")).toDouble();
    QSize want = requestedSize;
    if (want.width() <= 0 && want.height() <= 0)
        want = QSize(kDefaultSide, kDefaultSide);
    else if (want.width() <= 0)
        want.setWidth(want.height());
    else if (want.height() <= 0)
        want.setHeight(want.width());

    QImage image;
    if (shadow > 0 && shadow < 0.25) {
        const QSize side(qBound(1, want.width(), kMaxSide), qBound(1, want.height(), kMaxSide));
        const double reach = shadow * std::min(side.width(), side.height());
        const int inset = int(std::ceil(2 * reach));
        image = QImage(side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter(&image).drawImage(inset, inset, render(name, side - QSize(2 * inset, 2 * inset), color));
        image = Blur::withShadow(image, reach, colorItem(QStringLiteral("shadowColor"), defaultShadow));
    } else {
        image = render(name, want, color);
    }
    if (size)
        *size = image.size();
    return image;
}
