// The reader of settings files (.set) on any bytes: it never crashes, and what
// it read is written and read back unchanged.

#include "FuzzInput.h"
#include "settings/SettingsFile.h"

using namespace quorlix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    OptionState state;
    const SettingsFileReport report = readSettingsText(fuzz::text(data, size), state);
    if (report.applied < 0 || report.applied > kSettingsFileLines || report.lines < 0)
        fuzz::fail("report counts out of range");

    const std::string written = settingsFileText(state);
    OptionState again;
    const SettingsFileReport second = readSettingsText(written, again);
    if (!second.skipped.empty() || second.applied != kSettingsFileLines)
        fuzz::fail("a written settings file does not read back whole");
    if (!(again == state))
        fuzz::fail("a written settings file reads back different");
    return 0;
}
