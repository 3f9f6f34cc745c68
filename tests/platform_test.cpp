#include "platform/directories.h"
#include "platform/files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(Directories, DataAndStateHomesFollowXdgAndIgnoreARelativeValue)
{
    const QByteArray home = qgetenv("HOME"), xdg = qgetenv("XDG_DATA_HOME"), state = qgetenv("XDG_STATE_HOME");
    const auto stateFile = [] { return platform::stateFile(QStringLiteral("/d/Tockles"), QStringLiteral("x")).value(); };
    qputenv("XDG_DATA_HOME", "/tmp/xdg-data");
    qputenv("XDG_STATE_HOME", "/tmp/xdg-state");
    EXPECT_EQ(platform::applicationSupportDirectory(), QStringLiteral("/tmp/xdg-data"));
    EXPECT_TRUE(stateFile().startsWith(QStringLiteral("/tmp/xdg-state/Tockles/x-"))) << stateFile().toStdString();
    qputenv("HOME", "/tmp/some-home");
    qputenv("XDG_DATA_HOME", "relative/data");
    qputenv("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(platform::applicationSupportDirectory(), QStringLiteral("/tmp/some-home/.local/share"));
    EXPECT_TRUE(stateFile().startsWith(QStringLiteral("/tmp/some-home/.local/state/Tockles/x-")));
    qputenv("HOME", home);
    xdg.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", xdg);
    state.isNull() ? qunsetenv("XDG_STATE_HOME") : qputenv("XDG_STATE_HOME", state);
}

TEST(Files, ReadsWithRoomReplacesDurablyAndRenamesWithoutReplacing)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("data.json"));
    EXPECT_EQ(platform::readWholeFile(path).status, platform::ReadStatus::missing);
    EXPECT_EQ(platform::readWholeFile(folder.path()).status, platform::ReadStatus::failed);
    ASSERT_TRUE(platform::replaceFileDurably(path, "one"));
    ASSERT_TRUE(platform::replaceFileDurably(path, "two"));
    const auto read = platform::readWholeFile(path, 64);
    EXPECT_EQ(read.status, platform::ReadStatus::ok);
    EXPECT_EQ(read.bytes, "two");
    EXPECT_GE(read.bytes.capacity() - read.bytes.size(), 64) << "room for the parser's padding";
    EXPECT_EQ(folder.entries(QStringLiteral(".")), QStringList{QStringLiteral("data.json")}) << "no temporary left";
    EXPECT_FALSE(platform::replaceFileDurably(folder.file(QStringLiteral("no/such/dir/x")), "x"));
    // The permissions a user gave the file stay, as long as they leave the owner able to use it.
    for (const auto& [given, kept] : {std::pair{0600, 0600}, {0640, 0640}, {0444, 0644}, {0, 0600}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(given)), 0);
        ASSERT_TRUE(platform::replaceFileDurably(path, "two"));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, mode_t(kept)) << given;
    }

    const QString other = folder.file(QStringLiteral("other"));
    folder.write(other, "other");
    EXPECT_FALSE(platform::renameNoReplace(other, path));
    EXPECT_EQ(folder.read(path), "two");
    EXPECT_TRUE(platform::renameNoReplace(other, folder.file(QStringLiteral("moved"))));
}

// Two computers sharing the folder live (an NFS home) save at the same moment: each puts in place
// what it wrote itself, never the other's half-written file.
TEST(Files, ComputersSavingAtOnceEachPutTheirOwnContentInPlace)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("tockles.json"));
    platform::DurableFileWriter here(path, QStringLiteral("here"));
    platform::DurableFileWriter there(path, QStringLiteral("there"));
    ASSERT_TRUE(here.open() && here.write("[1]", 3));
    ASSERT_TRUE(there.open() && there.write("[2,", 3));
    ASSERT_TRUE(here.commit());
    EXPECT_EQ(folder.read(path), "[1]");
    ASSERT_TRUE(there.write("3]", 2) && there.commit());
    EXPECT_EQ(folder.read(path), "[2,3]");
    EXPECT_EQ(folder.entries(QStringLiteral(".")), QStringList{QStringLiteral("tockles.json")});
}
