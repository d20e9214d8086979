#pragma once
#include <QQuickAsyncImageProvider>

class QQmlEngine;

// Serves "image://remote/…" to QML through the shared ImageLoader:
//   thumb/<id>    the first thumbnail of a video that loads (large, then medium)
//   thumb/<id>?radius=<r>
//                 the same cut to the requested size with its corners rounded
//                 by <r> pixels (transparent outside)
//   url/<url>     one picture
//   circle/<url>  one picture cut to a circle (clipping by shader needs a GPU)
//   blurred/<id>?radius=<reach>
//                 the medium thumbnail of a video (else the large) filling
//                 the requested size, cut to it and blurred (blurring by
//                 shader needs a GPU too); <reach> is the blur's radius as a
//                 fraction of the height
// The part after the kind is base64url, so any address survives the trip.
// A picture that fails leaves its Image in the error state (so the next
// view asks again) without a warning: misses are normal (a missing large
// thumbnail, a dead avatar address).
class RemoteImageProvider : public QQuickAsyncImageProvider
{
public:
    static inline const QString name = QStringLiteral("remote");
    static inline const QString missText = QStringLiteral("remote picture unavailable");

    // Adds the provider to `engine`, whose warnings then go out as before
    // except the misses of its pictures.
    static void install(QQmlEngine &engine);

    QQuickImageResponse *requestImageResponse(const QString &id, const QSize &requestedSize) override;
};
