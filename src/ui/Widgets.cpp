#include "ui/Widgets.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

#include <algorithm>

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

void centreOnMainWindow(QWidget* window, const QWidget* over)
{
    if (!over)
        return;
    // Option and tool windows are children of their main window; help and
    // viewers remember the window they were opened from.
    const QWidget* main = over->window();
    while (main->parentWidget())
        main = main->parentWidget()->window();
    if (const QVariant owner = main->property("ownerWindow"); owner.isValid())
        if (const QPointer<QWidget> ownerWindow = owner.value<QPointer<QWidget>>(); ownerWindow)
            main = ownerWindow->window();
    window->ensurePolished();
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    // The insides centred on the insides: the window manager gives both the
    // same frame, which a window not yet shown does not know.
    QRect inside(QPoint(), window->size());
    inside.moveCenter(main->geometry().center());
    if (const QScreen* screen = main->screen()) {
        const QRect room = screen->availableGeometry();
        inside.moveRight(std::min(inside.right(), room.right()));
        inside.moveBottom(std::min(inside.bottom(), room.bottom()));
        inside.moveLeft(std::max(inside.left(), room.left()));
        inside.moveTop(std::max(inside.top(), room.top()));
    }
    window->setGeometry(inside);
    if (main != window)
        window->setProperty("ownerWindow", QVariant::fromValue(QPointer<QWidget>(const_cast<QWidget*>(main))));
}

void closeOnEscape(QWidget* window)
{
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

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
