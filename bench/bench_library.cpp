// Load and save of a library at its caps: 300 history entries, 20 searches,
// a few hundred liked and watch-later videos, playlists and positions.
#include "Defaults.h"
#include "LibraryStore.h"
#include "Pref.h"
#include "TestDirs.h"
#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

Video sample(int i)
{
    Video v;
    v.id = QStringLiteral("vid%1xyzAB").arg(i, 4, 10, QLatin1Char('0'));
    v.title = QStringLiteral("Un título de vídeo bastante largo, número %1, con acentos y eñes").arg(i);
    v.channel = QStringLiteral("Canal %1").arg(i % 37);
    v.channelId = QStringLiteral("UC%1abcdefghijklmnopqrs").arg(i % 37);
    v.avatar = QStringLiteral("https://yt3.example.com/ytc/avatar-%1=s88-c-k").arg(i % 37);
    v.duration = 60 + i * 7;
    v.views = 1000 + i * 997;
    v.verified = i % 3 == 0;
    return v;
}

// Fills the library in the app's data folder and lets every write land.
void fillAtCaps()
{
    LibraryStore::waitForWrites();
    TestDirs::isolate();
    LibraryStore lib;
    for (int i = 0; i < 300; ++i) {
        lib.addToHistory(sample(i));
        lib.setPosition(sample(i).id, 30.0 + i);
    }
    for (int i = 0; i < 400; ++i) {
        lib.toggleLike(sample(1000 + i));
        lib.toggleWatchLater(sample(2000 + i));
    }
    for (int i = 0; i < 100; ++i)
        lib.toggleSubscription(QStringLiteral("UC%1").arg(i), QStringLiteral("Canal %1").arg(i),
                               QStringLiteral("https://yt3.example.com/a%1").arg(i));
    for (int i = 0; i < 20; ++i)
        lib.addSearch(QStringLiteral("búsqueda número %1").arg(i));
    for (int p = 0; p < 10; ++p) {
        const QString id = lib.createPlaylist(QStringLiteral("Lista %1").arg(p), std::nullopt);
        for (int i = 0; i < 30; ++i)
            lib.add(sample(3000 + p * 30 + i), id);
    }
    for (int i = 0; i < 10; ++i)
        lib.hideChannel(QStringLiteral("Oculto %1").arg(i));
    lib.flushOnQuit();
}

void BM_Load(benchmark::State &state)
{
    fillAtCaps();
    for (auto _ : state) {
        LibraryStore lib;
        benchmark::DoNotOptimize(lib.history().size());
    }
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

// A list change on the GUI thread: the change, the snapshot encoding and the
// hand-over to the writer.
void BM_ChangeAndQueue(benchmark::State &state)
{
    fillAtCaps();
    LibraryStore lib;
    const Video v = sample(9999);
    for (auto _ : state)
        lib.toggleWatchLater(v);
    LibraryStore::waitForWrites();
}
BENCHMARK(BM_ChangeAndQueue)->Unit(benchmark::kMillisecond);

// The same with the write landing on disk.
void BM_ChangeAndLand(benchmark::State &state)
{
    fillAtCaps();
    LibraryStore lib;
    const Video v = sample(9999);
    for (auto _ : state) {
        lib.toggleWatchLater(v);
        LibraryStore::waitForWrites();
    }
}
BENCHMARK(BM_ChangeAndLand)->Unit(benchmark::kMillisecond);

void BM_AddToHistoryAtCap(benchmark::State &state)
{
    fillAtCaps();
    LibraryStore lib;
    int i = 0;
    for (auto _ : state)
        lib.addToHistory(sample(5000 + (i++ % 400)));
    LibraryStore::waitForWrites();
}
BENCHMARK(BM_AddToHistoryAtCap)->Unit(benchmark::kMillisecond);

void BM_ExportBackup(benchmark::State &state)
{
    fillAtCaps();
    LibraryStore lib;
    for (auto _ : state)
        benchmark::DoNotOptimize(lib.exportBackup());
}
BENCHMARK(BM_ExportBackup)->Unit(benchmark::kMillisecond);

void BM_QueriesAtCap(benchmark::State &state)
{
    fillAtCaps();
    LibraryStore lib;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lib.inProgress());
        benchmark::DoNotOptimize(lib.topChannels());
        benchmark::DoNotOptimize(lib.hasWatched(QStringLiteral("nope")));
        benchmark::DoNotOptimize(lib.isLiked(QStringLiteral("nope")));
    }
}
BENCHMARK(BM_QueriesAtCap)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestDirs::isolate();
    Defaults::useMemory();
    Pref::registerDefaults();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    LibraryStore::waitForWrites();
    return 0;
}
