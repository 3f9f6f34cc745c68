#pragma once

class QString;
class QWidget;

namespace platform {

// What screen readers see beyond Qt's defaults: the application's tree includes the panel when
// it is a pop-up (Qt leaves pop-ups out of it), the panel's window reads as a window, the
// panel as a pane, the dividers as separators, and the picker offers its choice as text.
void installAccessibility();

// Has screen readers say `text`, for a change they would not hear of: readers follow the focus,
// and a control renamed or a choice changed away from it (Ctrl+S, a project added or removed) goes
// unheard; Qt 6.4 even tells of a renamed control with the control in place of its new name, so
// a focused Start Tracking control that now reads "Stop (…)" goes unheard too. Said only while
// `within` is shown.
void announce(QWidget* within, const QString& text);

} // namespace platform
