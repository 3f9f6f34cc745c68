#include "model/duration_format.h"

#include <cmath>
#include <cstdio>

QString formatDuration(double seconds)
{
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!(std::fabs(seconds) < limit))
        return QStringLiteral("--:--:--");
    const auto total = static_cast<long long>(seconds);
    const long long hours = total / 3600;
    const int minutes = int(total / 60 % 60);
    const int secs = int(total % 60);
    char text[48];
    // Hours past the 32-bit range are still printed whole rather than wrapped.
    const int n = std::snprintf(text, sizeof text, "%02lld:%02i:%02i", hours, minutes, secs);
    return QString::fromLatin1(text, n);
}
