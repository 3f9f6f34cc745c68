#include "model/duration_format.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// printf's "%02" for one number: at least two characters, zero-filled, a minus sign counting.
char* writeTwoWide(char* out, long long value)
{
    if (value >= 0 && value < 10) {
        *out++ = '0';
        *out++ = char('0' + value);
        return out;
    }
    return std::to_chars(out, out + 24, value).ptr;
}

} // namespace

int writeDuration(char* out, double seconds)
{
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!(std::fabs(seconds) < limit)) {
        std::memcpy(out, "--:--:--", 8);
        return 8;
    }
    const auto total = static_cast<long long>(seconds);
    char* p = writeTwoWide(out, total / 3600); // past 32 bits, hours are still printed whole
    *p++ = ':';
    p = writeTwoWide(p, total / 60 % 60);
    *p++ = ':';
    p = writeTwoWide(p, total % 60);
    return int(p - out);
}

QString formatDuration(double seconds)
{
    char text[32];
    return QString::fromLatin1(text, writeDuration(text, seconds));
}
