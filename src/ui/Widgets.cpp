#include "ui/Widgets.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>

namespace quorlix::ui
{

namespace
{

bool changesByWheel(const QObject* o)
{
    return qobject_cast<const QComboBox*>(o) || qobject_cast<const QAbstractSpinBox*>(o);
}

class WheelGuard final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!changesByWheel(watched))
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Polish) {
            // The default, wheel focus, would hand it the focus under a passing wheel.
            if (widget->focusPolicy() == Qt::WheelFocus)
                widget->setFocusPolicy(Qt::StrongFocus);
        } else if (event->type() == QEvent::Wheel && !widget->hasFocus()) {
            event->ignore(); // on to the panel below it
            return true;
        }
        return false;
    }
};

} // namespace

void guardWheelInEveryWindow()
{
    static WheelGuard* guard = nullptr;
    if (guard)
        return;
    guard = new WheelGuard(qApp);
    qApp->installEventFilter(guard);
}

} // namespace quorlix::ui
