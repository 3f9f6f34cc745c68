#include "model/json_codec.h"
#include "store/tockle_store.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class StoreTest : public ::testing::Test {
protected:
    std::unique_ptr<TockleStore> makeStore(const QString& base = {})
    {
        StoreEnvironment env;
        env.applicationSupportDirectory = base.isEmpty() ? folder.path() : base;
        env.clock = clock;
        auto store = std::make_unique<TockleStore>(env);
        QObject::connect(store.get(), &TockleStore::objectWillChange, [this] { ++notices; });
        QObject::connect(store.get(), &TockleStore::projectsChanged, [this](const QStringList& l) { announced.append(l); });
        return store;
    }
    QByteArray bytes(const char* name) const { return folder.read(folder.dataFile(name)); }
    void write(const char* name, const QByteArray& bytes) const { folder.write(folder.dataFile(name), bytes); }
    void remove(const char* name) const { QFile::remove(folder.dataFile(name)); }
    QStringList entries() const { return folder.entries(QStringLiteral("Tockles")); }

    TempFolder folder;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>(786303000); // 2025-12-01 17:30:00 UTC
    int notices = 0;
    QList<QStringList> announced;
};

const QString nfc = QString::fromUtf8("Caf\xC3\xA9");
const QString nfd = QString::fromUtf8("Cafe\xCC\x81");

QStringList list(const char* csv) { return QString::fromLatin1(csv).split(QLatin1Char(',')); }

Tockle sample(const QString& name, double start = 100, double length = 10.5)
{
    return Tockle(name, Instant::fromReferenceSeconds(start), Instant::fromReferenceSeconds(start + length), length);
}

} // namespace

TEST_F(StoreTest, StartingCreatesTheFolderAndLoadingTouchesNothing)
{
    const QString base = folder.file(QStringLiteral("deep/er"));
    auto fresh = makeStore(base);
    EXPECT_TRUE(QDir(base + QStringLiteral("/Tockles")).isEmpty());
    EXPECT_EQ(fresh->fileURL(), base + QStringLiteral("/Tockles/tockles.json"));
    EXPECT_EQ(fresh->projectsFileURL(), base + QStringLiteral("/Tockles/projects.json"));

    const QByteArray records = encodeTockles({sample(QStringLiteral("A"))}).value();
    write("tockles.json", records);
    auto store = makeStore();
    EXPECT_EQ(store->tockles().size(), 1);
    EXPECT_TRUE(store->projects().isEmpty()) << "a missing projects file beside sound records";
    write("projects.json", R"(["B","A","B"])");
    EXPECT_EQ(makeStore()->projects(), list("B,A,B"));
    EXPECT_EQ(bytes("tockles.json"), records);
    EXPECT_EQ(entries(), list("projects.json,tockles.json"));
    EXPECT_EQ(notices, 0);
}

TEST_F(StoreTest, ProjectsAppendInOrderIgnoreEquivalentNamesAndRemovalAlwaysRewrites)
{
    auto store = makeStore();
    store->addProject(QStringLiteral("Zeta"));
    store->addProject(QStringLiteral("Alpha"));
    EXPECT_EQ(bytes("projects.json"), R"(["Zeta","Alpha"])");
    EXPECT_EQ(announced.last(), list("Zeta,Alpha"));
    store->addProject(nfc);
    remove("projects.json");
    store->addProject(QStringLiteral("Zeta"));
    store->addProject(nfd);
    EXPECT_EQ(notices, 3) << "a name already there sends no notice";
    EXPECT_FALSE(QFile::exists(folder.dataFile("projects.json"))) << "and writes nothing";
    store->addProject(QStringLiteral("zeta"));
    EXPECT_EQ(store->projects().last(), QStringLiteral("zeta")) << "names are case-sensitive";

    write("projects.json", "[\"A\",\"" + nfd.toUtf8() + "\",\"B\",\"" + nfc.toUtf8() + "\"]");
    auto other = makeStore();
    other->addTockle(sample(QStringLiteral("A")));
    notices = 0;
    other->removeProject(nfc);
    EXPECT_EQ(bytes("projects.json"), R"(["A","B"])") << "every equivalent entry goes";
    remove("projects.json");
    other->removeProject(QStringLiteral("missing"));
    EXPECT_EQ(notices, 2) << "a name that is not there still sends a notice";
    EXPECT_EQ(bytes("projects.json"), R"(["A","B"])") << "and rewrites the unchanged list";
    other->removeProject(QStringLiteral("A"));
    EXPECT_EQ(decodeTockles(bytes("tockles.json"))->size(), 1) << "a project's records stay";
}

TEST_F(StoreTest, RecordsAppendAndEachSaveWritesExactlyTheWholeList)
{
    write("tockles.json",
          R"([{"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1,"endTime":2,"duration":1,"note":"x"}])");
    auto store = makeStore();
    const Tockle added = sample(QStringLiteral("B"));
    store->addTockle(added);
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(announced.isEmpty());
    EXPECT_EQ(bytes("tockles.json"),
              R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","projectName":"A","startTime":1,"endTime":2,"duration":1},)"
                  + encodeTockles({added})->mid(1))
        << "extra members are dropped";
    store->addTockle(sample(QStringLiteral("C")));
    store->addTockle(sample(QStringLiteral("D/\u00e9")));
    EXPECT_EQ(bytes("tockles.json"), encodeTockles(store->tockles()).value());
    // Same length, other bytes behind the store's back (garbled here): not taken for its own.
    QByteArray edited = bytes("tockles.json");
    write("tockles.json", edited.replace("\"C\"", "\"C\\"));
    store->addTockle(sample(QStringLiteral("E")));
    EXPECT_EQ(bytes("tockles.json"), encodeTockles(store->tockles()).value());
    EXPECT_EQ(makeStore()->tockles().size(), 5);
}

// A history of several megabytes is read in slices; what is saved after it is still exactly the
// old bytes with the new record appended.
TEST_F(StoreTest, ALongHistorySavesByteForByte)
{
    QList<Tockle> history;
    for (int i = 0; i < 30000; ++i)
        history.append(sample(QStringLiteral("Client %1").arg(i % 40), i * 20.25));
    const QByteArray before = encodeTockles(history).value();
    write("tockles.json", before);
    auto store = makeStore();
    ASSERT_EQ(store->tockles().size(), history.size());
    const Tockle added = sample(QStringLiteral("Late"));
    store->addTockle(added);
    EXPECT_EQ(bytes("tockles.json"), before.chopped(1) + "," + encodeTockles({added})->mid(1));
}

TEST_F(StoreTest, FailedSavesKeepMemoryAndTheNextSaveCatchesUp)
{
    auto store = makeStore();
    QList<bool> told; // what the tray is told
    QObject::connect(store.get(), &TockleStore::unsavedChangesChanged, [&](bool unsaved) { told.append(unsaved); });
    store->addProject(QStringLiteral("A"));
    store->addTockle(sample(QStringLiteral("A")));
    // A plain file where the folder was makes every write fail, whoever runs the test.
    const QString dataFolder = folder.file(QStringLiteral("Tockles"));
    ASSERT_TRUE(QDir().rename(dataFolder, dataFolder + QStringLiteral(".away")));
    folder.write(dataFolder, "not a folder");
    store->addProject(QStringLiteral("B"));
    store->addTockle(sample(QStringLiteral("B")));
    EXPECT_EQ(store->tockles().size(), 2);
    EXPECT_EQ(told, QList<bool>{true}) << "once, at the first failure";
    ASSERT_TRUE(QFile::remove(dataFolder));
    ASSERT_TRUE(QDir().rename(dataFolder + QStringLiteral(".away"), dataFolder));
    EXPECT_EQ(bytes("projects.json"), R"(["A"])") << "the old file is intact";
    store->addProject(QStringLiteral("C"));
    store->addTockle(sample(QStringLiteral("C")));
    EXPECT_EQ(bytes("projects.json"), R"(["A","B","C"])");
    EXPECT_EQ(bytes("tockles.json"), encodeTockles(store->tockles()).value());
    EXPECT_EQ(told, (QList<bool>{true, false}));

    // No usable folder at all: the lists live in memory and nothing crashes, nor is anything
    // taken in from the working folder.
    folder.write(folder.file(QStringLiteral("blocker")), "file");
    folder.write(folder.file(QStringLiteral("tockles.sync-conflict-1.json")), bytes("tockles.json"));
    const QString working = QDir::currentPath();
    QDir::setCurrent(folder.path());
    for (const std::optional<QString>& base : {std::optional<QString>(folder.file(QStringLiteral("blocker/sub"))),
                                                std::optional<QString>()}) {
        StoreEnvironment env;
        env.applicationSupportDirectory = base;
        TockleStore inMemory(env);
        inMemory.addProject(QStringLiteral("A"));
        inMemory.addTockle(sample(QStringLiteral("A")));
        inMemory.refreshFromDisk(); // as the panel opens
        EXPECT_EQ(inMemory.projects().size() + inMemory.tockles().size(), 2);
    }
    QDir::setCurrent(working);
    EXPECT_EQ(folder.read(folder.file(QStringLiteral("blocker"))), "file");
}

// The folder removed while running comes back with the next change or at exit, holding both
// lists; the watcher's refresh leaves it to whatever may put a link there.
TEST_F(StoreTest, ARemovedFolderIsMadeAgainByAChangeOrAtExit)
{
    for (const bool atExit : {false, true}) {
        SCOPED_TRACE(atExit ? "at exit" : "by a change");
        auto store = makeStore();
        store->addProject(QStringLiteral("P"));
        store->addTockle(sample(QStringLiteral("P")));
        ASSERT_TRUE(QDir(folder.file(QStringLiteral("Tockles"))).removeRecursively());
        store->refreshFromDisk();
        EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("Tockles"))));
        atExit ? store->saveUnsavedLists() : store->addTockle(sample(QStringLiteral("P")));
        EXPECT_FALSE(store->hasUnsavedChanges());
        EXPECT_EQ(bytes("projects.json"), R"(["P"])");
        EXPECT_EQ(bytes("tockles.json"), encodeTockles(store->tockles()).value());
    }
}

TEST_F(StoreTest, AnUndecodableFileIsKeptAsideOnceBeforeItIsReplaced)
{
    const QByteArray truncated = R"([{"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","sta)";
    write("tockles.json", truncated);
    write("projects.json", R"(["A",1])");
    auto store = makeStore();
    EXPECT_TRUE(store->tockles().isEmpty() && store->projects().isEmpty());
    EXPECT_EQ(bytes("tockles.json"), truncated) << "loading leaves it alone";
    const Tockle added = sample(QStringLiteral("A"));
    store->addTockle(added);
    store->addProject(QStringLiteral("B"));
    EXPECT_EQ(bytes("tockles.json"), encodeTockles({added}).value());
    EXPECT_EQ(bytes("tockles.json.unreadable-20251201T173000Z"), truncated);
    EXPECT_EQ(bytes("projects.json.unreadable-20251201T173000Z"), R"(["A",1])");
    store->addTockle(sample(QStringLiteral("A")));
    EXPECT_EQ(entries().size(), 4) << "set aside once, not at every save";
    // A second bad file in the same second gets a name of its own.
    write("tockles.json", "garbage");
    makeStore()->addTockle(sample(QStringLiteral("A")));
    EXPECT_EQ(bytes("tockles.json.unreadable-20251201T173000Z-2"), "garbage");
    EXPECT_EQ(bytes("tockles.json.unreadable-20251201T173000Z"), truncated);

    // Behind a link (a synced folder), the copy goes beside the target and the link stays.
    const QString synced = folder.file(QStringLiteral("Sync/tockles.json"));
    folder.write(synced, "not json");
    remove("tockles.json");
    ASSERT_TRUE(QFile::link(synced, folder.dataFile("tockles.json")));
    makeStore()->addTockle(added);
    EXPECT_EQ(folder.read(synced + QStringLiteral(".unreadable-20251201T173000Z")), "not json");
    EXPECT_EQ(QFileInfo(folder.dataFile("tockles.json")).symLinkTarget(), synced);
    EXPECT_EQ(folder.read(synced), encodeTockles({added}).value());

    // A link into a folder not there yet: saves wait for it, and the link stays.
    const QString later = folder.file(QStringLiteral("Later/tockles.json"));
    remove("tockles.json");
    ASSERT_TRUE(QFile::link(later, folder.dataFile("tockles.json")));
    auto store2 = makeStore();
    store2->addTockle(added);
    EXPECT_TRUE(store2->hasUnsavedChanges());
    QDir().mkpath(folder.file(QStringLiteral("Later")));
    store2->addTockle(added);
    EXPECT_EQ(QFileInfo(folder.dataFile("tockles.json")).symLinkTarget(), later);
    EXPECT_EQ(decodeTockles(folder.read(later))->size(), 2);
}
