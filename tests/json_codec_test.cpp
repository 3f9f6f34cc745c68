#include "model/json_codec.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

namespace {

QUuid uuid(const char* text) { return *parseUuidText(text); }

Tockle record(const char* id, const QString& name, double start, double end, double duration)
{
    return Tockle(uuid(id), name, Instant::fromReferenceSeconds(start),
                  Instant::fromReferenceSeconds(end), duration);
}

QByteArray encoded(const QList<Tockle>& list) { return encodeTockles(list).value(); }

uint64_t bits(double d) { return std::bit_cast<uint64_t>(d); }

} // namespace

TEST(RecordsFile, WritesTheExactCompactForm)
{
    const QList<Tockle> list = {
        record("0a1b2c3d-4e5f-6789-abcd-ef0123456789", QStringLiteral("Client/Web"), 786303000.25,
               786303125.5, 125.25),
        record("00000000-0000-0000-0000-000000000000", QString::fromUtf8("Caf\xC3\xA9 \"q\" \\ \t\x01"),
               -3.5, 1e20, 0),
    };
    const QByteArray expected =
        R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","projectName":"Client\/Web",)"
        R"("startTime":786303000.25,"endTime":786303125.5,"duration":125.25},)"
        "{\"id\":\"00000000-0000-0000-0000-000000000000\",\"projectName\":\"Caf\xC3\xA9 \\\"q\\\" \\\\ \\t\\u0001\","
        R"("startTime":-3.5,"endTime":1e+20,"duration":0}])";
    EXPECT_EQ(encoded(list), expected);
    EXPECT_EQ(encoded({}), "[]");
    EXPECT_TRUE(decodeTockles(" [ ] \n") && decodeTockles("[]")->isEmpty());
    for (const double bad : {std::nan(""), double(INFINITY)}) // JSON has no form for them
        EXPECT_FALSE(encodeTockles({record("0a1b2c3d-4e5f-6789-abcd-ef0123456789", QStringLiteral("A"), bad, 0, bad)}));
}

TEST(RecordsFile, EveryFiniteDoubleRoundTripsBitForBit)
{
    std::mt19937_64 random(20261206);
    QList<Tockle> list;
    QList<double> values = {0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
                            -1.7976931348623157e308, 0.1, 786303000.123456789, -978307200.5, 1e-7, 123456789012345678.0};
    while (values.size() < 3000) {
        const double d = std::bit_cast<double>(random());
        if (std::isfinite(d))
            values.append(d);
    }
    for (qsizetype i = 0; i + 2 < values.size(); i += 3)
        list.append(Tockle(QStringLiteral("p"), Instant::fromReferenceSeconds(values[i]),
                           Instant::fromReferenceSeconds(values[i + 1]), values[i + 2]));
    const auto decoded = decodeTockles(encoded(list));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        EXPECT_EQ(bits((*decoded)[i].startTime.secondsSinceReference()), bits(list[i].startTime.secondsSinceReference()));
        EXPECT_EQ(bits((*decoded)[i].endTime.secondsSinceReference()), bits(list[i].endTime.secondsSinceReference()));
        EXPECT_EQ(bits((*decoded)[i].duration), bits(list[i].duration));
        EXPECT_EQ((*decoded)[i].id, list[i].id);
    }
}

TEST(RecordsFile, ReadsFilesWrittenByAnotherBuild)
{
    const QByteArray file =
        R"([{"duration":1.25E2,"endTime":786303125,"extra":{"nested":[1,true,null,"x"]},)"
        R"("projectName":"Client\/Caf\u00e9 \ud83d\ude00","startTime":7.863030005e8,)"
        R"("id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789"},)"
        R"({"id":"FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF","projectName":"","startTime":-0,)"
        R"("endTime":0.0,"duration":-1e-3}])";
    const auto decoded = decodeTockles(file);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), 2);
    const Tockle& t = decoded->at(0);
    EXPECT_EQ(t.projectName, QString::fromUtf8("Client/Caf\xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_EQ(t.startTime.secondsSinceReference(), 786303000.5);
    EXPECT_EQ(t.endTime.secondsSinceReference(), 786303125.0);
    EXPECT_EQ(t.duration, 125.0);
    EXPECT_EQ(uuidText(t.id), "0A1B2C3D-4E5F-6789-ABCD-EF0123456789");
    EXPECT_EQ(decoded->at(1).projectName, QString());
    EXPECT_EQ(decoded->at(1).duration, -0.001);

    // Written back: upper-case ids, members in order, the extra member gone.
    EXPECT_EQ(encoded(*decoded),
              QByteArray(R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","projectName":"Client\/Caf)"
                         "\xC3\xA9 \xF0\x9F\x98\x80"
                         R"(","startTime":786303000.5,"endTime":786303125,"duration":125},)"
                         R"({"id":"FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF","projectName":"","startTime":-0,)"
                         R"("endTime":0,"duration":-0.001}])"));
}

TEST(RecordsFile, AcceptsWhatTheRulesLeaveAlone)
{
    // Duplicate ids, start after end, a negative duration and a huge integer form all load.
    const QByteArray file =
        R"([{"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":10,"endTime":5,"duration":-5},)"
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":123456789012345678901234567890,"endTime":5,"duration":0}])";
    const auto decoded = decodeTockles(file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), 2);
    EXPECT_EQ(decoded->at(1).startTime.secondsSinceReference(), 1.2345678901234568e29);
}

TEST(RecordsFile, OneBadRecordFailsTheWholeFile)
{
    const QByteArray good =
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1,"endTime":2,"duration":1})";
    const char* const bad[] = {
        R"({"projectName":"A","startTime":1,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1,"endTime":2})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":"1","endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":null,"startTime":1,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1,"endTime":2,"duration":null})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":7,"startTime":1,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef01234567","projectName":"A","startTime":1,"endTime":2,"duration":1})",
        R"({"id":"{0a1b2c3d-4e5f-6789-abcd-ef0123456789}","projectName":"A","startTime":1,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789x","projectName":"A","startTime":1,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d04e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1,"endTime":2,"duration":1})",
        R"({"id":"0g1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1e400,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":-1e400,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":NaN,"endTime":2,"duration":1})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"\ud800","startTime":1,"endTime":2,"duration":1})",
        "{\"id\":\"0a1b2c3d-4e5f-6789-abcd-ef0123456789\",\"projectName\":\"\x01\",\"startTime\":1,\"endTime\":2,\"duration\":1}",
        "{\"id\":\"0a1b2c3d-4e5f-6789-abcd-ef0123456789\",\"projectName\":\"\xC3\x28\",\"startTime\":1,\"endTime\":2,\"duration\":1}",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":1,"endTime":2,"duration":1,"x":[1,tru]})",
        R"({"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","startTime":01,"endTime":2,"duration":1})",
        R"(["0a1b2c3d-4e5f-6789-abcd-ef0123456789","A",1,2,1])",
        R"(null)",
    };
    for (const char* element : bad) {
        SCOPED_TRACE(element);
        EXPECT_TRUE(decodeTockles("[" + good + "]"));
        EXPECT_FALSE(decodeTockles("[" + good + "," + element + "]"));
        EXPECT_FALSE(decodeTockles("[" + QByteArray(element) + "," + good + "]"));
    }
}

// Files of several megabytes are parsed a slice at a time; the result must be that of one piece.
TEST(RecordsFile, ALongFileReadsExactlyAsOnePiece)
{
    const struct {
        const char* name;
        const char* separator;
    } forms[] = {
        {"Client project", ","},
        {"Looks like a break },{ inside a name", ","}, // a cut there ends a slice inside a string
        {"Pretty", " ,\n  "},
        {"Nested", ","}, // records carry an ignored member with a break of its own inside
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        QList<Tockle> list;
        for (int i = 0; i < 40000; ++i)
            // Names of varying length, so that slices end at every place within a record.
            list.append(Tockle(QString::fromUtf8(form.name) + QString(i % 37, QLatin1Char('x')),
                               Instant::fromReferenceSeconds(i), Instant::fromReferenceSeconds(i + 0.5), 0.5));
        QByteArray file = encoded(list);
        file.replace("},{", QByteArray("}") + form.separator + "{");
        if (std::string_view(form.name) == "Nested")
            file.replace("\"duration\":0.5}", R"("duration":0.5,"x":[{},{}]})");
        const auto decoded = decodeTockles(file);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(decoded->size(), list.size());
        for (qsizetype i = 0; i < list.size(); ++i) {
            EXPECT_EQ(decoded->at(i).id, list[i].id);
            EXPECT_EQ(decoded->at(i).projectName, list[i].projectName);
        }
        // One fault anywhere still fails the whole file.
        for (double at : {0.0, 0.3, 0.6, 0.99}) {
            const qsizetype cut = file.indexOf(R"({"id")", qsizetype(double(file.size()) * at));
            EXPECT_FALSE(decodeTockles(file.left(cut) + R"({"id":"x"},)" + file.mid(cut))) << at;
        }
        EXPECT_FALSE(decodeTockles(file + "]"));
        EXPECT_FALSE(decodeTockles(file.chopped(1)));
        EXPECT_TRUE(decodeTockles(" \n" + file + "\n"));
    }
}

TEST(RecordsFile, MalformedDocumentsFail)
{
    const char* const bad[] = {"",        "{}",       "\"x\"",   "[",        "[]]",       "[] x",
                               "[],[]",   "[1]",      "nul",     "[{}",      "[\"a\",]", "[] \x01",
                               // found by fuzzing: a broken literal inside an ignored member
                               R"([{"x":{"nested":[1,true,null3d]}}])", R"([{"x":nul}])", R"([{"x":[tru]}])"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(decodeTockles(text));
    }
    // An ignored member nested 200,000 deep: the file fails, and the stack holds.
    const QByteArray deep = R"([{"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","x":)"
                            + QByteArray(200000, '[') + QByteArray(200000, ']')
                            + R"(,"startTime":1,"endTime":2,"duration":1}])";
    EXPECT_FALSE(decodeTockles(deep));
    const QByteArray shallow = R"([{"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","projectName":"A","x":)"
                               + QByteArray(100, '[') + QByteArray(100, ']')
                               + R"(,"startTime":1,"endTime":2,"duration":1}])";
    EXPECT_TRUE(decodeTockles(shallow)) << "ordinary nesting in an ignored member still loads";
}

TEST(ProjectsFile, KeepsNamesExactlyAsTheyStand)
{
    const QStringList names = {QStringLiteral("Zeta"), QStringLiteral("Alpha"), QStringLiteral("Zeta"),
                               QString(), QStringLiteral("  spaced  "), QChar(0xFEFF) + QStringLiteral("bom"),
                               // found by fuzzing: only the first of several was kept
                               QString(3, QChar(0xFEFF)),
                               QString::fromUtf8("a/b \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xE2\x80\x8F")};
    const QByteArray bytes = encodeProjects(names);
    EXPECT_EQ(bytes, QByteArray("[\"Zeta\",\"Alpha\",\"Zeta\",\"\",\"  spaced  \",\"\xEF\xBB\xBF" "bom\","
                                "\"\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF\","
                                "\"a\\/b \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xE2\x80\x8F\"]"));
    const auto decoded = decodeProjects(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, names);
    EXPECT_EQ(decoded->at(5).at(0), QChar(0xFEFF));
    EXPECT_EQ(decoded->at(6).size(), 3);
    EXPECT_EQ(encodeProjects({}), "[]");
}

TEST(ProjectsFile, ReadsEveryEscapeAndFailsOnAnythingButStrings)
{
    const auto decoded = decodeProjects(R"(["a/b","a\/b","\u00e9\"\\\b\f\n\r\t\u0000"])");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->at(0), QStringLiteral("a/b"));
    EXPECT_EQ(decoded->at(1), QStringLiteral("a/b"));
    EXPECT_EQ(decoded->at(2), QString::fromUtf8("\xC3\xA9\"\\\b\f\n\r\t") + QChar(0));
    for (const char* text : {R"(["a",1])", R"(["a",null])", R"({"a":"b"})", R"(["a"] ["b"])", R"(["\x"])"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(decodeProjects(text));
    }
}

TEST(ProjectsFile, AByteOrderMarkBeforeTheWholeFileIsSkipped)
{
    EXPECT_EQ(decodeProjects("\xEF\xBB\xBF[\"a\"]"), QStringList{QStringLiteral("a")});
    EXPECT_FALSE(decodeProjects("\xEF\xBB\xBF\xEF\xBB\xBF[\"a\"]")) << "only one, and only before the array";
}

TEST(UuidText, StrictParsingAndUpperCaseOutput)
{
    EXPECT_EQ(uuidText(*parseUuidText("abcdef01-2345-6789-abcd-ef0123456789")),
              "ABCDEF01-2345-6789-ABCD-EF0123456789");
    EXPECT_TRUE(parseUuidText("00000000-0000-0000-0000-000000000000"));
    for (const char* text : {"", "abcdef01-2345-6789-abcd-ef012345678", "abcdef01-2345-6789-abcd-ef01234567890",
                             "abcdef01+2345-6789-abcd-ef0123456789", " bcdef01-2345-6789-abcd-ef0123456789",
                             "abcdef0123456789abcdef0123456789"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseUuidText(text));
    }
    const QUuid fresh = QUuid::createUuid();
    EXPECT_EQ(*parseUuidText(uuidText(fresh).toStdString()), fresh);
}
