#include "model/json_codec.h"
#include "store/csv_export.h"
#include "store/tockle_store.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"

#include <QDir>

#include <gtest/gtest.h>

#include <ctime>

namespace {

const QByteArray header = "Project Name,Start Time,End Time,Duration (s),Duration (HR:MIN:SEC)\n";

// 2025-12-01 00:00:00 UTC, in seconds since 2001.
constexpr double dec1 = 786240000.0;

Tockle rec(const QString& name, double start, double end, double duration)
{
    return Tockle(name, Instant::fromReferenceSeconds(start), Instant::fromReferenceSeconds(end), duration);
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(documents()); }

    QString documents() const { return folder.file(QStringLiteral("Documents")); }

    std::unique_ptr<TockleStore> makeStore(const QList<Tockle>& records)
    {
        folder.write(folder.dataFile("tockles.json"), encodeTockles(records).value());
        StoreEnvironment env;
        env.applicationSupportDirectory = folder.path();
        env.documentsDirectory = [this] { return documentsAnswer; };
        env.clock = clock;
        env.fileViewer = viewer;
        documentsAnswer = documents();
        return std::make_unique<TockleStore>(env);
    }

    // Runs one export and returns the bytes of the file it names.
    QByteArray exported(const QList<Tockle>& records)
    {
        auto store = makeStore(records);
        const qsizetype before = viewer->revealed.size();
        store->exportCSV();
        EXPECT_EQ(viewer->revealed.size(), before + 1);
        return viewer->revealed.isEmpty() ? QByteArray() : folder.read(viewer->revealed.last());
    }

    TempFolder folder;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>(dec1 + 3600.75);
    std::shared_ptr<RecordingFileViewer> viewer = std::make_shared<RecordingFileViewer>();
    std::optional<QString> documentsAnswer;
};

} // namespace

TEST_F(ExportTest, EmptyHistoryGivesTheHeaderAloneUnderTheSecondsSince1970)
{
    const QByteArray bytes = exported({});
    EXPECT_EQ(bytes, header);
    EXPECT_EQ(bytes.size(), 68);
    EXPECT_EQ(viewer->revealed.last(), documents() + QStringLiteral("/Tockles_Export_1764550800.csv"));
}

TEST_F(ExportTest, NamesStayOneFieldAndQuotesAreDoubled)
{
    const QList<Tockle> records = {
        rec(QStringLiteral("a,b"), dec1, dec1 + 1, 1),
        rec(QStringLiteral("Say \"hi\""), dec1, dec1 + 1, 1),
        rec(QStringLiteral("\",\""), dec1, dec1 + 1, 1),
        rec(QStringLiteral("two\nlines"), dec1, dec1 + 1, 1),
        rec(QString::fromUtf8("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"), dec1, dec1 + 1, 1),
    };
    const QByteArray tail = ",2025-12-01T00:00:00Z,2025-12-01T00:00:01Z,1.0,00:00:01\n";
    EXPECT_EQ(exported(records), header + "\"a,b\"" + tail + "\"Say \"\"hi\"\"\"" + tail + "\"\"\",\"\"\"" + tail
                                     + "\"two\nlines\"" + tail + "\"Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\"" + tail);
}

TEST_F(ExportTest, DurationsTimesAndOrder)
{
    const QList<Tockle> records = {
        rec(QStringLiteral("Z"), dec1, dec1 + 3600, 3600),
        rec(QStringLiteral("A"), dec1 + 0.99, dec1 + 60.89, 59.9),
        rec(QStringLiteral("Z"), dec1, dec1 + 360000, 360000.5),
        rec(QStringLiteral("B"), -978307200.0 - 1.5, -0.25, 754.2307891845703),
        rec(QStringLiteral("C"), -3600 * 24 * 366 + 0.5, 1e-9, 90.25),
        rec(QStringLiteral("D"), 786303005.9999999, 786303005.9999999, 0), // no carry into :06
        rec(QStringLiteral("Client work"), dec1 + 34200, dec1 + 34325.25, 125.25),
    };
    EXPECT_EQ(exported(records), header
                                     + "\"Z\",2025-12-01T00:00:00Z,2025-12-01T01:00:00Z,3600.0,01:00:00\n"
                                       "\"A\",2025-12-01T00:00:00Z,2025-12-01T00:01:00Z,59.9,00:00:59\n"
                                       "\"Z\",2025-12-01T00:00:00Z,2025-12-05T04:00:00Z,360000.5,100:00:00\n"
                                       "\"B\",1969-12-31T23:59:58Z,2000-12-31T23:59:59Z,754.2307891845703,00:12:34\n"
                                       "\"C\",2000-01-01T00:00:00Z,2001-01-01T00:00:00Z,90.25,00:01:30\n"
                                       "\"D\",2025-12-01T17:30:05Z,2025-12-01T17:30:05Z,0.0,00:00:00\n"
                                       "\"Client work\",2025-12-01T09:30:00Z,2025-12-01T09:32:05Z,125.25,00:02:05\n");
}

TEST_F(ExportTest, TheMachineTimeZonePlaysNoPart)
{
    const QList<Tockle> records = {rec(QStringLiteral("A"), dec1 + 23.5 * 3600, dec1 + 25 * 3600, 5400),
                                   rec(QStringLiteral("B"), dec1 - 0.5, dec1 + 0.5, 1)};
    const QByteArray oldTz = qgetenv("TZ");
    QList<QByteArray> files;
    for (const char* tz : {"UTC", "Pacific/Kiritimati", "America/St_Johns"}) {
        qputenv("TZ", tz);
        tzset();
        files.append(exported(records));
    }
    oldTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldTz);
    tzset();
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(files[0], files[2]);
    EXPECT_TRUE(files[0].contains("2025-12-01T23:30:00Z,2025-12-02T01:00:00Z"));
}

TEST_F(ExportTest, TwoExportsInOneSecondLeaveOneFileWithTheSecond)
{
    auto store = makeStore({});
    store->exportCSV();
    store->addTockle(rec(QStringLiteral("A"), dec1, dec1 + 1, 1));
    clock->advance(0.2);
    store->exportCSV();
    EXPECT_EQ(viewer->revealed[0], viewer->revealed[1]);
    EXPECT_EQ(QDir(documents()).entryList(QDir::Files), QStringList{QStringLiteral("Tockles_Export_1764550800.csv")});
    EXPECT_EQ(folder.read(viewer->revealed[1]).count('\n'), 2);
}

TEST_F(ExportTest, NoUsableDocumentsFolderWritesNothingAndTellsTheUser)
{
    auto store = makeStore({rec(QStringLiteral("A"), dec1, dec1 + 1, 1)});
    documentsAnswer = std::nullopt;
    store->exportCSV();
    documentsAnswer = folder.file(QStringLiteral("gone/Documents"));
    store->exportCSV();
    EXPECT_FALSE(QDir(folder.file(QStringLiteral("gone"))).exists()) << "no missing parents are made";
    folder.write(folder.file(QStringLiteral("plainfile")), "x");
    documentsAnswer = folder.file(QStringLiteral("plainfile"));
    store->exportCSV();
    EXPECT_TRUE(viewer->revealed.isEmpty()) << "a file manager opened on no export passes failure off as done";
    ASSERT_EQ(viewer->unwritten.size(), 3) << "the user is told instead";
    EXPECT_EQ(viewer->unwritten[0], QString());
    EXPECT_TRUE(viewer->unwritten[2].startsWith(folder.file(QStringLiteral("plainfile/Tockles_Export_"))));
    EXPECT_EQ(store->tockles().size(), 1);

    // A Documents folder not made yet (a new account) is made, and the export lands in it.
    documentsAnswer = folder.file(QStringLiteral("Documents-new"));
    store->exportCSV();
    EXPECT_EQ(folder.read(viewer->revealed.last()).count('\n'), 2);
}

TEST_F(ExportTest, ValuesOnlyAHandEditedFileCanHoldStillExport)
{
    const QByteArray bytes = exported({rec(QStringLiteral("A"), 1e300, -1e300, 1e20), rec(QStringLiteral("B"), 0, 0, -5e-324)});
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], "\"A\",,,100000000000000000000.0,--:--:--");
    EXPECT_TRUE(lines[2].startsWith("\"B\",2001-01-01T00:00:00Z,2001-01-01T00:00:00Z,-0.0000"));
    EXPECT_TRUE(lines[2].endsWith("5,00:00:00"));
}
