#include "store/csv_export.h"

#include "model/duration_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr char header[] = "Project Name,Start Time,End Time,Duration (s),Duration (HR:MIN:SEC)\n";

// Days since 1970-01-01 to a proleptic Gregorian civil date, valid for any 64-bit day count
// that the caller's range check lets through.
void civilFromDays(long long z, long long& year, int& month, int& day)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = yoe + era * 400 + (month <= 2);
}

void appendQuotedName(QByteArray& out, const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    out.append('"');
    // Doubling inner quotes keeps a name with quotes one field in every CSV reader.
    for (char c : utf8) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

} // namespace

QByteArray isoDateText(Instant instant)
{
    const double unix = std::floor(instant.secondsSince1970());
    // Beyond about 30 million years a date has no use and would overflow the day arithmetic;
    // a hand-edited file gets an empty field instead.
    if (!(std::fabs(unix) < 1e15))
        return {};
    const auto total = static_cast<long long>(unix);
    long long days = total / 86400;
    long long secondOfDay = total % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    long long year;
    int month, day;
    civilFromDays(days, year, month, day);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ", year, month,
                                day, int(secondOfDay / 3600), int(secondOfDay / 60 % 60),
                                int(secondOfDay % 60));
    return QByteArray(text, n);
}

QByteArray durationSecondsText(double seconds)
{
    // JSON cannot carry NaN or infinities, so no stored record holds one; an empty field says
    // "no value" should one ever reach here.
    if (!std::isfinite(seconds))
        return {};
    char text[1100];
    const auto result = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed);
    QByteArray out(text, result.ptr - text);
    if (!out.contains('.'))
        out.append(".0");
    return out;
}

QString exportFileName(Instant now)
{
    const double unix = std::trunc(now.secondsSince1970());
    const long long whole = std::fabs(unix) < 9.2e18 ? static_cast<long long>(unix) : 0;
    return QStringLiteral("Tockles_Export_%1.csv").arg(whole);
}

void appendCsvLine(QByteArray& out, const Tockle& tockle)
{
    appendQuotedName(out, tockle.projectName);
    out.append(',');
    out.append(isoDateText(tockle.startTime));
    out.append(',');
    out.append(isoDateText(tockle.endTime));
    out.append(',');
    out.append(durationSecondsText(tockle.duration));
    out.append(',');
    out.append(formatDuration(tockle.duration).toLatin1());
    out.append('\n');
}

QByteArray csvText(const QList<Tockle>& tockles)
{
    QByteArray out;
    out.reserve(sizeof header + tockles.size() * 96);
    out.append(header);
    for (const Tockle& tockle : tockles)
        appendCsvLine(out, tockle);
    return out;
}
