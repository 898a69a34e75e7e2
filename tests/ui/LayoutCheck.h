#pragma once
// Looks at a window as laid out and names what a user would see wrong in it:
// a label or button whose text needs more room than it was given, widgets
// that lie on top of each other, and widgets that stick out of the widget
// that holds them (cut off at the window's edge, or at a frame's).

#include <QString>
#include <QStringList>

#include <string>

class QWidget;

namespace quorlix::testing
{

// One line per fault, "window: widget: what", empty when the window is fine.
QStringList layoutFaults(QWidget* window);
// The same as one text, for test expectations.
inline std::string layoutFaultText(QWidget* window)
{
    return layoutFaults(window).join(QLatin1Char('\n')).toStdString();
}

} // namespace quorlix::testing
