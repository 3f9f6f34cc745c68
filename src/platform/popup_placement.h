#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where the panel opens: beside the tray icon (or the point it hangs from) on the side that
// faces the free screen area (below a top bar, above a bottom bar, next to a side bar), or at
// `fallback` when it hangs from nothing. Always inside the screen's available area.
QPoint popupPosition(QSize panel, QRect icon, QPoint fallback, QRect available);

// What the panel hangs from: the icon's geometry or the point a host says was clicked (`icon`,
// a single point then), or the pointer when neither is known. A `pointer` outside `available`
// (on one of the desktop's bars) is on the icon just clicked and beats a host's point. Empty
// when nothing is known.
QRect panelAnchor(QRect icon, std::optional<QPoint> pointer, QRect available);

// Where on `screen` a tray most likely sits, when nothing says: at the right end of the bar
// that the desktop keeps clear of windows (the part of the screen outside `available`).
QPoint trayEnd(QRect screen, QRect available);

// The part of `screen` (logical pixels, `scale` native pixels to one) that the desktop's work area
// (`desktopArea`, one rectangle round all screens, in native pixels) keeps clear of bars; `screen`
// itself where that rectangle cannot describe it (screens stacked, or of other sizes).
QRect workAreaOn(QRect screen, qreal scale, QRect desktopArea);

// Trays report an empty rectangle, or (0,0) before the icon is placed, when they do not know.
bool iconGeometryKnown(QRect icon);
