#include "history.h"
#include "model/json_codec.h"

#include <benchmark/benchmark.h>

static void BM_EncodeTockles(benchmark::State& state)
{
    const QList<Tockle> list = history(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeTockles(list));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeTockles)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

static void BM_DecodeTockles(benchmark::State& state)
{
    QByteArray bytes = encodeTockles(history(state.range(0))).value();
    bytes.reserve(bytes.size() + jsonReadPadding());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeTockles(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeTockles)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
