#pragma once
// Input as the window system delivers it, for what QTest has no function for.

#include <QApplication>
#include <QSpontaneKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace quorlix::testing
{

// Turns the mouse wheel by notches (negative: towards the user, scrolling
// down) with the pointer over point at of over. The event goes to the widget
// under the pointer and, while none takes it, on to its parents, as a wheel
// event from the window system does.
inline void turnWheel(QWidget* over, int notches, QPoint at = {-1, -1})
{
    if (at == QPoint(-1, -1))
        at = over->rect().center();
    QWidget* window = over->window();
    const QPoint inWindow = over->mapTo(window, at);
    QWidget* receiver = window->childAt(inWindow);
    if (!receiver)
        receiver = window;
    const QPointF local = receiver->mapFrom(window, inWindow);
    QWheelEvent event(local, receiver->mapToGlobal(local), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // As QTest sends its keys: sendEvent would mark it as made by the program.
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(receiver, &event);
}

} // namespace quorlix::testing
