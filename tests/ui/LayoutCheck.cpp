#include "LayoutCheck.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <vector>

namespace quorlix::testing
{

namespace
{

QString nameOf(const QWidget* w)
{
    QString name = w->objectName();
    if (name.isEmpty())
        name = QString::fromLatin1(w->metaObject()->className());
    if (const auto* label = qobject_cast<const QLabel*>(w); label && !label->text().isEmpty())
        name += QStringLiteral(" \"%1\"").arg(label->text().left(40));
    if (const auto* button = qobject_cast<const QAbstractButton*>(w); button && !button->text().isEmpty())
        name += QStringLiteral(" \"%1\"").arg(button->text());
    return name;
}

QString sizeText(QSize s)
{
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// The viewport of a scroll area shows part of its contents on purpose.
bool isScrollViewport(const QWidget* w)
{
    const auto* area = w ? qobject_cast<const QAbstractScrollArea*>(w->parentWidget()) : nullptr;
    return area && area->viewport() == w;
}

// What a user reads or works: the widgets that must not hide each other.
bool isControl(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return !label->text().isEmpty() || !label->pixmap().isNull();
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QGroupBox*>(w) ||
           QByteArray(w->metaObject()->className()).endsWith("ProgressBar");
}

QRect inWindow(const QWidget* w, const QWidget* window)
{
    return {w->mapTo(window, QPoint(0, 0)), w->size()};
}

// The part of w its ancestors leave on the screen.
QRect shownPart(const QWidget* w, const QWidget* window)
{
    QRect r = inWindow(w, window);
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        r &= inWindow(p, window);
        if (p == window)
            break;
    }
    return r;
}

// Why the text of w does not fit, or an empty text.
QString textRoom(const QWidget* w)
{
    if (w->inherits("quorlix::ui::ElidedLabel"))
        return {}; // shortens its text to its room on purpose, with the whole text as tooltip
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty()) {
            const QSize pixmap = label->pixmap().deviceIndependentSize().toSize();
            if (!label->pixmap().isNull() &&
                (pixmap.width() > label->contentsRect().width() || pixmap.height() > label->contentsRect().height()))
                return QStringLiteral("picture of %1 in %2").arg(sizeText(pixmap), sizeText(label->contentsRect().size()));
            return {};
        }
        if (label->wordWrap()) {
            const int height = label->heightForWidth(label->width());
            if (height > label->height())
                return QStringLiteral("wrapped text needs %1 px of height, has %2").arg(height).arg(label->height());
            const int width = label->minimumSizeHint().width();
            if (width > label->width())
                return QStringLiteral("its longest word needs %1 px, has %2").arg(width).arg(label->width());
            return {};
        }
        const QSize need = label->sizeHint();
        if (need.width() > label->width() || need.height() > label->height())
            return QStringLiteral("text needs %1, has %2").arg(sizeText(need), sizeText(label->size()));
        return {};
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        if (button->text().isEmpty())
            return {};
        const QSize need = button->sizeHint();
        if (need.width() > button->width() || need.height() > button->height())
            return QStringLiteral("caption needs %1, has %2").arg(sizeText(need), sizeText(button->size()));
        return {};
    }
    if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
        const QSize need = box->minimumSizeHint();
        if (need.width() > box->width())
            return QStringLiteral("title and contents need %1 px, have %2").arg(need.width()).arg(box->width());
    }
    return {};
}

} // namespace

QStringList layoutFaults(QWidget* window)
{
    QStringList faults;
    const QString where = nameOf(window) + QStringLiteral(": ");
    std::vector<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->isWindow())
            continue;
        if (const QString room = textRoom(w); !room.isEmpty())
            faults << where + nameOf(w) + QStringLiteral(": ") + room;
        // Cut off by what holds it (a scrolled panel shows part of its contents on purpose).
        if (QWidget* holder = w->parentWidget(); holder && !isScrollViewport(holder) &&
                                                  !holder->rect().contains(w->geometry()))
            faults << where + nameOf(w) +
                          QStringLiteral(": lies at %1,%2 %3, outside the %4 of %5")
                              .arg(w->x())
                              .arg(w->y())
                              .arg(sizeText(w->size()), sizeText(holder->size()), nameOf(holder));
        if (isControl(w) && !shownPart(w, window).isEmpty())
            controls.push_back(w);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            const QRect both = shownPart(a, window) & shownPart(b, window);
            if (!both.isEmpty())
                faults << where + nameOf(a) + QStringLiteral(" and ") + nameOf(b) +
                              QStringLiteral(": overlap by %1").arg(sizeText(both.size()));
        }
    }
    return faults;
}

} // namespace quorlix::testing
