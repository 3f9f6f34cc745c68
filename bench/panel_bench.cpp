#include "history.h"
#include "panel/content_view.h"
#include "panel/panel_rules.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

class SteppingClock final : public Clock {
public:
    Instant now() const override { return Instant::fromReferenceSeconds(t += 1.0); }

private:
    mutable double t = 786303000.0;
};

} // namespace

// One second of a tracking panel that is shown: the clock read, the totals over every record
// and the redraw of every row.
static void BM_PanelTick(benchmark::State& state)
{
    QTemporaryDir dir;
    writeHistory(dir.path(), state.range(0));
    StoreEnvironment env;
    env.applicationSupportDirectory = dir.path();
    env.clock = std::make_shared<SteppingClock>();
    ContentView view(env);
    view.show();
    view.startTracking();
    for (auto _ : state) {
        view.refreshElapsedTime();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_PanelTick)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// One tick's totals alone, from a loaded store, against the floor: one pass adding up every
// record's duration.
static void BM_Totals(benchmark::State& state)
{
    QTemporaryDir dir;
    writeHistory(dir.path(), state.range(0));
    StoreEnvironment env;
    env.applicationSupportDirectory = dir.path();
    TockleStore store(env);
    const QString none;
    for (auto _ : state) {
        const TockleStore::NameIndex index = store.nameIndex();
        benchmark::DoNotOptimize(
            totalsRows({store.projects(), store.tockles(), false, none, 0, none, &index.ids, &index.names}));
    }
}
BENCHMARK(BM_Totals)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

static void BM_FloorDurations(benchmark::State& state)
{
    const QList<Tockle> records = history(state.range(0));
    for (auto _ : state) {
        double sum = 0;
        for (const Tockle& t : records)
            sum += t.duration;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_FloorDurations)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
