#pragma once
// The "Save &As" command and the four writers it dispatches to, as plain
// functions over the main window's surfaces so that the GUI, the CLI and the
// tests drive the same code.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "output/RunSurface.h"
#include "output/ListWriter.h"
#include "platform/ResultList.h"
#include "platform/Status.h"

namespace quorlix {

// Opens a file in the application registered for its type (the desktop's
// default-application launcher).
class Shell {
public:
    virtual ~Shell() = default;
    virtual Status openFile(const std::string& path) = 0;
};

struct ChosenFile {
    std::string path;  // full path
    std::string title; // the name without its folder
    // The entry of the dialog's filter list the user chose (its text before
    // the "|"), or empty. Only the hand-out entries that share an ending with
    // a list (kManagerCsvFilter, kBitwardenCsvFilter, kHashedCsvFilter,
    // kHashedMdbFilter) decide
    // anything; otherwise the name does.
    std::string filter = {};
    // Set: written as this format whatever the name (quorlix-cli --format).
    std::optional<ListFormat> format = {};
};

// The two windows the command shows before writing.
class SaveAsDialogs {
public:
    virtual ~SaveAsDialogs() = default;
    // The information box FrmSaveAsBox (kSaveAsNoticeText, "Do not display this
    // message again."), unless the setting SaveAsBox reads "True"; its OK
    // button stores the check box as SaveAsBox.
    virtual void showSaveAsNotice() = 0;
    // The Save dialog, asking before replacing a file; nullopt when cancelled.
    virtual std::optional<ChosenFile> chooseSaveFile(std::string_view caption, std::string_view filter) = 0;
    // The options of a hand-out list, asked after the file was chosen: the
    // slip options for Pdf, the hash scheme and user-name prefix for
    // Chpasswd and the hashed CSV and MDB lists. false: cancelled.
    virtual bool chooseHandOutOptions(ListFormat format, HandOut& handOut)
    {
        (void)format;
        (void)handOut;
        return true;
    }
};

inline constexpr std::string_view kSaveDialogTitle = "Enter File Name and Select File Type";
// Entries of the Save dialog for the hand-out lists.
inline constexpr std::string_view kSlipsFilter = "PDF Slips (*.pdf)";
inline constexpr std::string_view kChpasswdFilter = "Account List for chpasswd (*.chpasswd)";
inline constexpr std::string_view kManagerCsvFilter = "Password Manager CSV (*.csv)";
inline constexpr std::string_view kBitwardenCsvFilter = "Bitwarden CSV (*.csv)";
inline constexpr std::string_view kHashedCsvFilter = "Comma-Seperated Values File with Hashes (*.csv)";
inline constexpr std::string_view kHashedMdbFilter = "MS-Access Database File with Hashes (*.mdb)";
inline constexpr std::string_view kSaveDialogFilter =
    "Text File (*.txt)|*.txt|MS-Access Database File (*.mdb)|*.mdb|Comma-Seperated Values File (*.csv)|*.csv|"
    "Hypertext File (*.htm; html)|*.htm; html|PDF Slips (*.pdf)|*.pdf|"
    "Account List for chpasswd (*.chpasswd)|*.chpasswd|Password Manager CSV (*.csv)|*.csv|"
    "Bitwarden CSV (*.csv)|*.csv|"
    "Comma-Seperated Values File with Hashes (*.csv)|*.csv|MS-Access Database File with Hashes (*.mdb)|*.mdb";
inline constexpr std::string_view kSaveAsNoticeText =
    "You may save generated passwords as Text (.txt), MS-Access Database (.mdb), Comma-Seperated Values (.csv) or "
    "Hypertext Markup Language (.htm) files. Simply select the directory you wish to save your data to in the 'Save "
    "in' combo box, type in the name of the file you wish in the 'File name' field, and then select the file type "
    "you wish from the 'Save as type' como box. Once completed, select the 'Save' button to save your file to disk.";
inline constexpr std::string_view kSaveAsNoticeCheckBox = "Do not display this message again.";
inline constexpr std::string_view kUnrecognizedFileType =
    "Unrecognized file type. Please verify the type of file you wish to save these password with and try again.";
// Above this password amount, saving as CSV first asks about the spreadsheet's limit.
inline constexpr std::int32_t kExcelQuestionAbove = 65'525;

// A file whose rows were written while they were made (FollowedFile).
class PrewrittenFile {
public:
    virtual ~PrewrittenFile() = default;
    // When it is the file at path in format and holds every row of list in
    // display order: completes it (moves it into place), sets *result and
    // returns true. Otherwise drops it and returns false.
    virtual bool completeFor(const std::string& path, ListFormat format, const ResultList& list, Status* result) = 0;
};

// What the writers touch. yield runs once before each password (may be empty).
// prewritten, when given, is completed instead of writing the rows again if
// it holds them.
struct SaveContext {
    MessageBoxes& boxes;
    MainWindowSurface& window;
    Shell& shell;
    std::function<void()> yield;
    // The people and options of a list handed out; null: a plain list.
    const HandOut* handOut = nullptr;
    // Asked before each password: true ends the save, the file is not
    // written and an earlier one stays. Hashing ten thousand passwords
    // takes minutes, so the Stop button must reach it.
    std::function<bool()> stopRequested = {};
    PrewrittenFile* prewritten = nullptr;
};

inline constexpr std::string_view kSaveStopped = "Save stopped, nothing written: ";

// The whole command: notice, Save dialog (cancel ends quietly after
// enableOn()), then saveChosenFile(). passwordAmount is the amount setting of
// the main window, not the number of rows.
void SaveAsMenu(const ResultList& list, std::int32_t passwordAmount, SaveAsDialogs& dialogs, SaveContext& context);

// Status "Saving Text File: " + title, then the writer chosen by
// file.format, the filter entry or the last three characters of the title,
// upper-cased (formatFromFileName); any other ending shows
// kUnrecognizedFileType and writes nothing. With context.handOut, row n of
// the list in the order it was made goes to person n, whatever order the
// display shows (sorted passwords beside names in roster order would tell
// something of each password). A hand-out the format cannot carry
// (checkHandOut) is refused with its message before anything is written.
void saveChosenFile(const ResultList& list, std::int32_t passwordAmount, const ChosenFile& file,
                    SaveContext& context);

// Each writes the whole list in display order to path and reports with title.
// enableOff() before writing, enableOn() after, on every path. A failure shows
// "Could not save " + path + ": " + the reason, leaves any earlier file of that
// name as it was, and skips the viewing question.
void SaveToTXT(const std::string& path, const std::string& title, const ResultList& list, SaveContext& context);
// Asks the spreadsheet question first when passwordAmount > kExcelQuestionAbove;
// No ends without writing.
void SaveToCSV(const std::string& path, const std::string& title, const ResultList& list,
               std::int32_t passwordAmount, SaveContext& context);
void SaveToHTM(const std::string& path, const std::string& title, const ResultList& list, SaveContext& context);
// Writes through the database writer registered with registerMdbListWriterFactory().
void SaveToDB(const std::string& path, const std::string& title, const ResultList& list, SaveContext& context);
// The hand-out lists.
void SaveToSlips(const std::string& path, const std::string& title, const ResultList& list, SaveContext& context);
void SaveToChpasswd(const std::string& path, const std::string& title, const ResultList& list,
                    SaveContext& context);
void SaveToManagerCSV(const std::string& path, const std::string& title, const ResultList& list,
                      SaveContext& context);
void SaveToBitwardenCSV(const std::string& path, const std::string& title, const ResultList& list,
                        SaveContext& context);

// The format and the hash a chosen file is saved as, by the rules of
// saveChosenFile; nullopt for an unrecognized ending.
struct SaveFormat {
    ListFormat format;
    bool hashed = false; // one of the "with Hashes" entries
};
std::optional<SaveFormat> saveFormatOf(const ChosenFile& file);

} // namespace quorlix
