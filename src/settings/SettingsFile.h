#pragma once
// Named settings files (".set"): the whole option state as 306 lines of text,
// one item per line, each ended by CR LF. The first 297 are those every
// version wrote; the last nine came with the Pronounceable method and the
// word case, so a file of 297 lines is an older one and loads as it did.
//
//   1-3     total passwords, minimum, maximum        integer
//   4-8     duplication, side-by-side, sequential,
//           counter, sort display                    flag
//   9       dictionary-check file                    text
//   10-12   dictionary check, whole word, strong     flag
//   13      Random Characters selected               flag (decides the method)
//   14      method flag                              flag
//   15-16   Random Words dictionary, separator       text
//   17-18   words per password, total passwords      integer
//   19-20   word duplication check, random numbers   flag
//   21      word-length limit                        "True"/"False"
//   22-24   min, max word length, digit count        integer
//   25      random uppercase                         "True"/"False"
//   26-143  hyphen mark, blank mark for 1..59        flag
//   144-237 pool flags in pool order                 flag
//   238-297 rules for positions 1..60                integer
//   298     Pronounceable selected                   flag (decides over 13)
//   299-301 Pronounceable total passwords, min, max  integer
//   302     capital: 0 none, 1 first, 2 random       integer
//   303     digits                                   integer
//   304     symbol                                   flag
//   305     separator: 0 none, 1 -, 2 blank, 3 .     integer
//   306     word case: 0 lower, 1 upper,
//           2 capitalised, 3 alternating, 4 random   integer
//
// Integers and flags are written in line-print form: a blank (or "-") before
// the digits and one blank after (" 25 ", "-3 "). Texts are written unchanged.

#include <string>
#include <string_view>
#include <vector>

#include "options/OptionState.h"
#include "platform/Status.h"

namespace quorlix {

inline constexpr int kSettingsFileLines = 306;
// Files of older versions end here; the lines after it are not missing from them.
inline constexpr int kSettingsFileClassicLines = 297;
// Reading stops here: a settings file is a few kilobytes, and a device such
// as /dev/zero would be read for ever.
inline constexpr std::size_t kSettingsFileMostBytes = 1 << 20;
inline constexpr std::string_view kSettingsDialogSaveTitle = "Save Settings As";
inline constexpr std::string_view kSettingsDialogOpenTitle = "Open Settings";
inline constexpr std::string_view kSettingsFilter = "Settings File (*.set)|*.set";

// " 25 " for 25, "-3 " for -3.
std::string linePrintInteger(long long value);

// The 306 items of state, without line ends.
std::vector<std::string> settingsFileItems(const OptionState& state);
// The file's bytes: every item followed by CR LF.
std::string settingsFileText(const OptionState& state);

// Writes the file under a temporary name and renames it over path, so a failed
// save leaves the previous file as it was.
Status saveSettingsFile(const std::string& path, const OptionState& state);

struct SettingsFileReport {
    int lines = 0;            // lines present in the text
    int applied = 0;          // items that went into the state
    // Numbers, flags and "True"/"False" items read in their own form. Any line
    // reads as a text item, so a file where this is 0 holds no setting at all
    // (a password list, random bytes, UTF-16 text).
    int recognised = 0;
    std::vector<int> skipped; // line numbers (1-based) that could not be read, a short file's missing ones included
};

// Reads the items of text (line ends CR LF, LF or a lone CR) into state, in order. An
// item that cannot be read (a number line without a whole number, a missing
// line) leaves its setting as it is and reading goes on with the next line.
// Texts are whole lines, so commas and quotes in them shift nothing. The pool
// is recounted at the end.
SettingsFileReport readSettingsText(std::string_view text, OptionState& state);

// Reads the file at path; a file that cannot be opened changes nothing and
// returns its error, and so does one whose first kSettingsFileMostBytes do
// not hold its 306 lines (TooLarge).
Status loadSettingsFile(const std::string& path, OptionState& state, SettingsFileReport* report = nullptr);

// What the item of a line is, e.g. "minimum total characters" for line 2,
// "hyphen after position 3" for line 30.
std::string settingsItemName(int line);
// The skipped lines of report, consecutive ones joined: "line 2 (minimum
// total characters) could not be read", "lines 151 to 297 (pool flag of "+"
// to rule of position 60) are missing".
std::vector<std::string> describeSkippedItems(const SettingsFileReport& report);

} // namespace quorlix
