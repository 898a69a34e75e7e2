#include "ui/ResultListModel.h"

#include <algorithm>

#include "platform/SecretMemory.h"

namespace quorlix::ui
{

QColor paletteColour(int index)
{
    // The 16 colours of the console palette.
    static const QColor kPalette[16] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                        {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                        {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                        {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    return index >= 0 && index < 16 ? kPalette[index] : QColor();
}

void ResultListModel::showList(const ResultList* list)
{
    beginResetModel();
    m_list = list;
    m_live = false;
    dropLiveRows();
    endResetModel();
}

void ResultListModel::beginLive(bool sorted)
{
    beginResetModel();
    m_live = true;
    m_liveSorted = sorted;
    dropLiveRows();
    endResetModel();
}

void ResultListModel::dropLiveRows()
{
    for (std::string& row : m_liveRows)
        wipeSecret(row.data(), row.capacity());
    m_liveRows = {};
}

ResultListModel::~ResultListModel()
{
    dropLiveRows();
}

void ResultListModel::appendLive(std::vector<std::string>&& rows)
{
    if (!m_live || rows.empty())
        return;
    if (!m_liveSorted) {
        const int first = static_cast<int>(m_liveRows.size());
        beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
        for (auto& r : rows)
            m_liveRows.push_back(std::move(r));
        endInsertRows();
        return;
    }
    // Byte order, each row after its equals: as the list will place them.
    for (auto& r : rows) {
        const auto at = std::upper_bound(m_liveRows.begin(), m_liveRows.end(), r);
        const int row = static_cast<int>(at - m_liveRows.begin());
        beginInsertRows({}, row, row);
        m_liveRows.insert(at, std::move(r));
        endInsertRows();
    }
}

std::string ResultListModel::rowText(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    if (m_live)
        return m_liveRows[static_cast<std::size_t>(row)];
    return std::string(m_list->row(static_cast<std::size_t>(row)));
}

int ResultListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    if (m_live)
        return static_cast<int>(m_liveRows.size());
    return m_list ? static_cast<int>(m_list->count()) : 0;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        if (m_live)
            return QString::fromStdString(m_liveRows[row]);
        const std::string_view text = m_list->row(row);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::BackgroundRole:
        if (!m_live && m_list->rowColour(row) >= 0)
            return paletteColour(m_list->rowColour(row));
        return {};
    case Qt::ForegroundRole:
        // Light rows keep dark text also under a dark desktop theme.
        if (!m_live && m_list->rowColour(row) >= 0)
            return QColor(Qt::black);
        return {};
    default:
        return {};
    }
}

} // namespace quorlix::ui
