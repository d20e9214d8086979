#pragma once
#include <QQuickAsyncImageProvider>

// Serves "image://remote/…" to QML through the shared ImageLoader:
//   thumb/<id>    the first thumbnail of a video that loads (large, then medium)
//   url/<url>     one picture
//   circle/<url>  one picture cut to a circle (clipping by shader needs a GPU)
//   blurred/<id>?radius=<reach>
//                 the medium thumbnail of a video (else the large) filling
//                 the requested size, cut to it and blurred (blurring by
//                 shader needs a GPU too); <reach> is the blur's radius as a
//                 fraction of the height
// The part after the kind is base64url, so any address survives the trip.
// Install it once per engine: engine.addImageProvider(RemoteImageProvider::name, new RemoteImageProvider).
class RemoteImageProvider : public QQuickAsyncImageProvider
{
public:
    static inline const QString name = QStringLiteral("remote");

    QQuickImageResponse *requestImageResponse(const QString &id, const QSize &requestedSize) override;
};
