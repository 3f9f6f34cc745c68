#include "platform/single_instance.h"
#include "support/temp_folder.h"
#include "support/wait.h"

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
}

TEST(SingleInstance, ALockLeftByADeadProcessDoesNotBlock)
{
    TempFolder folder;
    const QString data = folder.file(QStringLiteral("Tockles"));
    // What QLockFile writes: pid, application name, host name; this pid cannot be running.
    folder.write(data + QStringLiteral("/tockles.lock"),
                 "2147483646\ntockles\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    SingleInstance instance(data);
    EXPECT_TRUE(instance.claim());
}

TEST(SingleInstance, AFolderThatCannotHoldALockRunsUnguarded)
{
    TempFolder folder;
    folder.write(folder.file(QStringLiteral("file")), "x");
    SingleInstance instance(folder.file(QStringLiteral("file/Tockles")));
    EXPECT_TRUE(instance.claim());
}
