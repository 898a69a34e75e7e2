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
#include "platform/jet/JetReader.h"
#include "platform/jet/JetWriter.h"

namespace quorlix
{

namespace
{

struct TablePlan {
    std::string name;
    std::vector<jet::TextColumn> columns;
};

std::string quote(std::string_view s)
{
    return "'" + std::string(s) + "'";
}

// The tables of db as the writer will recreate them, or why they cannot be.
Status planTables(jet::DatabaseReader& db, std::vector<TablePlan>* plans)
{
    const bool jet3 = db.version() == jet::JetVersion::Jet3;
    for (const std::string& table : db.tables()) {
        std::vector<jet::ColumnInfo> columns;
        Status status = jet::describeTable(db, table, &columns);
        if (!status.isOk())
            return status;
        std::vector<std::string> own;
        status = jet::tableProperties(db, table, &own);
        if (!status.isOk())
            return status;
        if (!own.empty())
            return Status::unsupported("Table " + quote(table) + " has the property " + quote(own.front()) +
                                       ", which cannot be copied: the compacted copy keeps only the "
                                       "AllowZeroLength property of its fields.");
        TablePlan plan{table, {}};
        for (const jet::ColumnInfo& c : columns) {
            const int characters = jet3 ? c.size : c.size / 2;
            if (c.type != static_cast<int>(jet::ColumnType::Text))
                return Status::unsupported("Table " + quote(table) + " has the field " + quote(c.name) +
                                           " that is not a Text field; only Text fields can be copied.");
            if (characters < 1 || characters > jet::kMaxTextSize)
                return Status::unsupported("Table " + quote(table) + " has the Text field " + quote(c.name) + " of " +
                                           std::to_string(characters) + " characters; at most " +
                                           std::to_string(jet::kMaxTextSize) + " can be copied.");
            for (const std::string& property : c.properties)
                if (property != "AllowZeroLength")
                    return Status::unsupported("The field " + quote(c.name) + " of table " + quote(table) +
                                               " has the property " + quote(property) +
                                               ", which cannot be copied: the compacted copy keeps only the "
                                               "AllowZeroLength property of its fields.");
            plan.columns.push_back({c.name, c.allowZeroLength, static_cast<std::uint16_t>(characters)});
        }
        plans->push_back(std::move(plan));
    }
    return Status::ok();
}

// The catalog rows a new database of the writer holds besides its user tables.
bool writerMakesObject(const jet::CatalogObject& o)
{
    constexpr std::int32_t kRoot = 0x0F000000;
    constexpr std::int32_t kDatabases = 0x0F000002;
    if (o.type == 3 && o.parentId == kRoot)
        return o.name == "Tables" || o.name == "Databases" || o.name == "Relationships";
    if (o.type == 2)
        return o.name == "MSysDb" && o.parentId == kDatabases;
    if (o.type == 1 && (o.flags & 0x80000002u) != 0)
        return o.name == "MSysObjects" || o.name == "MSysACEs" || o.name == "MSysQueries" ||
               o.name == "MSysRelationships";
    return o.type == 1;
}

// Objects whose loss matters most are named first.
int rankOf(const jet::CatalogObject& o)
{
    switch (o.type) {
    case 5:
        return 0;
    case 8:
        return 1;
    case 4:
    case 6:
        return 2;
    case 1:
        return 3;
    default:
        return o.type < 0 ? 4 : 5;
    }
}

std::string kindOf(const jet::CatalogObject& o)
{
    if (o.type < 0)
        return "document"; // forms, reports, macros, modules, summary information
    switch (o.type) {
    case 1:
        return "system table";
    case 3:
        return "container";
    case 4:
    case 6:
        return "linked table";
    case 5:
        return "query";
    case 8:
        return "relationship";
    default:
        return "object";
    }
}

std::uint64_t countRows(jet::DatabaseReader& db, std::string_view table, Status* status)
{
    auto t = jet::openAnyTable(db, table, status);
    if (!t)
        return 0;
    std::uint64_t n = 0;
    while (t->next())
        ++n;
    *status = t->status();
    return n;
}

// Refuses, by name, what a compacted copy would leave out: objects other
// than tables (queries, forms, relationships, ...), other system tables, and
// properties the writer does not write. Damaged property bytes are damage.
Status checkCopyable(jet::DatabaseReader& db)
{
    const std::string why = ", which cannot be copied: the compacted copy holds only tables, their Text fields "
                            "and records.";
    std::vector<std::string> refused;
    auto objects = jet::catalogObjects(db);
    std::stable_sort(objects.begin(), objects.end(),
                     [](const jet::CatalogObject& a, const jet::CatalogObject& b) { return rankOf(a) < rankOf(b); });
    for (const jet::CatalogObject& o : objects) {
        if (!writerMakesObject(o)) {
            refused.push_back("The database holds the " + kindOf(o) + " " + quote(o.name));
        } else if (o.hasProperties && !o.propertiesReadable) {
            return Status::corruption("The properties of " + quote(o.name) + " cannot be read.");
        } else if (o.hasProperties && o.type == 2) {
            refused.push_back("The database has properties (on " + quote(o.name) + ")");
        }
    }
    for (const char* table : {"MSysQueries", "MSysRelationships"}) {
        Status status;
        const std::uint64_t rows = countRows(db, table, &status);
        if (!status.isOk())
            return status;
        if (rows > 0)
            refused.push_back("The system table " + quote(table) + " holds " + std::to_string(rows) + " rows");
    }
    if (refused.empty())
        return Status::ok();
    std::string message = refused.front() + why;
    if (refused.size() > 1)
        message += " " + std::to_string(refused.size() - 1) + " more such objects cannot be copied either.";
    return Status::unsupported(message);
}

// The rows of MSysACEs with object ids replaced by object names, sorted.
Status accessRights(jet::DatabaseReader& db, std::vector<std::string>* rights)
{
    rights->clear();
    Status status;
    auto t = jet::openAnyTable(db, "MSysACEs", &status);
    if (!t)
        return status;
    const auto objects = jet::catalogObjects(db);
    while (t->next()) {
        const std::string id = t->field("ObjectId").value_or("");
        std::string name = "#" + id;
        for (const jet::CatalogObject& o : objects)
            if (std::to_string(o.id) == id)
                name = o.name;
        rights->push_back(name + "\t" + t->field("SID").value_or("") + "\t" + t->field("ACM").value_or("") + "\t" +
                          t->field("FInheritable").value_or(""));
    }
    std::sort(rights->begin(), rights->end());
    return t->status();
}

// Copies the rows of one table. Fails when the walk missed records the table
// holds, unless salvage: then records no walk can read are left out and
// counted in dropped, but records on pages the walk never met still fail it.
Status copyRows(jet::DatabaseReader& db, const TablePlan& plan, jet::DatabaseWriter& writer, bool salvage,
                std::uint64_t* written, std::vector<std::string>* dropped)
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
    if (!status.isOk() && status.code() != Status::Code::Corruption)
        return status;
    jet::RowAudit audit;
    if (Status a = jet::auditRows(db, *reader, &audit); !a.isOk())
        return a;
    const std::string table = "Table " + quote(plan.name);
    if (audit.unvisited > 0)
        return Status::corruption(table + " cannot be read completely: " + std::to_string(audit.unvisited) +
                                  " of its records lie on pages its page map does not list.");
    if (audit.read >= audit.expected)
        return Status::ok();
    const std::string missing =
        std::to_string(audit.expected - audit.read) + " of its " + std::to_string(audit.expected) + " records";
    if (!salvage)
        return Status::corruption(table + " cannot be read completely: " + missing + " are unreadable.");
    if (dropped)
        dropped->push_back(table + ": " + missing + " could not be read and were left out.");
    return Status::ok();
}

// Opens the new file and checks it holds the tables and rows written, and
// grants the rights the source grants.
Status confirmCopy(const std::string& path, const std::string& password, const std::vector<TablePlan>& plans,
                   const std::vector<std::uint64_t>& rows, const std::vector<std::string>& sourceRights)
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
    std::vector<std::string> rights;
    if (status = accessRights(*db, &rights); !status.isOk())
        return status;
    if (rights != sourceRights) {
        std::vector<std::string> lost;
        std::set_difference(sourceRights.begin(), sourceRights.end(), rights.begin(), rights.end(),
                            std::back_inserter(lost));
        const std::string& example = lost.empty() ? rights.front() : lost.front();
        return Status::unsupported("The permissions (MSysACEs) on " + quote(example.substr(0, example.find('\t'))) +
                                   " cannot be copied: the compacted copy grants only the rights of a new "
                                   "database.");
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

Status compactDatabase(const std::string& source, const std::string& target, bool salvage,
                       std::vector<std::string>* dropped)
{
    if (dropped)
        dropped->clear();
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
    std::vector<std::string> rights;
    std::vector<std::string> lost;
    {
        auto db = jet::DatabaseReader::open(source, header.password, &status);
        if (!db)
            return status;
        status = jet::checkCatalog(*db);
        if (status.isOk())
            status = checkCopyable(*db);
        if (status.isOk())
            status = planTables(*db, &plans);
        if (status.isOk())
            status = accessRights(*db, &rights);
        if (!status.isOk())
            return status;
        auto writer = jet::DatabaseWriter::create(temp, db->version(), header.password, &status);
        if (!writer)
            return status;
        for (const TablePlan& plan : plans) {
            status = writer->createTable(plan.name, plan.columns);
            std::uint64_t written = 0;
            if (status.isOk())
                status = copyRows(*db, plan, *writer, salvage, &written, &lost);
            if (!status.isOk())
                break;
            rows.push_back(written);
        }
        const Status closed = writer->close();
        if (status.isOk())
            status = closed;
    }
    if (status.isOk())
        status = confirmCopy(temp, header.password, plans, rows, rights);
    if (status.isOk())
        status = replacement.commit();
    if (status.isOk() && dropped)
        *dropped = std::move(lost);
    return status;
}

Status repairDatabase(const std::string& path, std::vector<std::string>* dropped)
{
    return compactDatabase(path, path, true, dropped);
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
    std::vector<std::string> dropped;
    if (!repairDatabase(file->path, &dropped).isOk()) {
        boxes.show(kRepairFailed, Icon::None, Buttons::Ok);
        window.enableOn();
        return;
    }
    // Records left out are news the user must get, not only a status line.
    if (!dropped.empty()) {
        std::string note;
        for (const std::string& line : dropped)
            note += (note.empty() ? "" : "\n") + line;
        boxes.show(note, Icon::None, Buttons::Ok);
    }
    window.setStatus("Repaired Database File: " + title);
    window.enableOn();
}

} // namespace quorlix
