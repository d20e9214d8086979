// "positions.json": whatever it holds, the store starts; positions it read
// come back unchanged after it writes them out again.
#include "Defaults.h"
#include "FuzzSupport.h"
#include "Json.h"
#include "LibraryStore.h"
#include "Pref.h"
#include <QDir>
#include <QStandardPaths>

namespace {
QString dataDir() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Fuzz::setUp(argc, argv);
    Defaults::useMemory();
    Pref::registerDefaults();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    QDir(dataDir()).removeRecursively();
    FUZZ_CHECK(Fuzz::writeFile(dataDir() + QStringLiteral("/positions.json"), input), {});

    QJsonObject read;
    try {
        read = Json::toObject(Json::parse(input));
    } catch (const DecodingError &) {
    }
    {
        LibraryStore first;
        for (auto it = read.begin(); it != read.end(); ++it)
            (void)first.position(it.key());
        // A change makes the store write its positions out.
        first.setPosition(QStringLiteral("zzzzzzzzzzz"), 1.5);
        first.flushOnQuit();
        LibraryStore second;
        for (auto it = read.begin(); it != read.end(); ++it) {
            const double a = first.position(it.key()), b = second.position(it.key());
            FUZZ_CHECK(a == b, input + " key " + it.key().toUtf8());
        }
        FUZZ_CHECK(second.position(QStringLiteral("zzzzzzzzzzz")) == first.position(QStringLiteral("zzzzzzzzzzz")),
                   input);
    }
    LibraryStore::waitForWrites();
    return 0;
}
