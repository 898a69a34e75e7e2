#pragma once
// The "View Dictionary" search window and the commands around the
// dictionary-check file: switching the check on and off, choosing another
// file, and the gate that offers a download when the file is missing.

#include <string>
#include <string_view>

#include "output/RunSurface.h"
#include "words/WordTables.h"

namespace quorlix {

inline constexpr std::string_view kSearchTooShort = "Only words greater than 3 characters may be searched.";
inline constexpr std::string_view kNoMatchingWords = "No matching words found.";
inline constexpr std::string_view kNotConnected = "You are Not connected To the Internet. Please connect and try again.";

enum class SearchType { Whole, Hybrid };

// One press of Search. typed is the search word box as typed; results is the
// results box, emptied first. A word with fewer than 4 letters is refused
// with kSearchTooShort and leaves the results empty.
//   Whole: the first word of the table of the first letter that equals the
//   typed text (case-blind): "Found: " + stored word + CR LF, else
//   "No matching words found." + CR LF.
//   Hybrid: for each position i of the blank-trimmed text
//   up to its length - 3, the table of the i-th letter (each table once) is
//   scanned and every word found at or after position i is listed as
//   "Found: " + word + CR LF; nothing found gives "No matching words found.".
void searchDictionary(const WordTables& tables, std::string_view typed, SearchType type, std::string& results,
                      MessageBoxes& boxes);

// The main window's dictionary-check controls.
struct DictionaryCheckControls {
    bool checkBox = false;       // chkDictionary
    bool menuChecked = false;    // "Dictio&nary Check"
    bool modeOptionsEnabled = false; // optFull and optHybrid
};

// What the dictionary commands need from the rest of the program.
class DictionaryCommandHost {
public:
    virtual ~DictionaryCommandHost() = default;
    virtual bool internetConnected() = 0;
    // Opens the download window modally; returns its download-requested flag.
    virtual bool runDownloadWindow() = 0;
    virtual void openSearchWindow() = 0;
    virtual void shellOpen(const std::string& address) = 0;
};

// dictionaryCheckFileExists: false also switches the check off.
bool dictionaryCheckFileExists(const std::string& programFolder, const std::string& checkFile,
                               DictionaryCheckControls& controls);

// checkDictionaryFile with "check" (view = false) or "view" (view = true).
void checkDictionaryFile(bool view, const std::string& programFolder, const std::string& checkFile,
                         const std::string& downloadBase, DictionaryCheckControls& controls, MessageBoxes& boxes,
                         DictionaryCommandHost& host);

// Click on chkDictionary after its value changed to controls.checkBox.
void dictionaryCheckClicked(const std::string& programFolder, const std::string& checkFile,
                            const std::string& downloadBase, DictionaryCheckControls& controls,
                            MainWindowSurface& surface, MessageBoxes& boxes, DictionaryCommandHost& host);
// The "Dictio&nary Check" menu item: toggles the box and runs its click rule.
void dictionaryMenuClicked(const std::string& programFolder, const std::string& checkFile,
                           const std::string& downloadBase, DictionaryCheckControls& controls,
                           MainWindowSurface& surface, MessageBoxes& boxes, DictionaryCommandHost& host);

// "&Change Active Dictionary File" after the open dialog returned chosenPath:
// its bare name becomes the dictionary-check file and the status line says so.
void changeActiveDictionaryFile(const std::string& chosenPath, std::string& checkFile, MainWindowSurface& surface);

// The web address of a dictionary file: base + "/software/" + name.
std::string dictionaryAddress(std::string_view base, std::string_view fileName);

} // namespace quorlix
