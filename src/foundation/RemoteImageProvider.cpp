#include "RemoteImageProvider.h"
#include "Blur.h"
#include "ImageLoader.h"
#include <QMutex>
#include <QQmlEngine>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
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
        {
            QMutexLocker lock(&guard->mutex);
            guard->response = nullptr;
        }
        if (request)
            request->cancel();
    }

    QQuickTextureFactory *textureFactory() const override
    {
        return m_image.isNull() ? nullptr : QQuickTextureFactory::textureFactoryForImage(m_image);
    }
    QString errorString() const override { return m_image.isNull() ? RemoteImageProvider::missText : QString(); }

    void deliver(QImage image)
    {
        if (m_ended)
            return;
        m_ended = true;
        m_image = std::move(image);
        emit finished();
    }

    // The view gave up (scrolled away, changed its source, the engine goes):
    // stop the work and end now, so the engine deletes this at once instead of
    // keeping it until a picture nobody wants arrives. The engine may call
    // this from its own thread, not ours.
    void cancel() override
    {
        {
            QMutexLocker lock(&guard->mutex);
            if (!guard->response)
                return;
            guard->response = nullptr;
        }
        if (request)
            request->cancel();
        // On our own thread, end at once: the engine may stop that thread's
        // event loop right after this call, and a queued end would then never
        // run, leaving this response undeleted.
        if (QThread::currentThread() == thread())
            deliver({});
        else
            QMetaObject::invokeMethod(this, [this] { deliver({}); }, Qt::QueuedConnection);
    }

    const std::shared_ptr<ResponseGuard> guard;
    std::shared_ptr<ImageLoader::Request> request;

private:
    QImage m_image;
    bool m_ended = false;
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
    const ImageLoader::Frame frame = ImageLoader::frameOf(question < 0 ? QString() : id.mid(question + 1));
    const double radius = frame.radius;

    QList<QUrl> urls;
    if (slash >= 0 && decoded) {
        if (kind == QLatin1String("thumb"))
            urls = ImageLoader::thumbURLs(QString::fromUtf8(*decoded));
        else if (kind == QLatin1String("blurred")) {
            // Blurred, the medium picture looks the same and takes less to decode.
            urls = ImageLoader::thumbURLs(QString::fromUtf8(*decoded));
            std::reverse(urls.begin(), urls.end());
        } else if (kind == QLatin1String("url") || kind == QLatin1String("circle"))
            urls = {QUrl::fromEncoded(*decoded, QUrl::StrictMode)};
    }

    // Decoded at the size shown, never at the size the host serves; finished
    // on the decoding thread and kept in memory as shown.
    ImageLoader::Look look;
    if (kind == QLatin1String("circle"))
        look = {QStringLiteral("circle"), [](const QImage &image, const QSize &size) { return circled(fitted(image, size)); }};
    else if (kind == QLatin1String("blurred"))
        look = {QStringLiteral("blurred %1").arg(radius), [radius](const QImage &image, const QSize &size) {
                    const QImage picture = ImageLoader::cropped(image, size);
                    return Blur::gaussian(picture, std::clamp(radius, 0.0, 1.0) * picture.height());
                }};
    else if (kind == QLatin1String("thumb") && radius > 0)
        look = ImageLoader::rounded(frame);
    const bool plain = !look.make;
    auto done = [guard = response->guard, requestedSize, plain](QImage result) {
        if (!result.isNull() && plain)
            result = fitted(result, requestedSize);
        QMutexLocker lock(&guard->mutex);
        if (RemoteImageResponse *r = guard->response) {
            // Always answer on the response's own thread, after the engine has connected to it.
            QMetaObject::invokeMethod(r, [r, result] { r->deliver(result); }, Qt::QueuedConnection);
        }
    };
    response->request = ImageLoader::shared().request(urls, requestedSize, std::move(done), std::move(look));
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
