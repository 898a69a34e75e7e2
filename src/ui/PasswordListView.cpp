#include "ui/PasswordListView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace quorlix::ui
{

PasswordListView::PasswordListView(QWidget* parent) : QAbstractItemView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The vertical bar counts rows, not pixels: any number of rows fits it.
}

int PasswordListView::rowHeight() const
{
    return std::max(1, fontMetrics().height() + 2);
}

int PasswordListView::rows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int PasswordListView::firstShown() const
{
    return verticalScrollBar()->value();
}

int PasswordListView::rowsShown() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

QRect PasswordListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    const long long y = static_cast<long long>(index.row() - firstShown()) * rowHeight();
    if (y < INT_MIN / 2 || y > INT_MAX / 2)
        return {}; // far out of sight
    const int width = std::max(viewport()->width() + horizontalOffset(), m_widest);
    return {-horizontalOffset(), static_cast<int>(y), width, rowHeight()};
}

void PasswordListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int row = index.row();
    const int top = firstShown();
    const int shown = rowsShown();
    int target = top;
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            target = row;
        else if (row >= top + shown)
            target = row - shown + 1;
        break;
    case PositionAtTop:
        target = row;
        break;
    case PositionAtBottom:
        target = row - shown + 1;
        break;
    case PositionAtCenter:
        target = row - shown / 2;
        break;
    }
    verticalScrollBar()->setValue(target);
}

QModelIndex PasswordListView::indexAt(const QPoint& point) const
{
    if (!model() || point.y() < 0)
        return {};
    const long long row = firstShown() + static_cast<long long>(point.y() / rowHeight());
    if (row >= rows())
        return {};
    return model()->index(static_cast<int>(row), 0, rootIndex());
}

QModelIndex PasswordListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int count = rows();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    int next = row;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        next = row - 1;
        break;
    case MoveDown:
    case MoveNext:
        next = row + 1;
        break;
    case MovePageUp:
        next = row - rowsShown();
        break;
    case MovePageDown:
        next = row + rowsShown();
        break;
    case MoveHome:
        next = 0;
        break;
    case MoveEnd:
        next = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        return current;
    }
    return model()->index(std::clamp(next, 0, count - 1), 0, rootIndex());
}

int PasswordListView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int PasswordListView::verticalOffset() const
{
    const long long offset = static_cast<long long>(firstShown()) * rowHeight();
    return static_cast<int>(std::min<long long>(offset, INT_MAX));
}

bool PasswordListView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void PasswordListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags)
{
    // The rows the rectangle touches (a click gives a rectangle of one point).
    const QRect r = rect.normalized();
    const int height = rowHeight();
    auto rowAt = [&](int y) {
        return static_cast<long long>(firstShown()) + (y >= 0 ? y / height : -((-y + height - 1) / height));
    };
    const long long top = std::max<long long>(rowAt(r.top()), 0);
    const long long bottom = std::min<long long>(rowAt(r.bottom()), rows() - 1);
    if (top > bottom) {
        if (flags & QItemSelectionModel::Clear)
            selectionModel()->clearSelection();
        return;
    }
    selectionModel()->select(QItemSelection(model()->index(static_cast<int>(top), 0, rootIndex()),
                                            model()->index(static_cast<int>(bottom), 0, rootIndex())),
                             flags);
}

QRegion PasswordListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    const int top = firstShown();
    const int bottom = top + rowsShown() + 1;
    for (const QItemSelectionRange& range : selection) {
        const int from = std::max(range.top(), top);
        const int to = std::min(range.bottom(), bottom);
        for (int row = from; row <= to; ++row)
            region += visualRect(model()->index(row, 0, rootIndex()));
    }
    return region;
}

void PasswordListView::updateGeometries()
{
    const int shown = rowsShown();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, rows() - shown));
    vertical->setPageStep(shown);
    vertical->setSingleStep(1);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, m_widest - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
    QAbstractItemView::updateGeometries();
}

void PasswordListView::paintEvent(QPaintEvent* event)
{
    if (!model())
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int top = firstShown();
    const int last = std::min(rows() - 1, top + rowsShown());
    const QModelIndex current = currentIndex();
    int widest = m_widest;
    for (int row = top; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = visualRect(index);
        if (!event->rect().intersects(option.rect))
            continue;
        option.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (index == current && hasFocus())
            option.state |= QStyle::State_HasFocus;
        QAbstractItemDelegate* delegate = itemDelegateForIndex(index);
        delegate->paint(&painter, option, index);
        widest = std::max(widest, delegate->sizeHint(option, index).width());
    }
    if (widest > m_widest) {
        m_widest = widest;
        QMetaObject::invokeMethod(this, &PasswordListView::updateGeometries, Qt::QueuedConnection);
    }
}

void PasswordListView::resizeEvent(QResizeEvent* event)
{
    QAbstractItemView::resizeEvent(event);
    updateGeometries();
}

void PasswordListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    viewport()->update();
}

void PasswordListView::reset()
{
    QAbstractItemView::reset();
    m_widest = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateGeometries();
    viewport()->update();
}

} // namespace quorlix::ui
