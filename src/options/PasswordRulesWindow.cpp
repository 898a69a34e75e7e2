#include "options/PasswordRulesWindow.h"

#include <algorithm>

namespace quorlix {

std::string_view rulesOpenWarning(int maxLength)
{
    return maxLength < 2 ? rules_window::kLengthWarning : std::string_view{};
}

RulesWorkingCopy::RulesWorkingCopy(const PositionRules& rules, int maxLength)
    : m_maxLength(std::clamp(maxLength, 0, kMaxLength))
{
    for (int p = 1; p <= kMaxLength; ++p) {
        const int value = rules.rule[p];
        m_selection[p] = value >= 0 && value <= 4 ? value : 0;
    }
}

std::string RulesWorkingCopy::rowLabel(int position)
{
    return "Position " + std::to_string(position);
}

int RulesWorkingCopy::selection(int position) const
{
    return position >= 1 && position <= kMaxLength ? m_selection[position] : 0;
}

void RulesWorkingCopy::select(int position, int choice)
{
    if (enabled(position) && choice >= 0 && choice <= 4)
        m_selection[position] = choice;
}

void RulesWorkingCopy::noRules()
{
    m_selection.fill(0);
}

bool RulesWorkingCopy::accept(PositionRules& rules) const
{
    for (int p = 1; p <= kMaxLength; ++p)
        rules.rule[p] = static_cast<std::int16_t>(p <= m_maxLength ? m_selection[p] : 0);
    return rules.active(m_maxLength);
}

} // namespace quorlix
