#include "Models.h"
#include <benchmark/benchmark.h>

namespace {

// A video as the feed endpoint sends it: every field, Spanish text, a few
// accented letters so normalisation is not skipped by an ASCII fast path.
QJsonObject videoJson(int i)
{
    QJsonObject o;
    o.insert("id", QString("dQw4w9WgX%1").arg(i, 2, 10, QChar('0')));
    o.insert("title", QString("Cómo preparar una paella valenciana auténtica en casa · parte %1").arg(i));
    o.insert("channel", QString("Cocina con Begoña %1").arg(i % 7));
    o.insert("channelId", QString("UCx9Ab3kLmN0pQrStUvWx%1").arg(i % 7));
    o.insert("handle", QString("@cocinabegona%1").arg(i % 7));
    o.insert("avatar", QString("https://yt3.ggpht.example/ytc/AIdro_k%1=s88-c-k-c0x00ffffff-no-rj").arg(i));
    o.insert("duration", 60 + i * 37);
    o.insert("views", qint64(1000 + i) * 7919);
    o.insert("live", i % 17 == 0);
    o.insert("verified", i % 3 == 0);
    o.insert("uploaded", "hace 3 días"); // a key the record does not list
    return o;
}

QByteArray feedReply()
{
    QJsonArray a;
    for (int i = 0; i < 50; ++i)
        a.append(videoJson(i));
    return Json::serialize(a);
}

QList<HistoryEntry> history()
{
    QList<HistoryEntry> list;
    for (int i = 0; i < 300; ++i)
        list.append(HistoryEntry{Video::fromJson(videoJson(i)), 7.6e8 - i * 3611.25 + 0.123456});
    return list;
}

void BM_decodeFeed(benchmark::State &state)
{
    const QByteArray body = feedReply();
    for (auto _ : state) {
        auto videos = Json::decode<QList<Video>>(body);
        benchmark::DoNotOptimize(videos);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_decodeFeed);

void BM_decodeHistory(benchmark::State &state)
{
    const QByteArray body = Json::encode(history());
    for (auto _ : state) {
        auto entries = Json::decode<QList<HistoryEntry>>(body);
        benchmark::DoNotOptimize(entries);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_decodeHistory);

void BM_encodeHistory(benchmark::State &state)
{
    const QList<HistoryEntry> entries = history();
    for (auto _ : state) {
        auto body = Json::encode(entries);
        benchmark::DoNotOptimize(body);
    }
}
BENCHMARK(BM_encodeHistory);

void BM_compareHistory(benchmark::State &state)
{
    const QList<HistoryEntry> a = history();
    const QList<HistoryEntry> b = history(); // equal, not shared
    for (auto _ : state)
        benchmark::DoNotOptimize(a == b);
}
BENCHMARK(BM_compareHistory);

} // namespace

BENCHMARK_MAIN();
