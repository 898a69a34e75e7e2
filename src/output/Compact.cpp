#include "output/Compact.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/jet/JetCopy.h"
#include "platform/jet/JetReader.h"

namespace quorlix
{

namespace
{

std::string quote(std::string_view s)
{
    return "'" + std::string(s) + "'";
}

// Opens the new file and checks that it lists the objects the source lists
// and holds every record written.
Status confirmCopy(const std::string& source, const std::string& copy, const std::string& password,
                   const std::vector<jet::TableCopy>& tables)
{
    Status status;
    auto before = jet::DatabaseReader::open(source, password, &status);
    if (!before)
        return status;
    auto after = jet::DatabaseReader::open(copy, password, &status);
    if (!after)
        return status;
    auto objects = [](const jet::DatabaseReader& db) {
        std::vector<std::string> list;
        for (const jet::CatalogObject& o : jet::catalogObjects(db))
            list.push_back(std::to_string(o.type) + "\t" + o.name);
        std::sort(list.begin(), list.end());
        return list;
    };
    const auto listed = objects(*before);
    const auto copied = objects(*after);
    if (listed != copied) {
        std::vector<std::string> lost;
        std::set_difference(listed.begin(), listed.end(), copied.begin(), copied.end(), std::back_inserter(lost));
        const std::string name =
            lost.empty() ? std::string("an object") : quote(lost.front().substr(lost.front().find('\t') + 1));
        return Status::corruption("The compacted database does not list " + name + " as its source does.");
    }
    for (const jet::TableCopy& t : tables) {
        auto table = jet::openAnyTable(*after, t.name, &status);
        if (!table)
            return status;
        std::uint64_t n = 0;
        while (table->next())
            ++n;
        if (!table->status().isOk())
            return table->status();
        if (n != t.rows)
            return Status::corruption("The compacted table " + quote(t.name) + " does not hold every record.");
    }
    return Status::ok();
}

std::string titleOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec))
        return true;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

} // namespace

std::optional<std::string> proposedCompactTarget(std::string_view sourceTitle)
{
    if (sourceTitle.size() <= 4)
        return std::nullopt;
    std::string name(sourceTitle.size() <= 12 ? sourceTitle.substr(0, sourceTitle.size() - 4) : sourceTitle);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name + "x.mdb";
}

namespace
{

// Losses first, as they matter most; then counts that were wrong.
std::vector<std::string> reportLines(const std::vector<jet::TableCopy>& tables)
{
    std::vector<std::string> lines;
    for (const jet::TableCopy& t : tables) {
        const std::string name = "Table " + quote(t.name) + ": ";
        if (t.foundByOwner)
            lines.push_back(name + "its page map could not be read; its records were found on the pages it owns.");
        if (t.rows < t.expected)
            lines.push_back(name + std::to_string(t.expected - t.rows) + " of its " + std::to_string(t.expected) +
                            " records could not be read and were left out.");
        if (!t.lostPages.empty())
            lines.push_back(name + jet::namePages(t.lostPages) + " could not be read; the records on " +
                            (t.lostPages.size() == 1 ? "it" : "them") + " were left out.");
        if (t.emptied > 0)
            lines.push_back(name + std::to_string(t.emptied) +
                            " Memo or OLE values could not be read and were left empty.");
    }
    for (const jet::TableCopy& t : tables)
        if (t.stored != t.expected)
            lines.push_back("Table " + quote(t.name) + ": its stored record count was " + std::to_string(t.stored) +
                            (t.foundByOwner        ? "; the pages found hold "
                             : t.lostPages.empty() ? "; its pages hold "
                                                   : "; the pages that could be read hold ") +
                            std::to_string(t.expected) + ".");
    return lines;
}

} // namespace

Status compactDatabase(const std::string& source, const std::string& target, bool salvage,
                       std::vector<std::string>* report)
{
    if (report)
        report->clear();
    jet::FileHeader header;
    Status status = jet::readFileHeader(source, &header);
    if (!status.isOk())
        return status;
    FileReplacement replacement;
    status = replacement.open(target);
    if (!status.isOk())
        return status;
    const std::string& temp = replacement.tempPath();
    std::vector<jet::TableCopy> tables;
    status = jet::copyDatabase(source, temp, jet::CopyOptions{salvage}, &tables);
    if (status.code() == Status::Code::IoError) {
        // The user knows the file by the name they chose, not by its temporary one.
        std::string message = status.message();
        for (std::size_t at; (at = message.find(temp)) != std::string::npos;)
            message.replace(at, temp.size(), target);
        status = Status::ioError(message);
    }
    if (status.isOk())
        status = confirmCopy(source, temp, header.password, tables);
    if (status.isOk())
        status = replacement.commit();
    if (status.isOk() && report)
        *report = reportLines(tables);
    return status;
}

Status repairDatabase(const std::string& path, std::vector<std::string>* report)
{
    return compactDatabase(path, path, true, report);
}

void CompactDB(DatabaseToolDialogs& dialogs, MessageBoxes& boxes, MainWindowSurface& window)
{
    auto fail = [&] {
        boxes.show(kCompactFailed, Icon::None, Buttons::Ok);
        window.enableOn();
    };
    const auto source = dialogs.chooseOpenFile(kCompactOpenTitle, kDatabaseFilter);
    if (!source)
        return fail();
    const auto proposed = proposedCompactTarget(source->title);
    if (!proposed) {
        boxes.show(kIncorrectFileName, Icon::None, Buttons::Ok);
        return;
    }
    const auto target = dialogs.chooseSaveFile(kCompactSaveTitle, kDatabaseFilter, *proposed);
    if (!target)
        return fail();
    window.setStatus("Compacting Database File: " + target->title);
    window.enableOff();
    // The new file is written beside the target and moved over it only when
    // complete, so an existing target survives a failed compaction.
    if (sameFile(source->path, target->path) || !compactDatabase(source->path, target->path).isOk())
        return fail();
    window.enableOn();
    window.setStatus("Compacted Database File: " + target->title);
}

void RepairDB(DatabaseToolDialogs& dialogs, MessageBoxes& boxes, MainWindowSurface& window)
{
    const auto file = dialogs.chooseSaveFile(kRepairDialogTitle, kDatabaseFilter, "");
    if (!file) {
        boxes.show(kRepairFailed, Icon::None, Buttons::Ok);
        window.enableOn();
        return;
    }
    const std::string title = file->title.empty() ? titleOf(file->path) : file->title;
    window.setStatus("Repairing Database File: " + title);
    window.enableOff();
    std::vector<std::string> report;
    if (!repairDatabase(file->path, &report).isOk()) {
        boxes.show(kRepairFailed, Icon::None, Buttons::Ok);
        window.enableOn();
        return;
    }
    // Records left out are news the user must get, not only a status line.
    if (!report.empty()) {
        std::string note;
        for (const std::string& line : report)
            note += (note.empty() ? "" : "\n") + line;
        boxes.show(note, Icon::None, Buttons::Ok);
    }
    window.setStatus("Repaired Database File: " + title);
    window.enableOn();
}

} // namespace quorlix
