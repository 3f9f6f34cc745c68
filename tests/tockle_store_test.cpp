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
        env.documentsDirectory = [this] { return std::optional<QString>(folder.file(QStringLiteral("Documents"))); };
        env.clock = clock;
        env.fileViewer = viewer;
        auto store = std::make_unique<TockleStore>(env);
        QObject::connect(store.get(), &TockleStore::objectWillChange, [this] { ++notices; });
        QObject::connect(store.get(), &TockleStore::projectsChanged,
                         [this](const QStringList& list) { announced.append(list); });
        return store;
    }
    QByteArray projectsBytes() const { return folder.read(folder.dataFile("projects.json")); }
    QByteArray tocklesBytes() const { return folder.read(folder.dataFile("tockles.json")); }
    void removeFile(const char* name) const { QFile::remove(folder.dataFile(name)); }
    bool exists(const char* name) const { return QFile::exists(folder.dataFile(name)); }

    TempFolder folder;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<RecordingFileViewer> viewer = std::make_shared<RecordingFileViewer>();
    int notices = 0;
    QList<QStringList> announced;
};

const QString nfc = QString::fromUtf8("Caf\xC3\xA9");
const QString nfd = QString::fromUtf8("Cafe\xCC\x81");

Tockle sample(const QString& name, double start = 100, double length = 10.5)
{
    return Tockle(name, Instant::fromReferenceSeconds(start), Instant::fromReferenceSeconds(start + length), length);
}

} // namespace

TEST_F(StoreTest, FirstStartCreatesTheFolderWithParentsAndWritesNothing)
{
    const QString base = folder.file(QStringLiteral("deep/er"));
    auto store = makeStore(base);
    EXPECT_TRUE(QDir(base + QStringLiteral("/Tockles")).exists());
    EXPECT_TRUE(QDir(base + QStringLiteral("/Tockles")).isEmpty());
    EXPECT_TRUE(store->tockles().isEmpty());
    EXPECT_TRUE(store->projects().isEmpty());
    EXPECT_EQ(store->fileURL(), base + QStringLiteral("/Tockles/tockles.json"));
    EXPECT_EQ(store->projectsFileURL(), base + QStringLiteral("/Tockles/projects.json"));
}

TEST_F(StoreTest, LoadingExistingFilesTouchesNothing)
{
    const QByteArray records = encodeTockles({sample(QStringLiteral("A"))}).value();
    folder.write(folder.dataFile("tockles.json"), records);
    folder.write(folder.dataFile("projects.json"), R"(["B","A","B"])");
    auto store = makeStore();
    EXPECT_EQ(store->tockles().size(), 1);
    EXPECT_EQ(store->projects(), (QStringList{QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(tocklesBytes(), records);
    EXPECT_EQ(folder.entries(QStringLiteral("Tockles")), (QStringList{QStringLiteral("projects.json"), QStringLiteral("tockles.json")}));
    EXPECT_EQ(notices, 0);
}

TEST_F(StoreTest, AddProjectAppendsInOrderAndIgnoresEquivalentNames)
{
    auto store = makeStore();
    store->addProject(QStringLiteral("Zeta"));
    store->addProject(QStringLiteral("Alpha"));
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(projectsBytes(), R"(["Zeta","Alpha"])");
    EXPECT_EQ(announced.last(), (QStringList{QStringLiteral("Zeta"), QStringLiteral("Alpha")}));

    store->addProject(nfc);
    removeFile("projects.json");
    store->addProject(QStringLiteral("Zeta"));
    store->addProject(nfd);
    EXPECT_EQ(notices, 3) << "a name already there sends no notice";
    EXPECT_FALSE(exists("projects.json")) << "and writes nothing";
    EXPECT_EQ(store->projects().size(), 3);

    store->addProject(QStringLiteral("zeta"));
    EXPECT_EQ(store->projects().last(), QStringLiteral("zeta")) << "names are case-sensitive";
}

TEST_F(StoreTest, RemoveProjectRemovesEveryEqualEntryAndAlwaysRewrites)
{
    folder.write(folder.dataFile("projects.json"), ("[\"A\",\"" + nfd.toUtf8() + "\",\"B\",\"" + nfc.toUtf8() + "\"]"));
    auto store = makeStore();
    store->removeProject(nfc);
    EXPECT_EQ(store->projects(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(projectsBytes(), R"(["A","B"])");
    EXPECT_EQ(notices, 1);

    removeFile("projects.json");
    store->removeProject(QStringLiteral("missing"));
    EXPECT_EQ(notices, 2) << "a name that is not there still sends a notice";
    EXPECT_EQ(projectsBytes(), R"(["A","B"])") << "and rewrites the unchanged list";
    EXPECT_EQ(announced.size(), 2);
}

TEST_F(StoreTest, RemovingAProjectKeepsItsRecords)
{
    auto store = makeStore();
    store->addProject(QStringLiteral("A"));
    store->addTockle(sample(QStringLiteral("A")));
    store->removeProject(QStringLiteral("A"));
    EXPECT_EQ(store->tockles().size(), 1);
    EXPECT_EQ(decodeTockles(tocklesBytes())->size(), 1);
}

TEST_F(StoreTest, AddTockleAppendsAndRewritesTheWholeFile)
{
    auto store = makeStore();
    const Tockle first = sample(QStringLiteral("A"), 100.25);
    const Tockle second = sample(QStringLiteral("B"), 50);
    store->addTockle(first);
    store->addTockle(second);
    EXPECT_EQ(notices, 2);
    EXPECT_TRUE(announced.isEmpty());
    EXPECT_EQ(tocklesBytes(), encodeTockles({first, second}).value());
    EXPECT_FALSE(exists("projects.json"));

    auto reopened = makeStore();
    ASSERT_EQ(reopened->tockles().size(), 2);
    EXPECT_EQ(reopened->tockles()[0].id, first.id);
    EXPECT_EQ(reopened->tockles()[0].startTime, first.startTime);
    EXPECT_EQ(reopened->tockles()[1].projectName, QStringLiteral("B"));
}

TEST_F(StoreTest, ExtraMembersAreDroppedAtTheNextSave)
{
    folder.write(folder.dataFile("tockles.json"),
                 R"([{"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1,"endTime":2,"duration":1,"note":"x"}])");
    auto store = makeStore();
    const Tockle added = sample(QStringLiteral("B"));
    store->addTockle(added);
    EXPECT_EQ(tocklesBytes(),
              R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","projectName":"A","startTime":1,"endTime":2,"duration":1},)"
                  + encodeTockles({added})->mid(1));
    // Later saves encode only what was added, and still write exactly the whole list's bytes.
    store->addTockle(sample(QStringLiteral("C")));
    store->addTockle(sample(QStringLiteral("D/\u00e9")));
    EXPECT_EQ(tocklesBytes(), encodeTockles(store->tockles()).value());
}

// A history of several megabytes is read in slices; what is saved after it is still exactly the
// old bytes with the new record appended.
TEST_F(StoreTest, ALongHistorySavesByteForByte)
{
    QList<Tockle> history;
    for (int i = 0; i < 30000; ++i)
        history.append(sample(QStringLiteral("Client %1").arg(i % 40), i * 20.25));
    const QByteArray before = encodeTockles(history).value();
    folder.write(folder.dataFile("tockles.json"), before);
    auto store = makeStore();
    ASSERT_EQ(store->tockles().size(), history.size());
    const Tockle added = sample(QStringLiteral("Late"));
    store->addTockle(added);
    EXPECT_EQ(tocklesBytes(), before.chopped(1) + "," + encodeTockles({added})->mid(1));
}

TEST_F(StoreTest, ARecordsFileChangedBehindTheStoresBackIsWrittenWhole)
{
    auto store = makeStore();
    store->addTockle(sample(QStringLiteral("A")));
    store->addTockle(sample(QStringLiteral("B")));
    // Same length, other bytes: the store must not take the old bytes as its own.
    QByteArray edited = tocklesBytes();
    edited.replace("\"B\"", "\"X\"");
    folder.write(folder.dataFile("tockles.json"), edited);
    store->addTockle(sample(QStringLiteral("C")));
    EXPECT_EQ(tocklesBytes(), encodeTockles(store->tockles()).value());
    EXPECT_FALSE(tocklesBytes().contains("\"X\""));
}

TEST_F(StoreTest, MissingProjectsFileBesideSoundRecords)
{
    folder.write(folder.dataFile("tockles.json"), encodeTockles({sample(QStringLiteral("A"))}).value());
    auto store = makeStore();
    EXPECT_TRUE(store->projects().isEmpty());
    EXPECT_EQ(store->tockles().size(), 1);
}

TEST_F(StoreTest, FailedSavesKeepMemoryAndTheNextSaveCatchesUp)
{
    auto store = makeStore();
    store->addProject(QStringLiteral("A"));
    store->addTockle(sample(QStringLiteral("A")));

    // A plain file where the folder was makes every write fail, whoever runs the test.
    const QString dataFolder = folder.file(QStringLiteral("Tockles"));
    ASSERT_TRUE(QDir().rename(dataFolder, dataFolder + QStringLiteral(".away")));
    folder.write(dataFolder, "not a folder");
    store->addProject(QStringLiteral("B"));
    store->addTockle(sample(QStringLiteral("B")));
    EXPECT_EQ(store->projects().size(), 2);
    EXPECT_EQ(store->tockles().size(), 2);

    ASSERT_TRUE(QFile::remove(dataFolder));
    ASSERT_TRUE(QDir().rename(dataFolder + QStringLiteral(".away"), dataFolder));
    EXPECT_EQ(projectsBytes(), R"(["A"])") << "the old file is intact";
    store->addProject(QStringLiteral("C"));
    store->addTockle(sample(QStringLiteral("C")));
    EXPECT_EQ(projectsBytes(), R"(["A","B","C"])");
    EXPECT_EQ(tocklesBytes(), encodeTockles(store->tockles()).value());
}

TEST_F(StoreTest, AnUndecodableFileIsKeptAsideBeforeItIsReplaced)
{
    const QByteArray truncated = R"([{"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","sta)";
    folder.write(folder.dataFile("tockles.json"), truncated);
    folder.write(folder.dataFile("projects.json"), R"(["A"])");
    clock->set(786303000); // 2025-12-01 17:30:00 UTC
    auto store = makeStore();
    EXPECT_TRUE(store->tockles().isEmpty());
    EXPECT_EQ(store->projects(), QStringList{QStringLiteral("A")}) << "the other list loads on its own";
    EXPECT_EQ(tocklesBytes(), truncated) << "loading leaves it alone";

    const Tockle added = sample(QStringLiteral("A"));
    store->addTockle(added);
    EXPECT_EQ(tocklesBytes(), encodeTockles({added}).value());
    const QString aside = QStringLiteral("tockles.json.unreadable-20251201T173000Z");
    EXPECT_EQ(folder.read(folder.dataFile("tockles.json.unreadable-20251201T173000Z")), truncated);

    store->addTockle(sample(QStringLiteral("A")));
    EXPECT_EQ(folder.entries(QStringLiteral("Tockles")),
              (QStringList{QStringLiteral("projects.json"), QStringLiteral("tockles.json"), aside}))
        << "set aside once, not at every save";

    // A second bad file in the same second gets a name of its own.
    folder.write(folder.dataFile("tockles.json"), "garbage");
    auto again = makeStore();
    again->addTockle(sample(QStringLiteral("A")));
    EXPECT_EQ(folder.read(folder.dataFile("tockles.json.unreadable-20251201T173000Z-2")), "garbage");
    EXPECT_EQ(folder.read(folder.dataFile("tockles.json.unreadable-20251201T173000Z")), truncated);
}

TEST_F(StoreTest, AnUndecodableFileBehindALinkIsKeptAsideBesideItsTarget)
{
    const QString synced = folder.file(QStringLiteral("Sync/tockles.json"));
    folder.write(synced, "not json");
    QDir().mkpath(folder.file(QStringLiteral("Tockles")));
    ASSERT_TRUE(QFile::link(synced, folder.dataFile("tockles.json")));
    clock->set(786303000);
    auto store = makeStore();
    const Tockle added = sample(QStringLiteral("A"));
    store->addTockle(added);
    EXPECT_EQ(folder.read(folder.file(QStringLiteral("Sync/tockles.json.unreadable-20251201T173000Z"))), "not json")
        << "the original bytes are kept";
    EXPECT_EQ(QFileInfo(folder.dataFile("tockles.json")).symLinkTarget(), synced) << "the link stays";
    EXPECT_EQ(folder.read(synced), encodeTockles({added}).value());
}

TEST_F(StoreTest, AnUnreadableProjectsFileIsKeptAsideToo)
{
    folder.write(folder.dataFile("projects.json"), R"(["A",1])");
    auto store = makeStore();
    EXPECT_TRUE(store->projects().isEmpty());
    store->addProject(QStringLiteral("B"));
    EXPECT_EQ(projectsBytes(), R"(["B"])");
    const QStringList entries = folder.entries(QStringLiteral("Tockles"));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[1].startsWith(QStringLiteral("projects.json.unreadable-")));
    EXPECT_EQ(folder.read(folder.file(QStringLiteral("Tockles/") + entries[1])), R"(["A",1])");
}

TEST_F(StoreTest, NoDataDirectoryStillWorksInMemory)
{
    StoreEnvironment env;
    env.clock = clock;
    TockleStore store(env);
    store.addProject(QStringLiteral("A"));
    store.addTockle(sample(QStringLiteral("A")));
    EXPECT_EQ(store.projects().size(), 1);
    EXPECT_EQ(store.tockles().size(), 1);
}

TEST_F(StoreTest, AFolderThatCannotBeCreatedLeavesEmptyListsAndNoCrash)
{
    folder.write(folder.file(QStringLiteral("blocker")), "file");
    auto store = makeStore(folder.file(QStringLiteral("blocker/sub")));
    store->addProject(QStringLiteral("A"));
    EXPECT_EQ(store->projects().size(), 1);
    EXPECT_EQ(folder.read(folder.file(QStringLiteral("blocker"))), "file");
}
