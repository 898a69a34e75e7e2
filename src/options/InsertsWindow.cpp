#include "options/InsertsWindow.h"

namespace quorlix {

std::string_view insertsRefusal(bool blanks, int maxLength)
{
    if (maxLength > 1)
        return {};
    return blanks ? inserts_window::kBlanksRefusal : inserts_window::kHyphensRefusal;
}

InsertsWorkingCopy::InsertsWorkingCopy(const InsertSettings& inserts, bool blanks, int minLength, int maxLength)
    : m_blanks(blanks), m_maxLength(maxLength)
{
    // Only positions strictly inside the shortest password are editable, so no
    // password begins or ends with a separator.
    for (int p = 1; p <= minLength - 1 && p <= kInsertPositions; ++p)
        m_enabled[p] = true;
    const auto& set = blanks ? inserts.blank : inserts.hyphen;
    for (int p = 1; p <= maxLength - 1 && p <= kInsertPositions; ++p)
        m_checked[p] = set[p] == 1;
}

std::string_view InsertsWorkingCopy::caption() const
{
    return m_blanks ? inserts_window::kBlanksCaption : inserts_window::kHyphensCaption;
}

std::string_view InsertsWorkingCopy::heading() const
{
    return m_blanks ? inserts_window::kBlanksHeading : inserts_window::kHyphensHeading;
}

std::string InsertsWorkingCopy::boxCaption(int position)
{
    return " After Character " + std::to_string(position);
}

void InsertsWorkingCopy::click(int position)
{
    if (enabled(position))
        m_checked[position] = !m_checked[position];
}

void InsertsWorkingCopy::clearAll()
{
    m_checked.fill(false);
}

void InsertsWorkingCopy::selectAll()
{
    for (int p = 1; p <= m_maxLength - 1 && p <= kInsertPositions; ++p)
        m_checked[p] = true;
}

void InsertsWorkingCopy::accept(InsertSettings& inserts) const
{
    auto& set = m_blanks ? inserts.blank : inserts.hyphen;
    for (int p = 1; p <= kInsertPositions; ++p)
        set[p] = m_checked[p] ? 1 : 0;
    inserts.editBlanks = m_blanks;
}

} // namespace quorlix
