// quorlix-cli: the password generator for scripts, over the same engine as the
// desktop program.

#include <iostream>
#include <new>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Messages.h"
#include "output/MdbListWriter.h"
#include "platform/AtomicFile.h"
#include "platform/HomeFolder.h"
#include "platform/SecretMemory.h"
#include "settings/LastSettings.h"
#include "settings/QtSettingsStore.h"

using namespace quorlix;
using namespace quorlix::cli;

namespace
{

// What an option does by default, and where that comes from: the last
// settings of the desktop program, or the values of a first start.
class Defaults
{
public:
    Defaults()
    {
        m_stored = hasLastSettings(m_store);
        loadLastSettings(m_store, m_state);
        applyCliFirstStart(m_store, false, m_state);
    }
    const OptionState& state() const { return m_state; }
    const SettingsStore& store() const { return m_store; }
    std::string fileName() const { return m_store.fileName(); }

private:
    QtSettingsStore m_store;
    OptionState m_state;
    bool m_stored = false;
};

} // namespace

int main(int argc, char** argv)
{
    // Without HOME (env -i, services) the settings and dictionaries are
    // still the user's own, not the root folder's.
    setHomeWhenUnset();
    protectProcess();
    removeTemporaryFilesOnSignals();
    // Save As, -o FILE.mdb and multi-file series of type mdb write through it.
    installMdbListWriter([] { return mdbFormatSetting(); });

    const Defaults d;
    CommandLine c(d.state(), d.store(), d.fileName());
    if (const auto refused = c.parse(argc, argv, std::cout, std::cerr))
        return *refused;
    try {
        if (*c.gen)
            return runGenerate(c.g);
        if (*c.words)
            return runGenerate(c.wg, &c.w);
        if (*c.pron)
            return runGenerate(c.pg, nullptr, &c.p);
        if (*c.dictList)
            return runDictList();
        if (*c.dictSearch)
            return runDictSearch(c.searchWord, c.hybrid, c.searchDictionary);
        if (*c.dictDownload && c.downloadList)
            return runDictDownloadList(c.downloadFrom);
        if (*c.dictDownload)
            return runDictDownload(c.downloadName, c.downloadFrom);
        if (*c.dictShipped)
            return runDictBuildShipped(c.shippedOut);
        if (*c.dictBuild)
            return runDictBuild(c.buildList, c.buildOut);
        if (*c.sort)
            return runSort(c.sortPath, c.caseSensitive);
        if (*c.convert)
            return runConvert(c.convertIn, c.convertOut);
        if (*c.compact)
            return runCompact(c.compactIn, c.compactOut);
        if (*c.repair)
            return runRepair(c.repairPath);
    } catch (const std::bad_alloc&) {
        // Said plainly rather than as the exception's type name.
        say("out of memory");
        return kExitFailure;
    } catch (const std::exception& e) {
        say(e.what());
        return kExitFailure;
    }
    return kExitFailure;
}
