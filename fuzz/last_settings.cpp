// The last settings loaded from a junk INI file: never a crash, and a state
// once loaded is saved and loaded back unchanged.

#include "FuzzInput.h"
#include "settings/LastSettings.h"
#include "settings/QtSettingsStore.h"

using namespace quorlix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::writeScratch("Quorlix.ini", fuzz::text(data, size));
    OptionState state;
    {
        QtSettingsStore store(path);
        loadLastSettings(store, state);
    }

    MemorySettingsStore memory;
    saveLastSettings(memory, state);
    OptionState again;
    loadLastSettings(memory, again);
    // The Random Words keys are saved by their own window.
    again.words = state.words;
    again.method = state.method;
    if (!(again == state))
        fuzz::fail("saved last settings load back different");
    return 0;
}
