#pragma once
// The Tools menu's conversions of a text password list (one password per
// line) into a CSV file, an HTML page or a Jet database. The GUI shows the
// two file dialogs (texts below) and hands over the chosen paths; these
// routines stream the source line by line in constant memory.

#include <optional>
#include <string>
#include <string_view>

#include "output/SaveAs.h"
#include "platform/Status.h"
#include "platform/jet/Jet.h"

namespace quorlix {

inline constexpr std::string_view kConvertOpenTitle = "Select Text File to Convert";
inline constexpr std::string_view kConvertOpenFilter = "Text File (*.txt)|*.txt";
inline constexpr std::string_view kConvertCsvSaveTitle = "Type New CSV File Name";
inline constexpr std::string_view kConvertCsvFilter = "Comma-Seperated Values File (*.csv)|*.csv";
inline constexpr std::string_view kConvertHtmlSaveTitle = "Type New HTM File Name";
inline constexpr std::string_view kConvertHtmlFilter = "Hyper Text File (*.htm;html)|*.htm;html";
inline constexpr std::string_view kConvertDbSaveTitle = "Type New Database File Name";
inline constexpr std::string_view kConvertDbFilter = "MS-Access Database File (*.mdb)|*.mdb";

// The name the Save dialog proposes: the source title less its last four
// characters (the ".txt"); nullopt for a title shorter than four characters,
// which ends the command quietly.
std::optional<std::string> proposedConversionTarget(std::string_view sourceTitle);

// Each routine: status "Saving ... File: " + target title, enableOff(), the
// conversion (context.yield before each line), enableOn(), status "Saved ...
// File: " + target title, then the viewing question and, on Yes, the shell.
// A failure (source unreadable, target unwritable, a value the database
// refuses) ends the routine quietly after enableOn(): no message, the status
// line keeps its saving text. A target that existed is left as it was, and
// none is made where there was none. Lines are read as UTF-8, or as
// code page 1252 where they are not UTF-8, and written as UTF-8.
// The returned Status tells callers and tests what happened.
Status ConvertTXTtoCSV1(const std::string& source, const std::string& target, SaveContext& context);
Status ConvertTXTtoHTML1(const std::string& source, const std::string& target, SaveContext& context);
// Table "Password Database" with "Last Name", "First Name", "Password"; each
// line is trimmed of blanks. Empty and all-blank lines are skipped (the
// database refuses empty values) and counted in the saved text, e.g.
// "Saved Database File: x.mdb (2 blank lines skipped)". version comes from the
// MdbFormat setting.
Status convertTXTtoDB(const std::string& source, const std::string& target, jet::JetVersion version,
                      SaveContext& context);

} // namespace quorlix
