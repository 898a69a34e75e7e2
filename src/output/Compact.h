#pragma once
// The Tools menu's database maintenance: compacting a Jet database into a new
// file and repairing one in place. Without Microsoft's engine both copy every
// user table into a newly written file of the same format (Jet 3 or Jet 4),
// with the same database password; system tables are written fresh.
//
// Only what the Jet writer can hold is copied: Text fields of up to its field
// size, their AllowZeroLength property, and the rights of a new database. A
// database with anything else (other kinds of field, queries, forms, other
// properties, ...) is refused as a whole, naming the first such object, so
// that a copy never silently differs from its source.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/RunSurface.h"
#include "output/SaveAs.h"
#include "platform/Status.h"

namespace quorlix
{

inline constexpr std::string_view kCompactOpenTitle = "Select Database File to Compact";
inline constexpr std::string_view kCompactSaveTitle = "Enter New Database File Name";
inline constexpr std::string_view kRepairDialogTitle = "Select Database File to Repair";
inline constexpr std::string_view kDatabaseFilter = "MS-Access Database File (*.mdb)|*.mdb";
inline constexpr std::string_view kCompactFailed =
    "Database Error: Database file already in use, file name is the same or Cancel was selected.";
inline constexpr std::string_view kIncorrectFileName = "Incorrect File Name";
inline constexpr std::string_view kRepairFailed = "Repair unsuccessful!";

// The file dialogs of the two commands; nullopt when cancelled.
class DatabaseToolDialogs
{
public:
    virtual ~DatabaseToolDialogs() = default;
    virtual std::optional<ChosenFile> chooseOpenFile(std::string_view title, std::string_view filter) = 0;
    // Asks before replacing an existing file.
    virtual std::optional<ChosenFile> chooseSaveFile(std::string_view title, std::string_view filter,
                                                     std::string_view proposedName) = 0;
};

// The target name CompactDB proposes: titles of 5 to 12 characters lose their
// last four ("PASS.MDB" -> "pass"), longer ones stay whole; lower-cased, then
// "x.mdb". nullopt for a title of four characters or fewer.
std::optional<std::string> proposedCompactTarget(std::string_view sourceTitle);

// Copies every user table of source into a new database at target (written
// under a temporary name, checked by opening it, then moved over target).
// What the copy cannot hold is refused by name (Unsupported) before anything
// is written: objects other than tables (queries, forms, relationships, ...),
// other system tables and their rows, permissions and properties a new
// database does not have. A table list, table or record that cannot be read
// fails the copy (Corruption), except with salvage (repair): records no walk
// can read are then left out and each table's loss is added to dropped.
// Records on pages a table's page map does not list fail even a salvage, as
// they may well be readable. source and target may be the same path. On
// failure every file is as it was.
Status compactDatabase(const std::string& source, const std::string& target, bool salvage = false,
                       std::vector<std::string>* dropped = nullptr);
// Rebuilds path in place with compactDatabase(path, path, true, dropped).
Status repairDatabase(const std::string& path, std::vector<std::string>* dropped = nullptr);

// The two commands, dialogs included. Messages have an OK button and no icon.
void CompactDB(DatabaseToolDialogs& dialogs, MessageBoxes& boxes, MainWindowSurface& window);
void RepairDB(DatabaseToolDialogs& dialogs, MessageBoxes& boxes, MainWindowSurface& window);

} // namespace quorlix
