#pragma once
// The Generated Passwords display's view: rows of one height, painted from
// the model only where they show. Nothing in it grows with the number of
// rows, so ten million rows are shown, scrolled and repainted as quickly as
// ten (a QListView lays out every row when its model resets).

#include <QAbstractItemView>

namespace quorlix::ui
{

class PasswordListView final : public QAbstractItemView
{
    Q_OBJECT
public:
    explicit PasswordListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

    int rowHeight() const;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void reset() override;
    // The bars count rows and pixels of the painted rows: repaint, never shift pixels.
    void scrollContentsBy(int, int) override { viewport()->update(); }

private:
    int rows() const;
    int firstShown() const;
    int rowsShown() const; // rows that fit the viewport whole
    int m_widest = 0;      // widest row painted so far, for the horizontal scroll bar
};

} // namespace quorlix::ui
