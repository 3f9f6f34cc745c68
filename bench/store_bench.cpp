#include "history.h"
#include "model/json_codec.h"
#include "platform/files.h"
#include "store/csv_export.h"
#include "store/tockle_store.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <ctime>
#include <map>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

// One data folder per history size, made once and shared by every benchmark of that size.
const QString& historyFolder(qsizetype count)
{
    static std::map<qsizetype, std::unique_ptr<QTemporaryDir>> folders;
    auto& dir = folders[count];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        writeHistory(dir->path(), count);
    }
    static std::map<qsizetype, QString> paths;
    return paths[count] = dir->path();
}

QString recordsFile(qsizetype count) { return historyFolder(count) + QStringLiteral("/Tockles/tockles.json"); }

StoreEnvironment environmentFor(const QString& base, const QString& documents = {})
{
    StoreEnvironment env;
    env.applicationSupportDirectory = base;
    env.documentsDirectory = [documents] { return std::optional<QString>(documents); };
    env.clock = std::make_shared<SystemClock>();
    return env;
}

// write + fsync + rename of `bytes`, the least any durable whole-file save can cost.
void plainDurableWrite(const QString& path, const QByteArray& bytes)
{
    const QByteArray temp = QFile::encodeName(path + QStringLiteral(".floor"));
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    benchmark::DoNotOptimize(::write(fd, bytes.constData(), size_t(bytes.size())));
    ::fsync(fd);
    ::close(fd);
    ::rename(temp.constData(), QFile::encodeName(path).constData());
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}

} // namespace

static void BM_StoreLoad(benchmark::State& state)
{
    const QString base = historyFolder(state.range(0));
    for (auto _ : state) {
        TockleStore store(environmentFor(base));
        benchmark::DoNotOptimize(store.tockles().size());
    }
}
BENCHMARK(BM_StoreLoad)->Apply(sizes);

static void BM_FloorRead(benchmark::State& state)
{
    const QString path = recordsFile(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::readWholeFile(path, 64));
}
BENCHMARK(BM_FloorRead)->Apply(sizes);

static void BM_FloorParse(benchmark::State& state)
{
    const QByteArray bytes = platform::readWholeFile(recordsFile(state.range(0))).bytes;
    const simdjson::padded_string padded(bytes.constData(), size_t(bytes.size()));
    // A parser of its own each time, as a program that loads its file once has.
    for (auto _ : state) {
        simdjson::dom::parser parser;
        simdjson::dom::element root;
        benchmark::DoNotOptimize(parser.parse(padded).get(root));
    }
}
BENCHMARK(BM_FloorParse)->Apply(sizes);

namespace {

const Tockle oneStop(QStringLiteral("Client project 1"), Instant::fromReferenceSeconds(786303000),
                     Instant::fromReferenceSeconds(786303600), 600);

QString copyOfHistory(const QTemporaryDir& dir, qsizetype count)
{
    QDir().mkpath(dir.path() + QStringLiteral("/Tockles"));
    const QString file = dir.path() + QStringLiteral("/Tockles/tockles.json");
    QFile::remove(file);
    QFile::copy(recordsFile(count), file);
    return dir.path();
}

} // namespace

// A stop in a running program: the file is the one it wrote at the stop before.
static void BM_AddTockle(benchmark::State& state)
{
    QTemporaryDir dir;
    TockleStore store(environmentFor(copyOfHistory(dir, state.range(0))));
    store.addTockle(oneStop);
    for (auto _ : state)
        store.addTockle(oneStop);
}
BENCHMARK(BM_AddTockle)->Apply(sizes);

// The first stop after a start, which encodes the whole history once.
static void BM_FirstAddTockle(benchmark::State& state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<TockleStore>(environmentFor(copyOfHistory(dir, state.range(0))));
        state.ResumeTiming();
        store->addTockle(oneStop);
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstAddTockle)->Apply(sizes);

static void BM_FloorWriteFsync(benchmark::State& state)
{
    QTemporaryDir dir;
    const QByteArray bytes = platform::readWholeFile(recordsFile(state.range(0))).bytes;
    const QString path = dir.filePath(QStringLiteral("floor.json"));
    for (auto _ : state)
        plainDurableWrite(path, bytes);
}
BENCHMARK(BM_FloorWriteFsync)->Apply(sizes);

static void BM_Export(benchmark::State& state)
{
    QTemporaryDir documents;
    TockleStore store(environmentFor(historyFolder(state.range(0)), documents.path()));
    for (auto _ : state)
        store.exportCSV();
}
BENCHMARK(BM_Export)->Apply(sizes);

// Writing the export's byte count durably, plus turning every instant into a date text the
// plainest way the C library offers.
static void BM_FloorExport(benchmark::State& state)
{
    QTemporaryDir dir;
    TockleStore store(environmentFor(historyFolder(state.range(0))));
    const QByteArray bytes = csvText(store.tockles());
    const QString path = dir.filePath(QStringLiteral("floor.csv"));
    for (auto _ : state) {
        char text[32];
        for (const Tockle& t : store.tockles()) {
            for (double s : {t.startTime.secondsSince1970(), t.endTime.secondsSince1970()}) {
                const time_t whole = time_t(s);
                tm parts;
                gmtime_r(&whole, &parts);
                benchmark::DoNotOptimize(strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts));
            }
        }
        plainDurableWrite(path, bytes);
    }
}
BENCHMARK(BM_FloorExport)->Apply(sizes);
