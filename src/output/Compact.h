#pragma once
// The Tools menu's database maintenance: compacting a Jet database into a new
// file and repairing one in place. Without Microsoft's engine both copy every
// user table into a newly written file of the same format (Jet 3 or Jet 4),
// with the same database password; system tables are written fresh.
//
// Only what the Jet writer can hold is copied: Text fields of up to its field
// size. A database with any other kind of field (numbers, dates, memos,
// binary data) or with longer Text fields is refused as a whole, so that a
// copy never silently differs from its source.

#include <optional>
#include <string>
#include <string_view>

#include "output/RunSurface.h"
#include "output/SaveAs.h"
#include "platform/Status.h"

namespace quorlix {

inline constexpr std::string_view kCompactOpenTitle = "Select Database File to Compact";
inline constexpr std::string_view kCompactSaveTitle = "Enter New Database File Name";
inline constexpr std::string_view kRepairDialogTitle = "Select Database File to Repair";
inline constexpr std::string_view kDatabaseFilter = "MS-Access Database File (*.mdb)|*.mdb";
inline constexpr std::string_view kCompactFailed =
    "Database Error: Database file already in use, file name is the same or Cancel was selected.";
inline constexpr std::string_view kIncorrectFileName = "Incorrect File Name";
inline constexpr std::string_view kRepairFailed = "Repair unsuccessful!";

// The file dialogs of the two commands; nullopt when cancelled.
class DatabaseToolDialogs {
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
// salvage: a table that cannot be read to its end keeps the rows that could
// be read (repair); otherwise that fails the whole copy. source and target
// may be the same path. On failure target is as it was.
Status compactDatabase(const std::string& source, const std::string& target, bool salvage = false);
// Rebuilds path in place with compactDatabase(path, path, true).
Status repairDatabase(const std::string& path);

// The two commands, dialogs included. Messages have an OK button and no icon.
void CompactDB(DatabaseToolDialogs& dialogs, MessageBoxes& boxes, MainWindowSurface& window);
void RepairDB(DatabaseToolDialogs& dialogs, MessageBoxes& boxes, MainWindowSurface& window);

} // namespace quorlix
