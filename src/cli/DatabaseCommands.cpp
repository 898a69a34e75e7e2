#include <cstdio>
#include <filesystem>

#include "cli/Commands.h"
#include "cli/Messages.h"
#include "cli/StandardStreams.h"
#include "cli/TerminalUi.h"
#include "output/Compact.h"
#include "output/Convert.h"
#include "output/MdbListWriter.h"
#include "settings/QtSettingsStore.h"

namespace quorlix::cli
{

namespace
{

std::string lowerEnding(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    for (auto& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// A file or database that cannot be taken is refused (2); one that breaks
// on the way failed (1).
int report(const Status& s)
{
    if (s.isOk())
        return kExitOk;
    say(s.message());
    switch (s.code()) {
    case Status::Code::InvalidArgument:
    case Status::Code::InvalidFileName:
    case Status::Code::Unsupported:
    case Status::Code::TooLarge:
        return kExitRefused;
    default:
        return kExitFailure;
    }
}

} // namespace

std::string mdbFormatSetting()
{
    QtSettingsStore store;
    return store.get("Settings", "MdbFormat", "Jet3");
}

int runConvert(const std::string& given, const std::string& target)
{
    StandardInputCopy input;
    if (given == "-") {
        if (const Status s = input.read(); !s)
            return report(s);
    }
    const std::string& source = given == "-" ? input.path() : given;
    RunState state;
    const std::int32_t total = 0;
    TerminalUi ui(state, total, false);
    NoShell shell;
    SaveContext context{ui, ui, shell, {}};
    if (!std::filesystem::exists(source))
        return report(Status::notFound("No file found at " + source));
    const std::string ext = lowerEnding(target);
    Status s;
    if (ext == ".csv")
        s = ConvertTXTtoCSV1(source, target, context);
    else if (ext == ".htm" || ext == ".html")
        s = ConvertTXTtoHTML1(source, target, context);
    else if (ext == ".mdb")
        s = convertTXTtoDB(source, target, mdbFormatFromSetting(mdbFormatSetting()), context);
    else
        s = Status::invalidArgument("The target must end in .csv, .htm, .html or .mdb");
    if (s.isOk() && ui.status().find("skipped") != std::string::npos)
        say(ui.status());
    return report(s);
}

// What the copy left out or corrected goes to stderr, one line each.
int runCompact(const std::string& source, const std::string& target)
{
    std::vector<std::string> notes;
    const Status s = compactDatabase(source, target, false, &notes);
    for (const std::string& line : notes)
        say(line);
    return report(s);
}

int runRepair(const std::string& path)
{
    std::vector<std::string> notes;
    const Status s = repairDatabase(path, &notes);
    for (const std::string& line : notes)
        say(line);
    return report(s);
}

} // namespace quorlix::cli
