#pragma once
// The settings store over QSettings in INI format: by default the user's file
// <configuration folder>/Quorlix/Quorlix.ini, sections [LastSettings] and
// [Settings]. Values are written as plain strings.

#include <memory>
#include <string>

#include "settings/SettingsStore.h"

class QSettings;

namespace quorlix {

class QtSettingsStore : public SettingsStore {
public:
    // The per-user store of the application.
    QtSettingsStore();
    // A given INI file (tests, portable installs).
    explicit QtSettingsStore(const std::string& iniPath);
    ~QtSettingsStore() override;

    std::string get(std::string_view section, std::string_view key, std::string_view defaultValue) override;
    void set(std::string_view section, std::string_view key, std::string_view value) override;
    bool contains(std::string_view section, std::string_view key) const override;
    Status sync() override;

    std::string fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace quorlix
