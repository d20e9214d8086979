#pragma once
#include <QString>
#include <exception>

// The text a screen shows for a failed backend call: the description of an
// APIError, a transport error or a decoding error, whatever was thrown.
QString describe(const std::exception &e);
