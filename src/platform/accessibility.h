#pragma once

class QString;
class QWidget;

namespace platform {

// What screen readers see beyond Qt's defaults: the application's tree includes the panel when
// it is a pop-up (Qt leaves pop-ups out of it), the panel's window reads as a window, the
// panel as a pane, the dividers as separators, and the picker offers its choice as text.
void installAccessibility();

// Has screen readers say `text`, for a change they would not hear of: Qt before 6.5 tells them of
// a renamed control with the control in place of its new name, so even a focused Start Tracking
// control that now reads "Stop (…)" goes unheard. Said only while `within` is shown.
void announce(QWidget* within, const QString& text);

} // namespace platform
