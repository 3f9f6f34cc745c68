#pragma once

#include <QFont>

class QWidget;

// The panel's text styles, derived from the desktop's own font so they follow its settings.
namespace panel_style {

QFont titleMonospaced();
QFont caption(const QFont& base);
QFont caption2(const QFont& base);
QFont captionMonospaced(const QFont& base);

// Dims a widget's text as secondary information.
void makeSecondary(QWidget* widget);

QWidget* divider(QWidget* parent);

} // namespace panel_style
