#include "RemoteImageProvider.h"
#include "Blur.h"
#include "ImageLoader.h"
#include <QMutex>
#include <QQmlEngine>
#include <QPainter>
#include <QPainterPath>
#include <QUrlQuery>
#include <memory>

namespace {

class RemoteImageResponse;

// The engine may delete a response at any time on its own thread; the loader
// answers on another. The guard tells the answer whether anyone still listens.
struct ResponseGuard
{
    QMutex mutex;
    RemoteImageResponse *response = nullptr;
};

class RemoteImageResponse : public QQuickImageResponse
{
public:
    RemoteImageResponse() : guard(std::make_shared<ResponseGuard>()) { guard->response = this; }
    ~RemoteImageResponse() override
    {
        QMutexLocker lock(&guard->mutex);
        guard->response = nullptr;
    }

    QQuickTextureFactory *textureFactory() const override
    {
        return m_image.isNull() ? nullptr : QQuickTextureFactory::textureFactoryForImage(m_image);
    }
    QString errorString() const override { return m_image.isNull() ? RemoteImageProvider::missText : QString(); }

    void deliver(QImage image)
    {
        m_image = std::move(image);
        emit finished();
    }

    const std::shared_ptr<ResponseGuard> guard;

private:
    QImage m_image;
};

QImage fitted(const QImage &image, const QSize &requested)
{
    const int w = requested.width(), h = requested.height();
    if (w > 0 && h > 0 && (image.width() > w || image.height() > h))
        return image.scaled(requested, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    if (w > 0 && h <= 0 && image.width() > w)
        return image.scaledToWidth(w, Qt::SmoothTransformation);
    if (h > 0 && w <= 0 && image.height() > h)
        return image.scaledToHeight(h, Qt::SmoothTransformation);
    return image;
}

// The centre square of the picture inside a circle, transparent around it.
QImage circled(const QImage &image)
{
    const int side = qMin(image.width(), image.height());
    QImage out(side, side, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(image.copy((image.width() - side) / 2, (image.height() - side) / 2, side, side));
    p.drawEllipse(out.rect());
    return out;
}

// The centre of the picture in the shape of `size`, at that size.
QImage cropped(const QImage &image, const QSize &size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return image;
    const QImage scaled = image.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2, size.width(),
                       size.height());
}

} // namespace

QQuickImageResponse *RemoteImageProvider::requestImageResponse(const QString &id, const QSize &requestedSize)
{
    auto *response = new RemoteImageResponse;
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    const qsizetype question = id.indexOf(QLatin1Char('?'));
    const QString kind = id.left(slash);
    const auto decoded = QByteArray::fromBase64Encoding(
        id.mid(slash + 1, question < 0 ? -1 : question - slash - 1).toLatin1(),
        QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    const double radius = question < 0 ? 0
                                       : QUrlQuery(id.mid(question + 1)).queryItemValue(QStringLiteral("radius")).toDouble();

    QFuture<QImage> image;
    if (slash < 0 || !decoded)
        image = QtFuture::makeReadyFuture(QImage());
    else if (kind == QLatin1String("thumb"))
        image = ImageLoader::shared().first(ImageLoader::thumbURLs(QString::fromUtf8(*decoded)));
    else if (kind == QLatin1String("blurred")) {
        // Blurred, the medium picture looks the same and holds a sixteenth of the memory.
        QList<QUrl> urls = ImageLoader::thumbURLs(QString::fromUtf8(*decoded));
        std::reverse(urls.begin(), urls.end());
        image = ImageLoader::shared().first(urls);
    }
    else if (kind == QLatin1String("url") || kind == QLatin1String("circle"))
        image = ImageLoader::shared().load(QUrl::fromEncoded(*decoded, QUrl::StrictMode));
    else
        image = QtFuture::makeReadyFuture(QImage());

    const bool circle = kind == QLatin1String("circle");
    const bool blurred = kind == QLatin1String("blurred");
    image.then(QtFuture::Launch::Sync, [guard = response->guard, requestedSize, circle, blurred, radius](QImage result) {
        if (!result.isNull() && blurred) {
            result = cropped(result, requestedSize);
            result = Blur::gaussian(result, std::clamp(radius, 0.0, 1.0) * result.height());
        } else if (!result.isNull()) {
            result = fitted(result, requestedSize);
            if (circle)
                result = circled(result);
        }
        QMutexLocker lock(&guard->mutex);
        if (RemoteImageResponse *r = guard->response) {
            // Always answer on the response's own thread, after the engine has connected to it.
            QMetaObject::invokeMethod(r, [r, result] { r->deliver(result); }, Qt::QueuedConnection);
        }
    });
    return response;
}

void RemoteImageProvider::install(QQmlEngine &engine)
{
    engine.addImageProvider(name, new RemoteImageProvider);
    engine.setOutputWarningsToStandardError(false);
    QObject::connect(&engine, &QQmlEngine::warnings, &engine, [](const QList<QQmlError> &warnings) {
        for (const QQmlError &w : warnings) {
            if (w.description().endsWith(missText))
                continue;
            // As the engine itself would have put it.
            QMessageLogger(w.url().toString().toLatin1().constData(), w.line(), nullptr).warning().noquote().nospace()
                << w.toString();
        }
    });
}
