#pragma once
// Shared by the fuzz targets: a Qt application with private folders, and a
// check that stops the run with a message libFuzzer keeps beside the input.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace Fuzz {

// Makes the application object once, with HOME and the data and cache
// folders inside a fresh temporary folder (QStandardPaths test mode).
void setUp(int *argc, char ***argv);

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

inline QString text(const uint8_t *data, size_t size) { return QString::fromUtf8(bytes(data, size)); }

// Splits the input at its first NUL byte: two independent texts from one input.
std::pair<QString, QString> twoTexts(const uint8_t *data, size_t size);

// Writes a file whole (the folder is made first); false when it could not.
bool writeFile(const QString &path, const QByteArray &bytes);

[[noreturn]] void failed(const char *what, const QByteArray &detail = {});

} // namespace Fuzz

#define FUZZ_CHECK(cond, ...)                                                                                 \
    do {                                                                                                        \
        if (!(cond))                                                                                            \
            ::Fuzz::failed(#cond, __VA_ARGS__);                                                                      \
    } while (false)
