#pragma once

#include <QColor>
#include <QIcon>

// The "timer" symbol drawn in `color` with a faint halo of the opposite shade, so it reads on
// light and dark panels alike, and sharp at every size the tray asks for.
QIcon timerIcon(const QColor& color);
