#include "settings/SettingsStore.h"

namespace quorlix {

std::string MemorySettingsStore::get(std::string_view section, std::string_view key, std::string_view defaultValue)
{
    m_reads.emplace_back(key);
    const auto it = m_values.find({std::string(section), std::string(key)});
    return it == m_values.end() ? std::string(defaultValue) : it->second;
}

void MemorySettingsStore::set(std::string_view section, std::string_view key, std::string_view value)
{
    m_values[{std::string(section), std::string(key)}] = std::string(value);
    m_writes.push_back({std::string(section), std::string(key), std::string(value)});
}

bool MemorySettingsStore::contains(std::string_view section, std::string_view key) const
{
    return m_values.count({std::string(section), std::string(key)}) != 0;
}

} // namespace quorlix
