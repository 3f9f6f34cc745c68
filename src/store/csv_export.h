#pragma once

#include "model/tockle.h"

#include <QByteArray>
#include <QList>

// The export file, built whole in memory: header, then one line per record in list order,
// every line ending in a line feed.
QByteArray csvText(const QList<Tockle>& tockles);

// "Tockles_Export_" + whole seconds since 1970, truncated toward zero + ".csv".
QString exportFileName(Instant now);
