#pragma once
#include <QColor>
#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>

class QQmlEngine;
class QJSEngine;

// The one loader of remote pictures. Decoded images stay in memory (at most
// 400, and at most 6 MiB of pixels); raw replies go to a URL cache of its
// own (2 MiB in memory, 300 MiB on disk) and are reused whatever their age.
// Network, disk cache and decoding all run off the calling thread; results
// come back as futures (co_await them) or, for views, through a callback that
// can be cancelled.
// A picture may be decoded at the size it is shown at: it then fills that size
// (never enlarged) and is kept in memory apart from other sizes of it.
// Only http and https addresses are ever fetched: the backend hands us avatar
// and banner addresses, and those must never open local files or resources.
class ImageLoader : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    static ImageLoader &shared();
    // How the process's allocator hands out and gives back memory, for
    // pictures made and dropped on many threads: tuneAllocator() first thing
    // in main, before any thread starts (shared() repeats it for processes
    // that did not); mapLargeBlocks() once the first frame is up.
    static void tuneAllocator();
    static void mapLargeBlocks();
    static ImageLoader *create(QQmlEngine *, QJSEngine *);

    // A loader with a memory cache of its own and its disk cache in `diskCacheDir`
    // (the shared one uses "images" under the app's cache folder).
    explicit ImageLoader(const QString &diskCacheDir, QObject *parent = nullptr);
    ~ImageLoader() override;

    // The image, or a null image when the address fails.
    QFuture<QImage> load(const QUrl &url, const QSize &size = {});
    // The first image that one of `urls` yields, tried in order; a null image
    // when all fail. Failures are not remembered.
    QFuture<QImage> first(const QList<QUrl> &urls, const QSize &size = {});

    // One wish for a picture. Dropping interest releases the callback (and
    // whatever it holds) at once, skips the fetch and decode not yet begun and
    // aborts a transfer in flight.
    class Request
    {
    public:
        virtual ~Request() = default;
        virtual void cancel() = 0;
    };
    using Done = std::function<void(QImage)>;
    // What a picture is made into once decoded (cut to a circle, rounded,
    // blurred), on the decoding thread; given the picture and the size asked
    // for. The result is kept in memory under the look's name, apart from the
    // plain picture and from other looks, so a view showing it again is served
    // the finished picture.
    struct Look
    {
        QString name;
        std::function<QImage(const QImage &, const QSize &)> make;
    };
    // How a thumbnail is framed: its corners cut round by `radius` pixels.
    // Over an opaque `backdrop` the corners show it, with a `shadow` of the
    // same shape `shadowDrop` pixels lower, and the picture comes out opaque,
    // which views draw without blending; otherwise the corners are transparent.
    struct Frame
    {
        double radius = 0;
        QColor backdrop;
        QColor shadow;
        double shadowDrop = 0;
    };
    // The centre of the picture at exactly the size asked for, framed: a
    // rounded thumbnail with nothing to mask it at every frame.
    static Look rounded(const Frame &frame);
    // Its name alone, as the memory cache knows the pictures in that frame.
    static QString roundedName(const Frame &frame);
    // The centre of the picture in the shape of `size`, at that size (a
    // smaller picture is enlarged, as a view would).
    static QImage cropped(const QImage &image, const QSize &size);
    // As first(), answering through `done` on some other thread (or on this one
    // at once when the picture is in memory). `done` runs exactly once, with a
    // null image on failure or shutdown, unless the request is cancelled first.
    std::shared_ptr<Request> request(const QList<QUrl> &urls, const QSize &size, Done done, Look look = {});
    // The large thumbnail of a video, then the medium one.
    static QList<QUrl> thumbURLs(const QString &id);
    static bool isFetchable(const QUrl &url);

    // The decoded image already in memory (in the look named), or a null image.
    QImage cached(const QUrl &url, const QSize &size = {}, const QString &look = {}) const;
    // What the memory cache holds: images and their pixel bytes; the bytes of
    // raw replies held in memory in front of the disk; and how many requests
    // are still waiting for an answer.
    qsizetype cachedCount() const;
    qint64 cachedBytes() const;
    qint64 cachedRawBytes() const;
    qsizetype pendingCount() const;
    static constexpr qint64 memoryBudget = 6LL * 1024 * 1024;

    // For QML: addresses on the "remote" image provider.
    // With a `radius`, the thumbnail framed as Frame says, in device pixels.
    Q_INVOKABLE bool hasThumb(const QString &id, const QSize &size = {}, double radius = 0, const QColor &backdrop = {},
                              const QColor &shadow = {}, double shadowDrop = 0) const;
    Q_INVOKABLE QUrl thumbSource(const QString &id, double radius = 0, const QColor &backdrop = {},
                                 const QColor &shadow = {}, double shadowDrop = 0) const;
    // The frame a thumbnail address asks for (its query), and back.
    static Frame frameOf(const QString &query);
    // The thumbnail cut to the Image's sourceSize and blurred by `radius`, a
    // fraction of that height.
    Q_INVOKABLE QUrl blurredThumbSource(const QString &id, double radius) const;
    // Empty when the text is no http(s) address, so nothing is requested.
    Q_INVOKABLE QUrl source(const QString &url, bool circle = false) const;
    Q_INVOKABLE static bool isValidURL(const QString &url);

    // Drops every raw reply of the disk cache; what is in memory stays.
    QFuture<void> clearDisk();
    QString diskCacheDir() const;

    // Stops the network thread; later loads yield nothing.
    void shutdown();

    struct Core;

private:
    std::shared_ptr<Core> d;
};
