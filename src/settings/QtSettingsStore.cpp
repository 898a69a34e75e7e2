#include "settings/QtSettingsStore.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace quorlix {

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString keyPath(std::string_view section, std::string_view key)
{
    return qs(section) + QLatin1Char('/') + qs(key);
}

} // namespace

QtSettingsStore::QtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, qs(kApplicationName),
                                             qs(kApplicationName)))
{
}

QtSettingsStore::QtSettingsStore(const std::string& iniPath)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat))
{
}

QtSettingsStore::~QtSettingsStore() = default;

std::string QtSettingsStore::get(std::string_view section, std::string_view key, std::string_view defaultValue)
{
    const QVariant value = m_settings->value(keyPath(section, key));
    if (!value.isValid())
        return std::string(defaultValue);
    // A hand-edited value with an unquoted comma comes back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

void QtSettingsStore::set(std::string_view section, std::string_view key, std::string_view value)
{
    m_settings->setValue(keyPath(section, key), qs(value));
}

bool QtSettingsStore::contains(std::string_view section, std::string_view key) const
{
    return m_settings->contains(keyPath(section, key));
}

Status QtSettingsStore::sync()
{
    m_settings->sync();
    switch (m_settings->status()) {
    case QSettings::NoError:
        return Status::ok();
    case QSettings::AccessError:
        return Status::ioError("Cannot write the settings file " + fileName());
    case QSettings::FormatError:
        return Status::corruption("The settings file " + fileName() + " is not in INI format");
    }
    return Status::ioError("Cannot write the settings file " + fileName());
}

std::string QtSettingsStore::fileName() const
{
    return m_settings->fileName().toStdString();
}

} // namespace quorlix
