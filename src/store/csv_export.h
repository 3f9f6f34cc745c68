#pragma once

#include "model/tockle.h"

#include <QByteArray>
#include <QList>

// The export file, built whole in memory: header, then one line per record in list order,
// every line ending in a line feed.
QByteArray csvText(const QList<Tockle>& tockles);

// "Tockles_Export_" + whole seconds since 1970, truncated toward zero + ".csv".
QString exportFileName(Instant now);

// UTC "yyyy-MM-ddTHH:mm:ssZ" of the whole second that holds the instant.
QByteArray isoDateText(Instant instant);

// Shortest positional text that reads back to the same double, always with a fractional part.
QByteArray durationSecondsText(double seconds);
