// The library file and a backup: read at start-up from "library.json" and
// imported into a live store. A file that loads and a backup that imports
// give the same library; an import refused leaves the store as it was; an
// accepted one comes back unchanged through an export.
#include "Defaults.h"
#include "FuzzSupport.h"
#include "LibraryStore.h"
#include "Pref.h"
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <memory>

namespace {

QString dataDir() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }

void clear()
{
    LibraryStore::waitForWrites();
    QDir(dataDir()).removeRecursively();
}

bool sameLibrary(const LibraryStore &a, const LibraryStore &b)
{
    return a.history() == b.history() && a.liked() == b.liked() && a.watchLater() == b.watchLater()
        && a.subscriptions() == b.subscriptions() && a.searches() == b.searches() && a.playlists() == b.playlists()
        && a.hiddenChannels() == b.hiddenChannels();
}

// Reads what the store answers from its lists, so every field is touched.
void exercise(const LibraryStore &s)
{
    (void)s.inProgress();
    (void)s.topChannels();
    (void)s.visible(s.liked());
    for (const HistoryEntry &h : s.history())
        (void)s.progress(h.video);
    for (const Subscription &sub : s.subscriptions())
        (void)s.isSubscribed(sub.id);
}

const QByteArray seed = R"({"history":[],"liked":[{"id":"aaaaaaaaaaa","title":"Uno"}],"watchLater":[],
"subscriptions":[],"searches":["hola"],"playlists":[],"hiddenChannels":["Canal"]})";

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
    clear();

    // At start-up, from the file.
    FUZZ_CHECK(Fuzz::writeFile(dataDir() + QStringLiteral("/library.json"), input), {});
    auto fromFile = std::make_unique<LibraryStore>();
    exercise(*fromFile);
    clear();

    // Into a live store that already holds a library.
    LibraryStore live;
    FUZZ_CHECK(live.importBackup(seed), {});
    LibraryStore before;
    before.importBackup(seed);
    if (!live.importBackup(input)) {
        FUZZ_CHECK(sameLibrary(live, before), input);
        clear();
        return 0;
    }
    exercise(live);
    FUZZ_CHECK(sameLibrary(live, *fromFile), input);

    // Out through an export and back in.
    const QUrl exported = live.exportBackup();
    FUZZ_CHECK(exported.isLocalFile(), input);
    QFile file(exported.toLocalFile());
    FUZZ_CHECK(file.open(QIODevice::ReadOnly), {});
    const QByteArray written = file.readAll();
    LibraryStore again;
    FUZZ_CHECK(again.importBackup(written), written);
    FUZZ_CHECK(sameLibrary(again, live), written);
    clear();
    return 0;
}
