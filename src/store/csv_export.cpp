#include "store/csv_export.h"

#include "model/byte_writer.h"
#include "model/duration_format.h"

#include <QHash>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr char header[] = "Project Name,Start Time,End Time,Duration (s),Duration (HR:MIN:SEC)\n";

// Days since 1970-01-01 to a proleptic Gregorian civil date, valid for any day count that the
// callers' range check lets through.
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

void twoDigits(char* out, long long v)
{
    out[0] = char('0' + v / 10);
    out[1] = char('0' + v % 10);
}

// Formats date-times, remembering the last day: a history's neighbouring records mostly share it.
class DateWriter {
public:
    // Writes "yyyy-MM-ddTHH:mm:ssZ" at `out` (room for 48 bytes), nothing for instants that
    // have no calendar date worth the name; returns the length.
    int write(char* out, Instant instant)
    {
        // The fraction is dropped before the 1970 offset is added: added first, in floating
        // point, it could carry a time just short of a second into the next one.
        const double whole = std::floor(instant.secondsSinceReference());
        // Beyond about 30 million years a date would overflow the day arithmetic; only a
        // hand-edited file holds such a time, and it gets an empty field.
        if (!(std::fabs(whole) < 1e15))
            return 0;
        const auto total = static_cast<long long>(whole) + static_cast<long long>(Instant::unixOffset);
        long long days = total / 86400;
        long long secondOfDay = total % 86400;
        if (secondOfDay < 0) {
            secondOfDay += 86400;
            --days;
        }
        if (days != lastDay || dayLength == 0) {
            long long year;
            int month, day;
            civilFromDays(days, year, month, day);
            dayLength = std::snprintf(dayText, sizeof dayText, "%04lld-%02d-%02dT", year, month, day);
            lastDay = days;
        }
        std::memcpy(out, dayText, size_t(dayLength));
        char* p = out + dayLength;
        twoDigits(p, secondOfDay / 3600);
        p[2] = ':';
        twoDigits(p + 3, secondOfDay / 60 % 60);
        p[5] = ':';
        twoDigits(p + 6, secondOfDay % 60);
        p[8] = 'Z';
        return dayLength + 9;
    }

private:
    long long lastDay = 0;
    int dayLength = 0;
    char dayText[40] = {};
};

QByteArray quotedName(const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out.append('"');
    // Doubling inner quotes keeps a name with quotes one field in every CSV reader.
    for (char c : utf8) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
    return out;
}

// Field 4: shortest positional text, always with a fractional part. JSON cannot carry NaN or
// infinities, so no stored record holds one; should one reach here the field stays empty.
void putSeconds(ByteWriter& out, double seconds)
{
    if (!std::isfinite(seconds))
        return;
    // Positional form of the largest doubles runs to 309 digits, of the smallest to 1075.
    char* p = out.room(1100);
    char* end = std::to_chars(p, p + 1100, seconds, std::chars_format::fixed).ptr;
    if (!std::memchr(p, '.', size_t(end - p))) {
        *end++ = '.';
        *end++ = '0';
    }
    out.advance(end - p);
}

void putLine(ByteWriter& out, const Tockle& t, const QByteArray& name, DateWriter& dates)
{
    out.putRaw(name);
    char* p = out.room(128);
    char* q = p;
    *q++ = ',';
    q += dates.write(q, t.startTime);
    *q++ = ',';
    q += dates.write(q, t.endTime);
    *q++ = ',';
    out.advance(q - p);
    putSeconds(out, t.duration);
    p = out.room(40);
    q = p;
    *q++ = ',';
    q += writeDuration(q, t.duration);
    *q++ = '\n';
    out.advance(q - p);
}

} // namespace

QString exportFileName(Instant now)
{
    const double unix = std::trunc(now.secondsSince1970());
    const long long whole = std::fabs(unix) < 9.2e18 ? static_cast<long long>(unix) : 0;
    return QStringLiteral("Tockles_Export_%1.csv").arg(whole);
}

QByteArray csvText(const QList<Tockle>& tockles)
{
    ByteWriter out(qsizetype(sizeof header) + tockles.size() * 110);
    out.putRaw(header, qsizetype(sizeof header) - 1);
    DateWriter dates;
    QHash<std::pair<const QChar*, qsizetype>, QByteArray> names;
    for (const Tockle& t : tockles) {
        const std::pair<const QChar*, qsizetype> key{t.projectName.constData(), t.projectName.size()};
        auto name = names.constFind(key);
        if (name == names.cend())
            name = names.insert(key, quotedName(t.projectName));
        putLine(out, t, *name, dates);
    }
    return out.take();
}
