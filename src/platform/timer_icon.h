#pragma once

#include <QColor>
#include <QIcon>

// The "timer" symbol in `color`, outlined in the opposite shade so that it keeps its contrast
// on light and dark panels alike; while tracking, with a red dot at its lower right. Where the
// icon theme holds our symbolic icons, the icon carries their name too, so that a
// StatusNotifierItem host can draw it in the panel's own colours.
QIcon timerIcon(const QColor& color, bool tracking = false);

// The SVG at `resource`, drawn by the program itself at every size and mode.
QIcon svgIcon(const QString& resource);
