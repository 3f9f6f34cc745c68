// Saves that fail part-way, on a file size limit and on a real file system that is full or
// read-only: the old file stays whole, memory keeps the change, a later save catches up.
#include "model/json_codec.h"
#include "store/tockle_store.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

Tockle record(int i)
{
    return Tockle(QStringLiteral("Project %1").arg(i % 7), Instant::fromReferenceSeconds(786303000.0 + i),
                  Instant::fromReferenceSeconds(786303000.5 + i), 0.5);
}

std::unique_ptr<TockleStore> storeIn(const QString& base)
{
    StoreEnvironment env;
    env.applicationSupportDirectory = base;
    return std::make_unique<TockleStore>(env);
}

qsizetype recordsOnDisk(const TempFolder& folder, const QString& path)
{
    if (!QFile::exists(path))
        return 0;
    const auto decoded = decodeTockles(folder.read(path));
    return decoded ? decoded->size() : -1;
}

// Lowers the file size limit for one scope; writes past it fail instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit old{};
    void (*previousHandler)(int) = nullptr;
};

// A small tmpfs of its own where the machine lets the test mount one (as root).
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString& where) : path(QFile::encodeName(where))
    {
        mounted = ::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted)
            ::umount2(path.constData(), MNT_DETACH);
    }
    bool remount(const char* options, unsigned long flags = 0)
    {
        return ::mount("tmpfs", path.constData(), "tmpfs", MS_REMOUNT | flags, options) == 0;
    }
    bool mounted = false;

private:
    QByteArray path;
};

} // namespace

TEST(DiskFull, AWriteCutShortLeavesTheOldFileAndTheNextSaveCatchesUp)
{
    TempFolder folder;
    auto store = storeIn(folder.path());
    for (int i = 0; i < 50; ++i)
        store->addTockle(record(i));
    const QString path = store->fileURL();
    const QByteArray before = folder.read(path);
    {
        FileSizeLimit limit(rlim_t(before.size()));
        store->addTockle(record(50));
        store->addTockle(record(51));
    }
    EXPECT_EQ(folder.read(path), before) << "the old file is intact";
    EXPECT_EQ(store->tockles().size(), 52) << "memory keeps the changes";
    EXPECT_EQ(folder.entries(QStringLiteral("Tockles")), QStringList{QStringLiteral("tockles.json")})
        << "the unfinished save left nothing behind";

    store->addTockle(record(52));
    EXPECT_EQ(recordsOnDisk(folder, path), 53);
    EXPECT_EQ(storeIn(folder.path())->tockles().size(), 53);
}

// Changes made while saves fail reach the disk later without another change to the same list:
// with the next save of the other list, on the retry timer, at exit, or, the disk still full at
// exit, kept in memory elsewhere and saved by the next start.
TEST(DiskFull, ChangesMadeWhileSavesFailAreSavedLaterWithoutAnotherChange)
{
    TempFolder folder;
    const QString base = folder.file(QStringLiteral("small"));
    QDir().mkpath(base);
    SmallFileSystem fs(base);
    if (!fs.mounted)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    const EventLoop loop;

    StoreEnvironment env;
    env.applicationSupportDirectory = base;
    env.saveRetryInterval = std::chrono::milliseconds(10);
    env.rescueDirectory = folder.file(QStringLiteral("runtime/tockles-unsaved"));
    struct Way {
        const char* failure;
        const char* catchUp;
    };
    const QString filler = base + QStringLiteral("/filler");
    for (const Way way : {Way{"read-only", "the other list"}, Way{"read-only", "the timer"}, Way{"read-only", "exit"},
                          Way{"full", "exit"}, Way{"full", "the next start"}}) {
        SCOPED_TRACE(std::string(way.failure) + ", caught up by " + way.catchUp);
        auto store = std::make_unique<TockleStore>(env);
        const qsizetype records = store->tockles().size();
        const QString project = QString::fromLatin1(way.failure) + QString::fromLatin1(way.catchUp);
        if (std::string_view(way.failure) == "full") {
            QFile fill(filler);
            ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (fill.write(block) == block.size() && fill.flush()) {
            }
        } else {
            ASSERT_TRUE(fs.remount("size=1m", MS_RDONLY));
        }
        store->addProject(project);
        store->addTockle(record(int(records)));
        EXPECT_TRUE(store->hasUnsavedChanges());
        EXPECT_EQ(recordsOnDisk(folder, store->fileURL()), records) << "the last good file is whole";
        QString removed;
        if (std::string_view(way.catchUp) == "the next start") {
            removed = store->projects().constFirst(); // a name saved by an earlier way
            store->removeProject(removed);
            store->saveUnsavedLists(); // Quit, the disk still full
            EXPECT_TRUE(store->hasUnsavedChanges());
            store.reset();
        }
        QFile::remove(filler);
        ASSERT_TRUE(fs.remount("size=1m"));
        if (std::string_view(way.catchUp) == "the other list") {
            store->removeProject(QStringLiteral("nothing of that name"));
        } else if (std::string_view(way.catchUp) == "the timer") {
            waitUntil([&] { return !store->hasUnsavedChanges(); }, 30000);
        } else if (store) {
            store->saveUnsavedLists(); // what Quit and the end of the session do
        }
        EXPECT_FALSE(store && store->hasUnsavedChanges());
        store.reset();
        for (int start = 0; start < 2; ++start) { // the second reads only the disk
            const auto reloaded = std::make_unique<TockleStore>(env);
            EXPECT_TRUE(reloaded->containsProject(project));
            EXPECT_TRUE(removed.isEmpty() || !reloaded->containsProject(removed)) << "a removal sticks";
            EXPECT_EQ(reloaded->tockles().size(), records + 1);
            EXPECT_FALSE(QFileInfo::exists(*env.rescueDirectory)) << "kept only until saved";
        }
    }
}
