#include "platform/directories.h"
#include "platform/files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name(name), old(qgetenv(name)), had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv() { had ? qputenv(name, old) : qunsetenv(name); }

private:
    const char* name;
    QByteArray old;
    bool had;
};

} // namespace

TEST(Directories, DataHomeFollowsXdgAndIgnoresARelativeValue)
{
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/tmp/xdg-data");
        EXPECT_EQ(platform::applicationSupportDirectory(), QStringLiteral("/tmp/xdg-data"));
    }
    {
        ScopedEnv home("HOME", "/tmp/some-home");
        ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(platform::applicationSupportDirectory(), QStringLiteral("/tmp/some-home/.local/share"));
    }
}

TEST(Files, ReadsWholeFilesWithSpareRoomAndTellsMissingFromFailed)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("f"));
    EXPECT_EQ(platform::readWholeFile(path).status, platform::ReadStatus::missing);
    folder.write(path, "hello");
    const auto read = platform::readWholeFile(path, 64);
    EXPECT_EQ(read.status, platform::ReadStatus::ok);
    EXPECT_EQ(read.bytes, "hello");
    EXPECT_GE(read.bytes.capacity() - read.bytes.size(), 64);
    EXPECT_EQ(platform::readWholeFile(folder.path()).status, platform::ReadStatus::failed);
}

TEST(Files, DurableReplaceLeavesNoTemporaryFilesBehind)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("data.json"));
    ASSERT_TRUE(platform::replaceFileDurably(path, "one"));
    ASSERT_TRUE(platform::replaceFileDurably(path, "two"));
    EXPECT_EQ(folder.read(path), "two");
    EXPECT_EQ(folder.entries(QStringLiteral(".")), QStringList{QStringLiteral("data.json")});
    EXPECT_FALSE(platform::replaceFileDurably(folder.file(QStringLiteral("no/such/dir/x")), "x"));
}

TEST(Files, RenameNeverReplaces)
{
    TempFolder folder;
    folder.write(folder.file(QStringLiteral("a")), "a");
    folder.write(folder.file(QStringLiteral("b")), "b");
    EXPECT_FALSE(platform::renameNoReplace(folder.file(QStringLiteral("a")), folder.file(QStringLiteral("b"))));
    EXPECT_EQ(folder.read(folder.file(QStringLiteral("b"))), "b");
    EXPECT_TRUE(platform::renameNoReplace(folder.file(QStringLiteral("a")), folder.file(QStringLiteral("c"))));
}
