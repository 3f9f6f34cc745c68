#pragma once

#include <QString>

// "%02i:%02i:%02i" of the seconds truncated toward zero; hours are not capped and remainders
// keep the sign of the total (minus 61 s reads 00:-1:-1). A value that has no whole-second
// form (NaN, infinite, 2^63 s or more either way) reads "--:--:--".
QString formatDuration(double seconds);

// The same text written at `out` (room for 32 bytes); returns its length.
int writeDuration(char* out, double seconds);
