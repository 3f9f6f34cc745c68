#include "model/duration_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(FormatDuration, TruncatesTowardZeroAndNeverCapsHours)
{
    EXPECT_EQ(formatDuration(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(formatDuration(59.99), QStringLiteral("00:00:59"));
    EXPECT_EQ(formatDuration(3600 + 120 + 5.9), QStringLiteral("01:02:05"));
    EXPECT_EQ(formatDuration(2.5), QStringLiteral("00:00:02"));
    EXPECT_EQ(formatDuration(86400), QStringLiteral("24:00:00"));
    EXPECT_EQ(formatDuration(360000), QStringLiteral("100:00:00"));
    EXPECT_EQ(formatDuration(3600.0 * 2147483647.0), QStringLiteral("2147483647:00:00"));
    EXPECT_EQ(formatDuration(3600.0 * 2147483648.0 + 61), QStringLiteral("2147483648:01:01"))
        << "hours past 32 bits are printed whole, not wrapped";
}

TEST(FormatDuration, NegativeValuesKeepTheSignInEachPart)
{
    EXPECT_EQ(formatDuration(-0.5), QStringLiteral("00:00:00"));
    EXPECT_EQ(formatDuration(-1), QStringLiteral("00:00:-1"));
    EXPECT_EQ(formatDuration(-61), QStringLiteral("00:-1:-1"));
    EXPECT_EQ(formatDuration(-3661), QStringLiteral("-1:-1:-1"));
}

TEST(FormatDuration, ValuesWithoutAWholeSecondFormNeverCrash)
{
    for (double v : {std::nan(""), double(INFINITY), -double(INFINITY), 9223372036854775808.0, -9223372036854775808.0, 1e300}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(formatDuration(v), QStringLiteral("--:--:--"));
    }
    EXPECT_EQ(formatDuration(9223372036854774784.0), QStringLiteral("2562047788015215:13:04"));
}
