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
};

inline constexpr std::string_view kSaveDialogTitle = "Enter File Name and Select File Type";
inline constexpr std::string_view kSaveDialogFilter =
    "Text File (*.txt)|*.txt|MS-Access Database File (*.mdb)|*.mdb|Comma-Seperated Values File (*.csv)|*.csv|"
    "Hypertext File (*.htm; html)|*.htm; html";
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
    PrewrittenFile* prewritten = nullptr;
};

// The whole command: notice, Save dialog (cancel ends quietly after
// enableOn()), then saveChosenFile(). passwordAmount is the amount setting of
// the main window, not the number of rows.
void SaveAsMenu(const ResultList& list, std::int32_t passwordAmount, SaveAsDialogs& dialogs, SaveContext& context);

// Status "Saving Text File: " + title, then the writer chosen by the last
// three characters of the title, upper-cased; any other ending shows
// kUnrecognizedFileType and writes nothing.
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

} // namespace quorlix
