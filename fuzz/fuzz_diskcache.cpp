// The list cache: a key's file name stays one plain name inside the folder
// and different keys never share one; any file content loads as a list or
// as nothing.
#include "DiskCache.h"
#include "FuzzSupport.h"
#include "Video.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [key, other] = Fuzz::twoTexts(data, size);
    const QString name = DiskCache::fileName(key);
    const QByteArray shown = name.toUtf8();
    FUZZ_CHECK(name.endsWith(QLatin1String(".json")), shown);
    // Only the empty key leaves the name as bare as ".json".
    FUZZ_CHECK(key.isEmpty() || !name.startsWith(u'.'), shown);
    FUZZ_CHECK(!name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0)), shown);
    FUZZ_CHECK(shown.size() <= 255, shown);
    FUZZ_CHECK(DiskCache::path(key) == DiskCache::dir() + u'/' + name, shown);
    if (key != other)
        FUZZ_CHECK(DiskCache::fileName(other) != name, shown);

    // The second text as the content of the first key's file.
    const QByteArray body = other.toUtf8();
    FUZZ_CHECK(Fuzz::writeFile(DiskCache::path(key), body), shown);
    const std::optional<QList<Video>> list = DiskCache::load<QList<Video>>(key).result();
    if (list)
        FUZZ_CHECK(Json::decode<QList<Video>>(Json::encode(*list)) == *list, body);
    return 0;
}
