#include "model/json_codec.h"
#include "platform/files.h"
#include "support/temp_folder.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace {

int rounds() { return qEnvironmentVariableIsSet("TOCKLES_LONG") ? 2000 : 200; }

// What the list's file holds now, as record or project names; nothing when it does not decode.
std::optional<QStringList> namesOnDisk(const QString& path, bool records)
{
    QFile file(path);
    if (!file.exists())
        return QStringList();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (!records)
        return decodeProjects(bytes);
    const auto tockles = decodeTockles(bytes);
    if (!tockles)
        return std::nullopt;
    QStringList names;
    for (const Tockle& t : *tockles)
        names.append(t.projectName);
    return names;
}

void killAtRandomMoments(const char* mode)
{
    TempFolder folder;
    const bool records = std::string_view(mode) == "tockles";
    const QString path = folder.dataFile(records ? "tockles.json" : "projects.json");
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayUs(0, 25000);
    int killedMidSave = 0;
    for (int round = 0; round < rounds(); ++round) {
        QProcess writer;
        writer.start(QStringLiteral(CRASH_WRITER), {folder.path(), QString::fromLatin1(mode)});
        ASSERT_TRUE(writer.waitForStarted());
        // The kill comes only after a first acknowledged save, so every round makes progress
        // however slow the machine is; the random delay then picks the moment within later saves.
        QByteArray output;
        while (!output.contains('\n') && writer.waitForReadyRead(60000))
            output += writer.readAllStandardOutput();
        ASSERT_TRUE(output.contains('\n')) << "round " << round << ": the writer never acknowledged a save";
        QThread::usleep(delayUs(random));
        writer.kill();
        writer.waitForFinished();
        output += writer.readAllStandardOutput();
        const QList<QByteArray> acks = output.split('\n');
        const qsizetype acknowledged = acks[acks.size() - 2].toLongLong() + 1;

        const std::optional<QStringList> names = namesOnDisk(path, records);
        ASSERT_TRUE(names) << "round " << round << ": the file no longer decodes";
        ASSERT_GE(names->size(), acknowledged) << "round " << round << ": a saved change was lost";
        ASSERT_LE(names->size(), acknowledged + 1) << "round " << round;
        for (qsizetype i = 0; i < names->size(); ++i)
            ASSERT_EQ(names->at(i), QStringLiteral("r%1").arg(i)) << "round " << round;
        killedMidSave += names->size() > acknowledged;
    }
    // Whatever the kills interrupted, the folder holds the list and at most one unfinished save.
    EXPECT_LE(folder.entries(QStringLiteral("Tockles")).size(), 2);
    ::testing::Test::RecordProperty("killed_between_write_and_acknowledgement", killedMidSave);
}

} // namespace

TEST(CrashSafety, KilledWhileSavingRecordsLosesNothingAcknowledged)
{
    killAtRandomMoments("tockles");
}

TEST(CrashSafety, KilledWhileSavingProjectsLosesNothingAcknowledged)
{
    killAtRandomMoments("projects");
}

namespace {

// Runs the writer as another user until it has acknowledged at least `saves` saves; how many it did.
int savesAsUser(const QString& folder, uid_t uid, int saves)
{
    QProcess writer;
    writer.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(uid),
                                             QStringLiteral("--clear-groups"), QStringLiteral("--"),
                                             QStringLiteral(CRASH_WRITER), folder, QStringLiteral("tockles")});
    QByteArray output;
    while (output.count('\n') < saves && writer.waitForReadyRead(30000))
        output += writer.readAllStandardOutput();
    writer.kill();
    writer.waitForFinished();
    return int(output.count('\n'));
}

} // namespace

// What a copy run as root leaves behind, or a restore with odd modes, never stops saves: a
// foreign temporary file is replaced, and a mode 000 file of the user's own is made readable
// for them and read, so its history stays and the saves after it can read what they append to.
TEST(ForeignFiles, ALeftoverOfAnotherOwnerOrAMode000FileNeverBlocksSaves)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    const uid_t nobody = 65534;
    for (const bool temporary : {true, false}) {
        SCOPED_TRACE(temporary ? "a temporary file" : "the records file");
        TempFolder folder;
        const QString data = folder.file(QStringLiteral("Tockles"));
        const QString file = folder.dataFile("tockles.json");
        const QString leftover = temporary ? platform::savingFile(file) : file;
        QDir().mkpath(data);
        folder.write(leftover, encodeTockles({Tockle(QStringLiteral("old"), {}, {}, 1)}).value());
        const QByteArray dir = QFile::encodeName(folder.path()), sub = QFile::encodeName(data);
        ASSERT_EQ(::chmod(dir.constData(), 0755), 0);
        ASSERT_EQ(::chown(sub.constData(), nobody, nobody), 0);
        if (!temporary) { // the user's own
            ASSERT_EQ(::chown(QFile::encodeName(file).constData(), nobody, nobody), 0);
            ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0), 0);
        }

        EXPECT_GE(savesAsUser(folder.path(), nobody, 3), 3); // one read may bring more than asked for
        QFileInfo saved(file);
        EXPECT_TRUE(saved.permissions() & QFileDevice::ReadOwner);
        const std::optional<QStringList> names = namesOnDisk(saved.filePath(), true);
        ASSERT_TRUE(names);
        EXPECT_GE(names->size(), 3);
        EXPECT_EQ(names->contains(QStringLiteral("old")), !temporary);
    }
}
