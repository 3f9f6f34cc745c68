#include "platform/single_instance.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLocalServer>
#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(SingleInstance, TheSecondClaimFailsAndAsksTheFirstToShowItsPanel)
{
    TempFolder folder;
    const QString data = folder.file(QStringLiteral("Tockles"));
    SingleInstance first(data);
    ASSERT_TRUE(first.claim());
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    SingleInstance second(data);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(waitUntil([&] { return shown.count() == 1; }));

    SingleInstance elsewhere(folder.file(QStringLiteral("Other/Tockles")));
    EXPECT_TRUE(elsewhere.claim()) << "another data folder is another instance";

    // The lock file gone with its folder while the first runs: a launch still finds the first.
    ASSERT_TRUE(QDir(data).removeRecursively());
    SingleInstance third(data);
    EXPECT_FALSE(third.claim());
    EXPECT_TRUE(waitUntil([&] { return shown.count() == 2; }));
}

TEST(SingleInstance, ALockThatNamesNoOtherRunningProcessDoesNotBlock)
{
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    // What QLockFile writes is pid, application name, host name. Left by a dead process, or by
    // a sync tool, restore or fsck: empty, garbled, naming our own pid from an earlier boot, or
    // a live process of another computer.
    const QByteArray leftovers[] = {
        "2147483646\ntockles\n" + host + "\n",
        "1\ntockles\nanother-" + host + "\n",
        "",
        "\x01\xff garbage",
        QByteArray::number(QCoreApplication::applicationPid()) + "\ntockles_ui_tests\n" + host + "\n",
    };
    for (const QByteArray& content : leftovers) {
        SCOPED_TRACE(content.toStdString());
        TempFolder folder;
        const QString data = folder.file(QStringLiteral("Tockles"));
        const QString lockFile = data + QStringLiteral("/tockles.lock");
        folder.write(lockFile, content);
        QFile left(lockFile);
        ASSERT_TRUE(left.open(QIODevice::ReadWrite)
                    && left.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        left.close();
        SingleInstance instance(data);
        EXPECT_TRUE(instance.claim());
        SingleInstance second(data);
        EXPECT_FALSE(second.claim()) << "the lock was taken over, not ignored";
    }
}

// Two launches at once: the first has created its lock file and not yet written it. The second
// must ask the first, not take the file over.
TEST(SingleInstance, ALockFileJustCreatedIsNotTakenOver)
{
    TempFolder folder;
    const QString data = folder.file(QStringLiteral("Tockles"));
    folder.write(data + QStringLiteral("/tockles.lock"), "");
    SingleInstance second(data);
    QLocalServer first; // where the first will listen, a moment later
    ASSERT_TRUE(first.listen(second.socketName()));
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("/tockles.lock")));
}

// A folder with no room for a lock (one linked into a drive not mounted yet): the first start
// runs, and a later one, made after the folder came, still finds it.
TEST(SingleInstance, AFolderThatCannotHoldALockStillRunsOnce)
{
    TempFolder folder;
    const QString data = folder.file(QStringLiteral("data/Tockles"));
    QDir().mkpath(folder.file(QStringLiteral("data")));
    ASSERT_TRUE(QFile::link(folder.file(QStringLiteral("drive/Tockles")), data));
    SingleInstance first(data);
    EXPECT_TRUE(first.claim());
    QDir().mkpath(folder.file(QStringLiteral("drive/Tockles")));
    SingleInstance second(data);
    EXPECT_FALSE(second.claim());
}
