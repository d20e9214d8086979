// "avatars.json" in the cache folder: any content starts the store, and a
// map it reads comes back unchanged through the encoder it writes with.
#include "AvatarStore.h"
#include "FuzzSupport.h"
#include "Json.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    FUZZ_CHECK(Fuzz::writeFile(AvatarStore::filePath(), input), {});
    AvatarStore store;
    for (auto it = store.urls().cbegin(); it != store.urls().cend(); ++it) {
        Video v;
        v.id = QStringLiteral("aaaaaaaaaaa");
        v.channelId = it.key();
        FUZZ_CHECK(store.url(v) == std::optional<QString>(it.value()), input);
    }
    const QByteArray encoded = Json::encode(store.urls());
    using Urls = QMap<QString, QString>;
    FUZZ_CHECK(Json::decode<Urls>(encoded) == store.urls(), encoded);
    return 0;
}
