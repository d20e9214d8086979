#include "YouTubeLink.h"

#include <QList>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

// 10,000 texts as the app meets them: opened and pasted links of every
// form, with times and playlists, and some that are no link at all.
QList<QString> sampleTexts()
{
    static const char *const forms[] = {
        "https://www.youtube.com/watch?v=%1",
        "https://www.youtube.com/watch?v=%1&t=1h2m3s",
        "https://m.youtube.com/watch?v=%1&feature=share&t=90",
        "https://music.youtube.com/watch?v=%1&list=RDAMVM%1",
        "youtube.com/watch?v=%1",
        "https://youtu.be/%1",
        "https://youtu.be/%1?si=Qx81bT0aLk3pZ&t=42",
        "  https://youtu.be/%1\n",
        "https://www.youtube.com/shorts/%1?feature=share",
        "https://www.youtube.com/embed/%1?start=30",
        "https://www.youtube.com/live/%1",
        "https://www.youtube.com/playlist?list=PL%1abc",
        "https://www.youtube.com/watch?v=bad&list=PL%1abc",
        "nimbelora://watch?v=%1&t=15",
        "https://example.com/watch?v=%1",
        "mira este vídeo https://youtu.be/%1",
        "recetas de cocina",
        "",
    };
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
    QRandomGenerator rng(42);
    QList<QString> texts;
    texts.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        QString id;
        for (int k = 0; k < 11; ++k)
            id.append(QLatin1Char(alphabet[rng.bounded(64)]));
        const QString form = QString::fromUtf8(forms[rng.bounded(int(std::size(forms)))]);
        texts.append(form.contains(u"%1") ? form.arg(id) : form);
    }
    return texts;
}

const QList<QString> &texts()
{
    static const QList<QString> t = sampleTexts();
    return t;
}

// What the opened-link handler and the search field do with each text.
void BM_links_all_three(benchmark::State &state)
{
    for (auto _ : state) {
        for (const QString &s : texts()) {
            if (auto id = YouTubeLink::parse(s)) {
                benchmark::DoNotOptimize(id);
                benchmark::DoNotOptimize(YouTubeLink::timestamp(s));
            } else {
                benchmark::DoNotOptimize(YouTubeLink::playlistID(s));
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * texts().size());
}
BENCHMARK(BM_links_all_three)->Unit(benchmark::kMillisecond);

void BM_links_parse(benchmark::State &state)
{
    for (auto _ : state)
        for (const QString &s : texts())
            benchmark::DoNotOptimize(YouTubeLink::parse(s));
    state.SetItemsProcessed(state.iterations() * texts().size());
}
BENCHMARK(BM_links_parse)->Unit(benchmark::kMillisecond);

void BM_links_timestamp(benchmark::State &state)
{
    for (auto _ : state)
        for (const QString &s : texts())
            benchmark::DoNotOptimize(YouTubeLink::timestamp(s));
    state.SetItemsProcessed(state.iterations() * texts().size());
}
BENCHMARK(BM_links_timestamp)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
