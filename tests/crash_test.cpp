#include "model/json_codec.h"
#include "support/temp_folder.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

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
    std::uniform_int_distribution<int> delayMs(0, 25);
    qsizetype onDisk = 0;
    int killedMidSave = 0;
    for (int round = 0; round < rounds(); ++round) {
        QProcess writer;
        writer.start(QStringLiteral(CRASH_WRITER), {folder.path(), QString::fromLatin1(mode)});
        ASSERT_TRUE(writer.waitForStarted());
        QThread::msleep(delayMs(random));
        writer.kill();
        writer.waitForFinished();
        const QList<QByteArray> acks = writer.readAllStandardOutput().split('\n');
        const qsizetype acknowledged = acks.size() > 1 ? acks[acks.size() - 2].toLongLong() + 1 : onDisk;

        const std::optional<QStringList> names = namesOnDisk(path, records);
        ASSERT_TRUE(names) << "round " << round << ": the file no longer decodes";
        ASSERT_GE(names->size(), acknowledged) << "round " << round << ": a saved change was lost";
        ASSERT_LE(names->size(), acknowledged + 1) << "round " << round;
        for (qsizetype i = 0; i < names->size(); ++i)
            ASSERT_EQ(names->at(i), QStringLiteral("r%1").arg(i)) << "round " << round;
        killedMidSave += names->size() > acknowledged;
        onDisk = names->size();
    }
    EXPECT_GT(onDisk, rounds()) << "the writer hardly got to run";
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
