// Several writers of one history: another computer's sync, a hand edit, a second copy of the
// program, a sync tool's conflict copies. Nothing any of them saved is lost or doubled.
#include "model/json_codec.h"
#include "store/merge.h"
#include "store/tockle_store.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Root reads every file; a user at a desktop does not. File access as another user meanwhile.
class ActingAsAnotherUser {
public:
    ActingAsAnotherUser() { become(65534); }
    ~ActingAsAnotherUser() { become(0); }
    // Root again for a while: to do what only the files' owner may.
    template <typename F>
    void pause(F f) const
    {
        become(0);
        f();
        become(65534);
    }

private:
    void become(uid_t uid) const
    {
        if (root)
            setfsuid(uid);
    }
    const bool root = geteuid() == 0;
};

Tockle record(const char* name)
{
    return Tockle(QString::fromLatin1(name), Instant::fromReferenceSeconds(1), Instant::fromReferenceSeconds(2), 1);
}

QStringList names(const QList<Tockle>& list)
{
    QStringList out;
    for (const Tockle& t : list)
        out.append(t.projectName);
    return out;
}

// The store's name index names each record's project.
bool indexMatches(const TockleStore& store)
{
    const TockleStore::NameIndex index = store.nameIndex();
    if (index.ids.size() != store.tockles().size())
        return false;
    for (qsizetype i = 0; i < index.ids.size(); ++i) {
        if (index.names.at(index.ids[i]) != store.tockles()[i].projectName)
            return false;
    }
    return true;
}

// Last changed an hour ago.
bool older(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
           && file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
}

QStringList split(const char* list)
{
    return QString::fromLatin1(list).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

class MergeTest : public ::testing::Test {
protected:
    std::unique_ptr<TockleStore> store(std::chrono::milliseconds writerSettle = std::chrono::seconds(5))
    {
        StoreEnvironment env;
        env.applicationSupportDirectory = folder.path();
        env.takenInCopiesFile = folder.file(QStringLiteral("state/conflict-copies.json"));
        env.writerSettle = writerSettle;
        return std::make_unique<TockleStore>(env);
    }
    QStringList onDisk() const { return names(decodeTockles(folder.read(folder.dataFile("tockles.json"))).value()); }
    QByteArray projectsOnDisk() const { return folder.read(folder.dataFile("projects.json")); }
    // As a sync tool delivers a file: written beside it, then renamed into place.
    void deliver(const char* name, const QByteArray& bytes) const
    {
        folder.write(folder.dataFile("incoming.tmp"), bytes);
        QFile::remove(folder.dataFile(name));
        QFile::rename(folder.dataFile("incoming.tmp"), folder.dataFile(name));
    }

    TempFolder folder;
};

} // namespace

TEST(MergeRules, ProjectsThreeWay)
{
    struct Row {
        const char *base, *ours, *theirs, *merged;
    };
    const Row rows[] = {
        {"X,Y", "X,Y", "X,Y", "X,Y"},
        {"X,Y", "Y", "X,Y,Z", "Y,Z"},   // we removed X, they added Z
        {"X,Y", "X,Y,W", "Y", "Y,W"},   // they removed X, we added W
        {"", "A", "B", "B,A"},          // both added: the file's order first
        {"A", "A,B", "A,B", "A,B"},     // both added the same name once
        {"A,B", "B,A", "A,B", "A,B"},   // order follows the file
        {"A", "", "A,A", ""},           // we removed a name the file lists twice
        {"A", "A", "A,A", "A,A"},       // a name listed twice stays as the file has it
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.base) + " | " + row.ours + " | " + row.theirs);
        EXPECT_EQ(mergedProjects(split(row.base), split(row.ours), split(row.theirs)), split(row.merged));
    }
}

TEST(MergeRules, RecordsAreTheUnionByIdInTheFilesOrderThenOurs)
{
    const Tockle a = record("a"), b = record("b"), c = record("c");
    EXPECT_EQ(names(mergedTockles({a, b}, {a, c})), split("a,b,c"));
    EXPECT_EQ(names(mergedTockles({}, {c, a})), split("c,a"));
    EXPECT_EQ(names(mergedTockles({b, b}, {b})), split("b,b")) << "what the file holds stays as it is";
}

TEST_F(MergeTest, TwoCopiesAppendingToOneFolderLoseNothing)
{
    auto first = store();
    auto second = store();
    first->addTockle(record("a1"));
    EXPECT_TRUE(indexMatches(*first));
    second->addTockle(record("b1"));
    EXPECT_TRUE(indexMatches(*second));
    first->addTockle(record("a2"));
    second->addTockle(record("b2"));
    EXPECT_EQ(onDisk(), split("a1,b1,a2,b2"));
    EXPECT_EQ(names(second->tockles()), onDisk());
    EXPECT_TRUE(indexMatches(*first)) << "the index follows appends and merges";
    EXPECT_TRUE(indexMatches(*second));

    first->addProject(QStringLiteral("X"));
    first->addProject(QStringLiteral("Y"));
    second->refreshFromDisk();
    first->removeProject(QStringLiteral("X"));
    second->addProject(QStringLiteral("Z"));
    EXPECT_EQ(projectsOnDisk(), R"(["Y","Z"])");
    first->refreshFromDisk();
    EXPECT_EQ(first->projects(), split("Y,Z"));

    // Another computer's first list, made before the two ever synced, shares no name with ours.
    deliver("projects.json", R"(["Other"])");
    first->refreshFromDisk();
    EXPECT_EQ(first->projects(), split("Other,Y,Z")) << "nothing of ours counts as removed";
}

TEST_F(MergeTest, AHandEditBetweenSavesIsKeptAndAnUndecodableOneSetAside)
{
    auto s = store();
    Tockle r1 = record("r1");
    s->addTockle(r1);
    // Moved to another project: the same id and count, only a field differs.
    r1.projectName = QStringLiteral("moved");
    deliver("tockles.json", encodeTockles({r1}).value());
    s->refreshFromDisk();
    EXPECT_EQ(names(s->tockles()), split("moved")) << "a record corrected by hand is taken in";
    deliver("tockles.json", encodeTockles({r1, record("hand")}).value());
    s->addTockle(record("r2"));
    EXPECT_EQ(onDisk(), split("moved,hand,r2"));

    deliver("tockles.json", "garbage");
    s->addTockle(record("r3"));
    EXPECT_EQ(onDisk(), split("moved,hand,r2,r3")) << "memory is written, nothing is merged from garbage";
    const QStringList entries = folder.entries(QStringLiteral("Tockles"));
    const auto aside = std::find_if(entries.cbegin(), entries.cend(),
                                    [](const QString& e) { return e.contains(QLatin1String("unreadable")); });
    ASSERT_NE(aside, entries.cend());
    EXPECT_EQ(folder.read(folder.file(QStringLiteral("Tockles/") + *aside)), "garbage");
}

TEST_F(MergeTest, ConflictCopiesOfSyncToolsAreMergedAndLeftAlone)
{
    const Tockle r1 = record("r1");
    folder.write(folder.dataFile("tockles.json"), encodeTockles({r1}).value());
    const QByteArray syncthing = encodeTockles({r1, record("c1")}).value();
    const QByteArray dropbox = encodeTockles({record("c2")}).value();
    folder.write(folder.dataFile("tockles.sync-conflict-20261207-010203-ABCDEFG.json"), syncthing);
    folder.write(folder.dataFile("tockles (Laptop's conflicted copy 2026-12-07).json"), dropbox);
    auto s = store();
    // Copies are taken in the order of their names.
    EXPECT_EQ(names(s->tockles()), split("r1,c2,c1"));
    EXPECT_EQ(onDisk(), split("r1,c2,c1"));
    EXPECT_EQ(folder.read(folder.dataFile("tockles.sync-conflict-20261207-010203-ABCDEFG.json")), syncthing);
    EXPECT_EQ(folder.read(folder.dataFile("tockles (Laptop's conflicted copy 2026-12-07).json")), dropbox);
    s->addTockle(record("r2"));
    EXPECT_EQ(onDisk(), split("r1,c2,c1,r2")) << "a copy is merged once, not at every save";
    // OneDrive's Linux client renames our side away, naming this computer; other names are not copies.
    s.reset();
    const QString host = folder.dataFile("tockles-") + QSysInfo::machineHostName();
    folder.write(host + QStringLiteral(".json"), encodeTockles({record("c3")}).value());
    folder.write(host + QStringLiteral("-2.json"), encodeTockles({record("c4")}).value());
    folder.write(folder.dataFile("tockles-Laptop-safeBackup-0001.json"), encodeTockles({record("c5")}).value());
    folder.write(folder.dataFile("tockles-notes.json"), encodeTockles({record("n1")}).value());
    QStringList taken = names(store()->tockles());
    taken.sort();
    EXPECT_EQ(taken, split("c1,c2,c3,c4,c5,r1,r2"));

    // A copy of the names, newer than the file: its names are added, each once.
    s.reset();
    folder.write(folder.dataFile("projects.json"), R"(["A","B","B"])");
    const QString copy = folder.dataFile("projects.sync-conflict-20261207-010203-ABCDEFG.json");
    folder.write(copy, R"(["C","B","C","A"])");
    QFile touched(copy);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite)
                && touched.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime));
    touched.close();
    EXPECT_EQ(store()->projects(), split("A,B,B,C")) << "the file's own repeat stays as it is";
    EXPECT_EQ(projectsOnDisk(), R"(["A","B","B","C"])");
}

// Syncthing keeps the older side of a conflict as the copy. Each copy of the names is taken
// in once, by the running program or at the next start, and a name removed later stays removed.
TEST_F(MergeTest, ANamesCopyOlderThanTheFileIsTakenInOnce)
{
    auto s = store();
    s->addProject(QStringLiteral("A"));
    s->addProject(QStringLiteral("Here"));
    // Meanwhile the other computer added "There"; its file is kept, ours becomes the copy.
    const QString ours = folder.dataFile("projects.sync-conflict-20261208-031952-ABCDEFG.json");
    ASSERT_TRUE(QFile::rename(folder.dataFile("projects.json"), ours) && older(ours));
    deliver("projects.json", R"(["A","There"])");
    QList<QStringList> announced;
    QObject::connect(s.get(), &TockleStore::projectsChanged, [&](const QStringList& list) { announced.append(list); });
    s->refreshFromDisk();
    EXPECT_EQ(s->projects(), split("A,There,Here"));
    EXPECT_EQ(announced, QList<QStringList>{split("A,There,Here")}) << "the selection rule never hears of a list without it";
    EXPECT_EQ(projectsOnDisk(), R"(["A","There","Here"])");
    s->removeProject(QStringLiteral("Here"));
    s.reset();
    EXPECT_EQ(store()->projects(), split("A,There")) << "a name removed after its copy was taken in";

    const QString whileAway = folder.dataFile("projects.sync-conflict-20261208-040000-ABCDEFG.json");
    folder.write(whileAway, R"(["A","Away"])");
    ASSERT_TRUE(older(whileAway));
    EXPECT_EQ(store()->projects(), split("A,There,Away")) << "a copy that came while no copy ran";

    // Nothing known of earlier runs (a new computer): copies older than the file count as in it.
    ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("state/conflict-copies.json"))));
    store()->removeProject(QStringLiteral("Away"));
    EXPECT_EQ(store()->projects(), split("A,There"));
}

// The note of copies taken in is kept on this computer's own disk. Should writing it fail (that
// disk full for a moment), it is written later, at the latest at exit.
TEST_F(MergeTest, ANoteOfCopiesThatCouldNotBeWrittenIsWrittenLater)
{
    store()->addProject(QStringLiteral("A"));
    const QByteArray state = QFile::encodeName(folder.file(QStringLiteral("state")));
    if (::mount(state.constData(), state.constData(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "mounting needs root";
    ASSERT_EQ(::mount(nullptr, state.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr), 0);
    auto s = store();
    folder.write(folder.dataFile("projects.sync-conflict-1.json"), R"(["A","Copy"])");
    s->refreshFromDisk();
    EXPECT_EQ(s->projects(), split("A,Copy"));
    s->removeProject(QStringLiteral("Copy"));
    ::umount2(state.constData(), MNT_DETACH);
    s->saveUnsavedLists();
    s.reset();
    EXPECT_EQ(store()->projects(), split("A")) << "the copy is not taken in again";
}

TEST_F(MergeTest, AFileChangedWhileIdleIsTakenInWithoutASave)
{
    const EventLoop loop;
    auto s = store();
    s->addProject(QStringLiteral("Here"));
    int notices = 0;
    QStringList announced;
    QObject::connect(s.get(), &TockleStore::objectWillChange, [&] { ++notices; });
    QObject::connect(s.get(), &TockleStore::projectsChanged, [&](const QStringList& list) { announced = list; });
    deliver("tockles.json", encodeTockles({record("elsewhere")}).value());
    deliver("projects.json", R"(["Here","There"])");
    waitUntil([&] { return !s->tockles().isEmpty() && s->projects().size() == 2; }, 30000);
    EXPECT_EQ(names(s->tockles()), split("elsewhere"));
    EXPECT_EQ(s->projects(), split("Here,There"));
    EXPECT_EQ(announced, split("Here,There")) << "the selection rule hears of it";
    EXPECT_GE(notices, 2);
}

// A data folder on a drive that comes up after login (linked into it, or the drive mounted on
// the folder itself), or linked into a sync folder not made yet: what it holds is read once it
// is there, and what arrives later is seen, without a change or a restart.
TEST_F(MergeTest, AFolderThatComesAfterTheStartIsReadWhenItComes)
{
    const EventLoop loop;
    for (const bool mountedOnIt : {false, true}) {
        SCOPED_TRACE(mountedOnIt ? "a drive mounted on the folder" : "a link into a drive");
        const QString data = folder.file(QStringLiteral("data%1").arg(mountedOnIt));
        const QString drive = mountedOnIt ? data + QStringLiteral("/Tockles") : folder.file(QStringLiteral("drive/Tockles"));
        QDir().mkpath(mountedOnIt ? drive : data);
        if (!mountedOnIt) {
            ASSERT_TRUE(QFile::link(drive, data + QStringLiteral("/Tockles")));
        }
        StoreEnvironment env;
        env.applicationSupportDirectory = data;
        env.folderCheckInterval = std::chrono::milliseconds(10);
        TockleStore s(env);
        QCoreApplication::processEvents(); // the store settles with no folder, or an empty one
        EXPECT_TRUE(s.projects().isEmpty());
        if (mountedOnIt && ::mount("tmpfs", QFile::encodeName(drive).constData(), "tmpfs", 0, "size=64k") != 0)
            continue; // mounting needs root
        folder.write(drive + QStringLiteral("/tockles.json"), encodeTockles({record("Design")}).value());
        folder.write(drive + QStringLiteral("/projects.json"), R"(["Design"])");
        waitUntil([&] { return !s.tockles().isEmpty() && !s.projects().isEmpty(); }, 30000);
        EXPECT_EQ(names(s.tockles()), split("Design"));
        EXPECT_EQ(s.projects(), split("Design"));
        folder.write(drive + QStringLiteral("/tockles.sync-conflict-1.json"), encodeTockles({record("Later")}).value());
        waitUntil([&] { return s.tockles().size() == 2; }, 30000);
        EXPECT_EQ(names(s.tockles()), split("Design,Later")) << "the folder is watched where it now is";
        EXPECT_FALSE(s.hasUnsavedChanges());
        if (mountedOnIt)
            ::umount2(QFile::encodeName(drive).constData(), MNT_DETACH);
    }
}

// A file written in place (a backup restored, a slow copy) does not decode until it is whole:
// it is waited for and merged, not set aside. One that stays undecodable is still set aside.
TEST_F(MergeTest, AFileStillBeingWrittenIsWaitedForNotSetAside)
{
    const EventLoop loop;
    const auto firstHalf = [](QFile& f, const QByteArray& b) {
        return f.open(QIODevice::WriteOnly) && f.write(b.left(b.size() / 2)) > 0 && f.flush();
    };
    const auto rest = [](QFile& f, const QByteArray& b) { f.write(b.mid(b.size() / 2)), f.close(); };
    const Tockle old1 = record("old1"), old2 = record("old2");
    const QByteArray restored = encodeTockles({old1, old2}).value(), restoredNames = R"(["Old","Names"])";
    QFile tockles(folder.dataFile("tockles.json")), projects(folder.dataFile("projects.json"));
    QDir().mkpath(folder.file(QStringLiteral("Tockles")));
    ASSERT_TRUE(firstHalf(tockles, restored) && firstHalf(projects, restoredNames));
    auto s = store(std::chrono::hours(1)); // the halves are being written all that time
    rest(tockles, restored);
    rest(projects, restoredNames);
    EXPECT_TRUE(waitUntil([&] { return names(s->tockles()) == split("old1,old2") && s->projects() == split("Old,Names"); }));

    // While it runs: half a file comes with another change, then the rest of it.
    const QByteArray more = encodeTockles({old1, old2, record("old3")}).value();
    ASSERT_TRUE(firstHalf(tockles, more));
    deliver("projects.json", R"(["Old","Names","New"])");
    EXPECT_TRUE(waitUntil([&] { return s->projects().size() == 3; }));
    EXPECT_EQ(folder.entries(QStringLiteral("Tockles")), split("projects.json,tockles.json")) << "nothing set aside";
    rest(tockles, more);
    EXPECT_TRUE(waitUntil([&] { return s->tockles().size() == 3; }));
    // Quitting meanwhile: what memory holds is saved all the same, and the half set aside.
    ASSERT_TRUE(firstHalf(tockles, encodeTockles({record("new")}).value()));
    deliver("projects.json", R"(["Old","Names"])");
    EXPECT_TRUE(waitUntil([&] { return s->projects().size() == 2; }));
    s->saveUnsavedLists();
    tockles.close();
    EXPECT_EQ(onDisk(), split("old1,old2,old3"));
    EXPECT_EQ(folder.entries(QStringLiteral("Tockles")).size(), 3);

    // Garbage that nobody writes any more is set aside, and the history written back.
    folder.write(folder.dataFile("garbage"), "[{\"id\":");
    ASSERT_TRUE(older(folder.dataFile("garbage")));
    QFile::remove(folder.dataFile("tockles.json"));
    QFile::rename(folder.dataFile("garbage"), folder.dataFile("tockles.json"));
    EXPECT_TRUE(waitUntil([&] { return folder.entries(QStringLiteral("Tockles")).size() == 4; }));
    EXPECT_EQ(onDisk(), split("old1,old2,old3"));
}

// A file there but not readable for now (a network drive that errs, a file restored with another
// owner) holds history all the same: it is neither set aside nor written over, and once it reads
// again the changes made meanwhile are merged into it. A conflict copy likewise is read once it
// can be.
TEST_F(MergeTest, AFileThatCannotBeReadIsWaitedForNotReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a file of another owner needs root"; // the user's own is made readable
    const EventLoop loop;
    folder.write(folder.dataFile("tockles.json"), encodeTockles({record("before")}).value());
    folder.write(folder.dataFile("projects.json"), R"(["Before"])");
    folder.write(folder.dataFile("tockles.sync-conflict-1.json"), encodeTockles({record("copy")}).value());
    const QStringList files{folder.dataFile("tockles.json"), folder.dataFile("projects.json"),
                            folder.dataFile("tockles.sync-conflict-1.json")};
    for (const QString& path : {folder.path(), folder.file(QStringLiteral("Tockles"))})
        QFile::setPermissions(path, QFileDevice::Permissions(0x7777));
    const auto readable = [&](bool yes) {
        for (const QString& file : files)
            QFile::setPermissions(file, yes ? QFileDevice::Permissions(0x6644) : QFileDevice::Permissions());
    };
    readable(false);
    StoreEnvironment env;
    env.applicationSupportDirectory = folder.path();
    env.folderCheckInterval = std::chrono::milliseconds(10);
    env.saveRetryInterval = std::chrono::hours(1); // the file is waited for, not the retry
    {
        const ActingAsAnotherUser other; // root reads everything
        TockleStore s(env);
        QCoreApplication::processEvents();
        s.addProject(QStringLiteral("Meanwhile"));
        s.addTockle(record("meanwhile"));
        EXPECT_TRUE(s.hasUnsavedChanges());
        other.pause([&] {
            EXPECT_EQ(folder.entries(QStringLiteral("Tockles")), split("projects.json,tockles.json,tockles.sync-conflict-1.json"));
            readable(true);
            EXPECT_EQ(onDisk(), split("before")) << "nothing written over";
        });
        waitUntil([&] { return !s.hasUnsavedChanges(); }, 30000);
        EXPECT_EQ(names(s.tockles()), split("before,meanwhile,copy"));
        EXPECT_EQ(s.projects(), split("Before,Meanwhile"));
    }
    EXPECT_EQ(onDisk(), split("before,meanwhile,copy"));
    EXPECT_EQ(projectsOnDisk(), R"(["Before","Meanwhile"])");
}
