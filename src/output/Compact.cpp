#include "output/Compact.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/jet/JetReader.h"
#include "platform/jet/JetWriter.h"

namespace quorlix {

namespace {

struct TablePlan {
    std::string name;
    std::vector<jet::TextColumn> columns;
};

// The tables of db as the writer will recreate them, or why they cannot be.
Status planTables(jet::DatabaseReader& db, std::vector<TablePlan>* plans)
{
    const bool jet3 = db.version() == jet::JetVersion::Jet3;
    for (const std::string& table : db.tables()) {
        std::vector<jet::ColumnInfo> columns;
        Status status = jet::describeTable(db, table, &columns);
        if (!status.isOk())
            return status;
        TablePlan plan{table, {}};
        for (const jet::ColumnInfo& c : columns) {
            const int characters = jet3 ? c.size : c.size / 2;
            if (c.type != static_cast<int>(jet::ColumnType::Text))
                return Status::unsupported("Table '" + table + "' has the field '" + c.name +
                                           "' that is not a Text field; only Text fields can be copied.");
            if (characters < 1 || characters > jet::kMaxTextSize)
                return Status::unsupported("Table '" + table + "' has the Text field '" + c.name + "' of " +
                                           std::to_string(characters) + " characters; at most " +
                                           std::to_string(jet::kMaxTextSize) + " can be copied.");
            plan.columns.push_back({c.name, c.allowZeroLength, static_cast<std::uint16_t>(characters)});
        }
        plans->push_back(std::move(plan));
    }
    return Status::ok();
}

// Copies the rows of one table; returns the number written.
Status copyRows(jet::DatabaseReader& db, const TablePlan& plan, jet::DatabaseWriter& writer, bool salvage,
                std::uint64_t* written)
{
    Status status;
    auto reader = db.openTable(plan.name, &status);
    if (!reader)
        return status;
    const std::size_t n = plan.columns.size();
    std::vector<std::optional<std::string>> values(n);
    std::vector<std::optional<std::string_view>> row(n);
    *written = 0;
    while (reader->next()) {
        for (std::size_t i = 0; i < n; ++i) {
            values[i] = reader->field(i);
            row[i] = values[i] ? std::optional<std::string_view>(*values[i]) : std::nullopt;
        }
        status = writer.appendRow(row);
        if (!status.isOk())
            return status;
        ++*written;
    }
    status = reader->status();
    if (!status.isOk() && salvage && status.code() == Status::Code::Corruption)
        return Status::ok();
    return status;
}

// Opens the new file and checks it holds the tables and rows written.
Status confirmCopy(const std::string& path, const std::string& password, const std::vector<TablePlan>& plans,
                   const std::vector<std::uint64_t>& rows)
{
    Status status;
    auto db = jet::DatabaseReader::open(path, password, &status);
    if (!db)
        return status;
    const auto tables = db->tables();
    if (tables.size() != plans.size())
        return Status::corruption("The compacted database does not list every table.");
    for (std::size_t i = 0; i < plans.size(); ++i) {
        auto t = db->openTable(plans[i].name, &status);
        if (!t)
            return status;
        std::uint64_t n = 0;
        while (t->next())
            ++n;
        if (!t->status().isOk())
            return t->status();
        if (n != rows[i])
            return Status::corruption("The compacted table '" + plans[i].name + "' does not hold every record.");
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

Status compactDatabase(const std::string& source, const std::string& target, bool salvage)
{
    jet::FileHeader header;
    Status status = jet::readFileHeader(source, &header);
    if (!status.isOk())
        return status;
    if (header.versionByte > 1)
        return Status::unsupported("Only Jet 3 and Jet 4 databases (.mdb) can be compacted.");
    // The writer makes unencrypted files in code page 1252 with the General
    // sort order; a copy of anything else would quietly change the database.
    if (header.databaseKey != 0)
        return Status::unsupported("Encrypted databases cannot be compacted.");
    if (header.codePage != 1252 || (header.sortOrder != 0x409 && header.sortOrder != 0))
        return Status::unsupported("Only databases with the General sort order and code page 1252 can be compacted.");
    FileReplacement replacement;
    status = replacement.open(target);
    if (!status.isOk())
        return status;
    const std::string& temp = replacement.tempPath();
    std::vector<TablePlan> plans;
    std::vector<std::uint64_t> rows;
    {
        auto db = jet::DatabaseReader::open(source, header.password, &status);
        if (!db)
            return status;
        status = planTables(*db, &plans);
        if (!status.isOk())
            return status;
        auto writer = jet::DatabaseWriter::create(temp, db->version(), header.password, &status);
        if (!writer)
            return status;
        for (const TablePlan& plan : plans) {
            status = writer->createTable(plan.name, plan.columns);
            std::uint64_t written = 0;
            if (status.isOk())
                status = copyRows(*db, plan, *writer, salvage, &written);
            if (!status.isOk())
                break;
            rows.push_back(written);
        }
        const Status closed = writer->close();
        if (status.isOk())
            status = closed;
    }
    if (status.isOk())
        status = confirmCopy(temp, header.password, plans, rows);
    if (status.isOk())
        status = replacement.commit();
    return status;
}

Status repairDatabase(const std::string& path) { return compactDatabase(path, path, true); }

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
    if (!repairDatabase(file->path).isOk()) {
        boxes.show(kRepairFailed, Icon::None, Buttons::Ok);
        window.enableOn();
        return;
    }
    window.setStatus("Repaired Database File: " + title);
    window.enableOn();
}

} // namespace quorlix
