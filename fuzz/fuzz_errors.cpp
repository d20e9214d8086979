// Error bodies of failed backend calls: whatever the body, the screen gets a
// sentence, and a server message reaches it unchanged.
#include "APIError.h"
#include "ErrorDescription.h"
#include "FuzzSupport.h"
#include "Json.h"
#include <QJsonDocument>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = Fuzz::bytes(data, size);
    const APIError error = APIError::fromStatusBody(body);
    const QString said = describe(error);
    FUZZ_CHECK(said == error.description(), body);
    if (error.kind() != APIError::Kind::server)
        FUZZ_CHECK(!said.isEmpty(), body);

    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonValue message = doc.isObject() ? doc.object().value(QLatin1String("error")) : QJsonValue();
    if (message.isString())
        FUZZ_CHECK(said == APIError::server(message.toString()).description(), body);

    // The other errors a call may throw describe themselves too.
    try {
        Json::parse(body);
    } catch (const DecodingError &e) {
        FUZZ_CHECK(!describe(e).isEmpty(), body);
    }
    return 0;
}
