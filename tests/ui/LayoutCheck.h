#pragma once
// Looks at a window as laid out and names what a user would see wrong in it:
// a label or button whose text needs more room than it was given, widgets
// that lie on top of each other, and widgets that stick out of the widget
// that holds them (cut off at the window's edge, or at a frame's).

#include <QString>
#include <QStringList>

class QWidget;

namespace quorlix::testing
{

// One line per fault, "window: widget: what", empty when the window is fine.
QStringList layoutFaults(QWidget* window);

} // namespace quorlix::testing
