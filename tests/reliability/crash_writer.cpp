// Appends to one list for ever, printing the index of each change once its operation has
// returned. The crash test kills it at random moments.
#include "store/tockle_store.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    StoreEnvironment env;
    env.applicationSupportDirectory = QString::fromLocal8Bit(argv[1]);
    TockleStore store(env);
    const bool records = std::string_view(argv[2]) == "tockles";
    for (qsizetype i = records ? store.tockles().size() : store.projects().size();; ++i) {
        const QString name = QStringLiteral("r%1").arg(i);
        if (records)
            store.addTockle(Tockle(name, Instant::fromReferenceSeconds(double(i)),
                                   Instant::fromReferenceSeconds(double(i) + 0.5), 0.5));
        else
            store.addProject(name);
        char line[32];
        const int n = std::snprintf(line, sizeof line, "%lld\n", static_cast<long long>(i));
        if (::write(STDOUT_FILENO, line, size_t(n)) != n)
            return 1;
    }
}
