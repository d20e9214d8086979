// The link parser: any text gives an id of the exact form or nothing, a
// start time that is a real number of seconds or nothing; an id it finds is
// found again in the video site's own links.
#include "FuzzSupport.h"
#include "YouTubeLink.h"
#include <cmath>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Fuzz::text(data, size);
    const QByteArray shown = text.toUtf8();
    const std::optional<QString> id = YouTubeLink::parse(text);
    if (id) {
        FUZZ_CHECK(YouTubeLink::isVideoID(*id), shown);
        FUZZ_CHECK(YouTubeLink::parse(QStringLiteral("https://www.youtube.com/watch?v=") + *id) == id, shown);
        FUZZ_CHECK(YouTubeLink::parse(QStringLiteral("https://youtu.be/") + *id) == id, shown);
    }
    if (const std::optional<QString> list = YouTubeLink::playlistID(text))
        FUZZ_CHECK(!list->isEmpty(), shown);
    if (const std::optional<double> t = YouTubeLink::timestamp(text))
        FUZZ_CHECK(std::isfinite(*t), shown); // negative values are kept as written
    (void)YouTubeLink::isVideoID(text);
    return 0;
}
