#pragma once
// The desktop program: what its main windows share, and the windows.

#include <QObject>
#include <QPointer>

#include <cstdint>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"
#include "words/DictionaryFolder.h"
#include "ui/Desktop.h"
#include "ui/DialogFolders.h"
#include "ui/Prompts.h"
#include "ui/StartupSound.h"

namespace quorlix::ui
{

class MainWindow;

// Long work a main window may have under way, as the close question names it.
struct TaskInProgress {
    enum class Kind { Run, MultiFileRun, SaveAs, OpenTextFile, Convert, Sort, Compact, Repair, Download };
    Kind kind = Kind::Run;
    bool thisWindow = false; // in the window being closed
    std::int64_t made = 0;   // runs into the display: passwords made so far
    std::int64_t total = 0;  // runs: passwords requested (per file for a multi-file run)
    std::int32_t files = 0;  // multi-file runs
};

// The question closing a window asks when that would end work in any window.
std::string closeQuestionText(const std::vector<TaskInProgress>& tasks);

struct Services {
    Prompts& prompts;
    SettingsStore& settings;   // the per-user store, used on the windows' thread only
    DictionaryPlaces places;   // where dictionaries are looked up
    Desktop& desktop;
    Sound* sound = nullptr; // null: silent
    // Where the last settings live, for the system information.
    std::string settingsFileName;
};

class Program final : public QObject
{
    Q_OBJECT
public:
    // The windows ask through services.prompts with their file dialogs
    // starting where DialogFolders says.
    explicit Program(Services services);
    ~Program() override;

    Services& services() { return m_services; }

    // A further main window, shown.
    MainWindow* openWindow();
    // The main windows still open.
    std::vector<MainWindow*> windows() const;
    // Closing window closes every other window of the program; the other main
    // windows close without saving their settings over the ones window saved.
    void closeAllBut(QWidget* window);
    // Before closing window: when that would end work in any main window,
    // asks the user and returns true; window closes later if the answer is
    // Yes. False when nothing is under way: closing goes ahead at once.
    bool askBeforeClosing(MainWindow* window);
    // Every main window leaves (its work stops) and every window but this one closes.
    void leaveAll(MainWindow* closing);

    // The main window the user had last, shown in front of the others (a
    // second start of the program asks for it).
    void bringToFront();
    void windowActivated(MainWindow* window);

private:
    std::unique_ptr<DialogFolders> m_folders;
    Services m_services;
    std::vector<QPointer<MainWindow>> m_windows;
    bool m_closeQuestionOpen = false;
    QPointer<MainWindow> m_lastActive;
};

} // namespace quorlix::ui
