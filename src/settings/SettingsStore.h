#pragma once
// The per-user settings store: text values by section and key, under the
// application name "Quorlix". A missing value reads as the caller's default.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Status.h"

namespace quorlix {

inline constexpr std::string_view kApplicationName = "Quorlix";
inline constexpr std::string_view kLastSettingsSection = "LastSettings";
inline constexpr std::string_view kSettingsSection = "Settings";

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string get(std::string_view section, std::string_view key, std::string_view defaultValue) = 0;
    virtual void set(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Whether a value is stored (a get would not fall back on its default).
    virtual bool contains(std::string_view section, std::string_view key) const = 0;
    // Writes pending values out; the first failure of the store since the last sync.
    virtual Status sync() { return Status::ok(); }
};

// Held in memory; for tests and for runs that must not touch the user's store.
// Keeps every set in call order so a test can check the order of the writes.
class MemorySettingsStore : public SettingsStore {
public:
    std::string get(std::string_view section, std::string_view key, std::string_view defaultValue) override;
    void set(std::string_view section, std::string_view key, std::string_view value) override;

    bool contains(std::string_view section, std::string_view key) const override;
    std::size_t size() const { return m_values.size(); }
    void clear()
    {
        m_values.clear();
        m_writes.clear();
        m_reads.clear();
    }

    struct Write {
        std::string section;
        std::string key;
        std::string value;
        bool operator==(const Write&) const = default;
    };
    const std::vector<Write>& writes() const { return m_writes; }
    // Keys asked for by get, in call order.
    const std::vector<std::string>& reads() const { return m_reads; }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
    std::vector<Write> m_writes;
    std::vector<std::string> m_reads;
};

} // namespace quorlix
