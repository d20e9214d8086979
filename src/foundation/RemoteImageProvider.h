#pragma once
#include <QQuickAsyncImageProvider>

class QQmlEngine;

// Serves "image://remote/…" to QML through the shared ImageLoader:
//   thumb/<id>    the first thumbnail of a video that loads (large, then medium)
//   url/<url>     one picture
//   circle/<url>  one picture cut to a circle (clipping by shader needs a GPU)
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
