#include "ErrorDescription.h"
#include "APIError.h"
#include "Json.h"
#include "TransportError.h"

QString describe(const std::exception &e)
{
    if (auto *api = dynamic_cast<const APIError *>(&e))
        return api->description();
    if (auto *transport = dynamic_cast<const TransportError *>(&e))
        return transport->description();
    if (auto *decoding = dynamic_cast<const DecodingError *>(&e))
        return decoding->description();
    return QString::fromUtf8(e.what());
}
