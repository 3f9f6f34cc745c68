// Hand-edited data files with values no tracked interval produces: the store loads or rejects
// them by the rules, and the panel draws, ticks and exports without crashing or hanging (a
// hang runs into the test's time-out).
#include "model/json_codec.h"
#include "panel/elided_label.h"
#include "support/panel_fixture.h"

namespace {

QByteArray recordJson(const QByteArray& name, const char* start, const char* end, const char* duration)
{
    return R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":")" + name + R"(","startTime":)" + start
        + R"(,"endTime":)" + end + R"(,"duration":)" + duration + "}";
}

} // namespace

TEST_F(PanelTest, ExtremeNumbersLoadDrawTickAndExport)
{
    writeData("projects.json", R"(["Huge","Tiny","Negative"])");
    writeData("tockles.json", "[" + recordJson("Huge", "1e308", "-1e308", "1e308") + "," + recordJson("Huge", "0", "0", "1e308") + ","
                                  + recordJson("Tiny", "-5e-324", "5e-324", "-5e-324") + ","
                                  + recordJson("Negative", "1e20", "-1e20", "-1e20") + "]");
    ContentView& v = open();
    ASSERT_EQ(v.store->tockles().size(), 4);
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Huge=--:--:--")})
        << "1e308 + 1e308 overflows to infinity and shows as no value; Tiny's total is below zero";
    click("startStopButton");
    tick(5);
    click("startStopButton");
    click("exportButton");
    const QByteArray csv = folder.read(viewer->revealed.last());
    EXPECT_EQ(csv.count('\n'), 6);
    EXPECT_TRUE(csv.contains("\"Negative\",,,-100000000000000000000.0,--:--:--\n"));
}

TEST_F(PanelTest, TextThatIsNoValidUnicodeRejectsTheFileAndIsKept)
{
    writeData("projects.json", R"(["ok","\ud800"])");
    ContentView& v = open();
    EXPECT_TRUE(v.store->projects().isEmpty());
    EXPECT_TRUE(shown("hint"));
    typeAndReturn(QStringLiteral("New"));
    EXPECT_EQ(file("projects.json"), R"(["New"])");
    EXPECT_EQ(folder.entries(QStringLiteral("Tockles")).filter(QStringLiteral("projects.json.unreadable-")).size(), 1);
}

TEST_F(PanelTest, NulBytesAndDirectionMarksAreNamesLikeAnyOther)
{
    writeData("projects.json", "[\"a\\u0000b\",\"\\u202eevil\\u202c\",\"\\u200f\\u05e9\\u05dc\\u05d5\\u05dd\"]");
    writeData("tockles.json", "[" + recordJson("a\\u0000b", "0", "1", "1") + "]");
    ContentView& v = open();
    ASSERT_EQ(v.store->projects().size(), 3);
    EXPECT_EQ(v.store->projects()[0], QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    EXPECT_EQ(rows().first(), QStringLiteral("a") + QChar(0) + QStringLiteral("b=00:00:01"));
    click("startStopButton");
    click("startStopButton");
    EXPECT_EQ(decodeTockles(file("tockles.json"))->last().projectName, v.store->projects()[0]);
    click("exportButton");
    EXPECT_TRUE(folder.read(viewer->revealed.last()).contains(QByteArray("\"a\0b\",", 6)));
}

TEST_F(PanelTest, ATenMegabyteNameDoesNotStallThePanel)
{
    const QByteArray huge(10 * 1024 * 1024, 'x');
    writeData("projects.json", "[\"" + huge + "\",\"short\"]");
    writeData("tockles.json", "[" + recordJson(huge, "0", "60", "60") + "]");
    ContentView& v = open();
    click("startStopButton");
    tick(1);
    click("startStopButton");
    click("exportButton");
    EXPECT_EQ(v.width(), 260);
    EXPECT_EQ(v.store->projects()[0].size(), huge.size()) << "shown shortened, kept whole";
    EXPECT_EQ(child<QComboBox>("picker")->currentText().size(), 257);
    EXPECT_EQ(decodeTockles(file("tockles.json"))->last().projectName.size(), huge.size());
}

TEST_F(PanelTest, AHundredThousandProjectsStillDraw)
{
    QStringList names;
    for (int i = 0; i < 100000; ++i)
        names.append(QStringLiteral("Project %1").arg(i));
    writeData("projects.json", encodeProjects(names));
    writeData("tockles.json", "[" + recordJson("Project 99999", "0", "60", "60") + "]");
    ContentView& v = open();
    EXPECT_EQ(child<QComboBox>("picker")->count(), 100000);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Project 0=00:00:00"), QStringLiteral("Project 99999=00:01:00")}));
    click("startStopButton");
    tick(1);
    click("removeButton");
    EXPECT_EQ(v.store->projects().size(), 99999);
}
