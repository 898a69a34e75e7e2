#pragma once
// The Generated Passwords display's model. Idle, it reads a ResultList in
// place: the view asks only for the rows it paints, so ten million rows cost
// nothing beyond the list. While a run on a worker fills its own list, the
// display shows the rows the run sends while it keeps updating on (a few
// thousand at most) and then adopts the finished list.

#include <QAbstractListModel>
#include <QColor>

#include <string>
#include <vector>

#include "platform/ResultList.h"

namespace quorlix::ui
{

// A colour of the 16-colour palette the rows use (10, 11, 14, 15...).
QColor paletteColour(int index);

class ResultListModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    ~ResultListModel() override;

    // Shows list (may be null: an empty display). The list must not change
    // while shown except through this model's owner, which resets it.
    void showList(const ResultList* list);
    const ResultList* list() const { return m_live ? nullptr : m_list; }
    // Rows sent by a running run: starts an empty display in that sort mode...
    void beginLive(bool sorted);
    // ...and adds rows (in the order the run added them).
    void appendLive(std::vector<std::string>&& rows);
    bool live() const { return m_live; }

    // The text of a shown row.
    std::string rowText(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void dropLiveRows(); // zeroed: they are passwords

    const ResultList* m_list = nullptr;
    bool m_live = false;
    bool m_liveSorted = false;
    std::vector<std::string> m_liveRows;
};

} // namespace quorlix::ui
