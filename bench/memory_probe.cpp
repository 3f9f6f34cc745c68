// Resident memory of a store holding N records: prints "records bytes_per_record name_bytes".
// With --write DIR it only writes the history files there, for the running program to load.
#include "history.h"
#include "store/tockle_store.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

long residentBytes()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QStringLiteral("--write")) {
        writeHistory(args[2], args[3].toLongLong());
        return 0;
    }
    const qsizetype count = args.size() > 1 ? args[1].toLongLong() : 100000;
    QTemporaryDir dir;
    writeHistory(dir.path(), count);
    malloc_trim(0);
    const long before = residentBytes();
    StoreEnvironment env;
    env.applicationSupportDirectory = dir.path();
    TockleStore store(env);
    malloc_trim(0);
    const long after = residentBytes();
    qsizetype nameBytes = 0;
    for (const QString& name : historyProjects())
        nameBytes += name.size() * 2;
    std::printf("%lld %.1f %lld\n", static_cast<long long>(store.tockles().size()),
                double(after - before - nameBytes) / double(count), static_cast<long long>(nameBytes));
    return 0;
}
