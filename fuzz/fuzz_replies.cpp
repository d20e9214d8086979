// Every reply body the backend client decodes. One parse, then each reply
// type in turn; whatever decodes must come back equal, and byte for byte the
// same, through its own encoder.
#include "API.h"
#include "FuzzSupport.h"
#include "Models.h"
#include <concepts>

namespace {

template<class T>
void roundTrip(const QJsonValue &value)
{
    T first;
    try {
        first = Json::fromValue<T>(value);
    } catch (const DecodingError &e) {
        FUZZ_CHECK(!e.description().isEmpty(), e.key.toUtf8());
        return;
    }
    const QByteArray encoded = Json::encode(first);
    T second;
    try {
        second = Json::decode<T>(encoded);
    } catch (const DecodingError &e) {
        Fuzz::failed("an encoded reply decodes again", encoded + " / " + e.description().toUtf8());
    }
    if constexpr (std::equality_comparable<T>)
        FUZZ_CHECK(first == second, encoded);
    FUZZ_CHECK(Json::encode(second) == encoded, encoded);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QJsonValue value;
    try {
        value = Json::parse(Fuzz::bytes(data, size));
    } catch (const DecodingError &e) {
        FUZZ_CHECK(e.kind == DecodingError::Kind::dataCorrupted, {});
        return 0;
    }
    roundTrip<QList<Video>>(value);       // feeds, search, Shorts, account lists, related
    roundTrip<QStringList>(value);        // suggestions
    roundTrip<QList<Category>>(value);
    roundTrip<VideoDetail>(value);
    roundTrip<QList<SponsorSegment>>(value);
    roundTrip<QList<Comment>>(value);
    roundTrip<QList<Cue>>(value);         // caption cues
    roundTrip<ChannelInfo>(value);
    roundTrip<YTPlaylist>(value);
    roundTrip<QMap<QString, QString>>(value); // avatars
    roundTrip<Changelog>(value);
    roundTrip<Account>(value);
    roundTrip<SessionResponse>(value);
    try {
        Json::fromValue<std::optional<API::Ok>>(value);
    } catch (const DecodingError &) {
    }
    return 0;
}
