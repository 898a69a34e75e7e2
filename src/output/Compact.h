#pragma once
// The Tools menu's database maintenance: compacting a Jet database into a new
// file and repairing one in place. Both copy the whole database (every table
// with its records, long values and indexes, the system tables with the
// queries, relationships, permissions, forms and modules they hold) into a
// newly written file of the same format, with the same first page: format,
// password, sort order and code page stay as they were.

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

// Copies the database at source into a new file at target (written under a
// temporary name, checked by opening it, then moved over target). What
// cannot be copied is refused by name (Unsupported) and what cannot be read
// completely fails the copy (Corruption), except with salvage (repair):
// records no walk can read are then left out, Memo and OLE values that
// cannot be read become Null, and a table whose page map is lost is rebuilt
// from the pages it owns. A table's records are those on the pages its page
// map lists; other pages are free space. report gets one line per table for
// what was left out or found another way, then one for each table whose
// stored record count differs from what its pages hold (the copy stores the
// true count). source and target may be the same path. On failure every
// file is as it was.
Status compactDatabase(const std::string& source, const std::string& target, bool salvage = false,
                       std::vector<std::string>* report = nullptr);
// Rebuilds path in place with compactDatabase(path, path, true, report).
Status repairDatabase(const std::string& path, std::vector<std::string>* report = nullptr);

// The two commands, dialogs included. Messages have an OK button and no icon.
void CompactDB(DatabaseToolDialogs& dialogs, MessageBoxes& boxes, MainWindowSurface& window);
void RepairDB(DatabaseToolDialogs& dialogs, MessageBoxes& boxes, MainWindowSurface& window);

} // namespace quorlix
