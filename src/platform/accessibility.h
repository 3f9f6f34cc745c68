#pragma once

namespace platform {

// What screen readers see beyond Qt's defaults: the application's tree includes the panel when
// it is a pop-up (Qt leaves pop-ups out of it), the panel's window reads as a window, the
// panel as a pane, the dividers as separators, and the picker offers its choice as text.
void installAccessibility();

} // namespace platform
