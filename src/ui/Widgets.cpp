#include "ui/Widgets.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>

#include <algorithm>
#include <QEvent>
#include <QPainter>
#include <QStyle>

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

void ElidedLabel::setText(const QString& text)
{
    QLabel::setText(text);
    updateToolTip();
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QSize full = QLabel::minimumSizeHint();
    const int few = fontMetrics().horizontalAdvance(QStringLiteral("Abc...")) + (width() - textRect().width());
    return {std::min(full.width(), few), full.height()};
}

QRect ElidedLabel::textRect() const
{
    int indent = this->indent();
    if (indent < 0 && frameWidth() > 0)
        indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2; // what QLabel itself leaves
    return contentsRect().adjusted(margin() + std::max(indent, 0), margin(), -margin() - std::max(indent, 0),
                                   -margin());
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRect().width());
}

void ElidedLabel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event); // the frame; the text is painted here, shortened
    QPainter painter(this);
    style()->drawItemText(&painter, textRect(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    updateToolTip();
}

void ElidedLabel::updateToolTip()
{
    setToolTip(shownText() == text() ? QString() : text());
}

void guardWheelInEveryWindow()
{
    static WheelGuard* guard = nullptr;
    if (guard)
        return;
    guard = new WheelGuard(qApp);
    qApp->installEventFilter(guard);
}

} // namespace quorlix::ui
