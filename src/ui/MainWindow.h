#pragma once
// The main window ("Quorlix"): the option controls a run reads, the
// Generated Passwords display, the run readouts and the menus that reach
// every other window and tool. Its logic lives in the layers below; this
// class wires widgets to it.
//
// Long work (runs, saves, conversions, database tools, opening a text file)
// goes to the window's WindowWorker, so the window stays live and several
// main windows work at once. Each main window has its own options, display
// and runs.

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/RunControl.h"
#include "engine/RunState.h"
#include "options/OptionState.h"
#include "options/RunFields.h"
#include "output/HandOut.h"
#include "output/MultiFileSettings.h"
#include "platform/Random.h"
#include "platform/ResultList.h"
#include "settings/ApplyOptions.h"
#include "ui/PasswordListView.h"
#include "ui/Program.h"
#include "ui/ResultListModel.h"
#include "ui/WindowWorker.h"
#include "words/DictionaryCheck.h"
#include "words/DictionaryDownload.h"
#include "words/DictionarySearch.h"
#include "words/DictionaryWordSource.h"
#include "words/WordsRunner.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace quorlix::ui
{

class ProgressBar;
class ElidedLabel;
class RosterIndicator;
class CharactersDialog;
class InsertsDialog;
class RulesDialog;
class WordSettingsDialog;
class PronounceableDialog;
class MultiFileDialog;
class SearchDialog;

class MainWindow final : public QMainWindow, public WorkerHost, public DictionaryCommandHost
{
    Q_OBJECT
public:
    explicit MainWindow(Program& program);
    ~MainWindow() override;

    // The window's state, for its option windows and for tests.
    OptionState& options() { return m_state; }
    MultiFileSettings& multiFile() { return m_multiFile; }
    const ResultList& list() const { return *m_list; }
    RunState& runState() { return m_runState; }
    WindowWorker& worker() { return m_worker; }
    Program& program() { return m_program; }
    // Waits in a local event loop for the answer (idle window only).
    MessageBoxes& boxes();
    MainWindowSurface& surface();
    bool busy() const { return m_busy; }
    Services& services() { return m_services; }
    // Waits of this window's prompts under way (its option windows count them
    // too), so that closing waits until they have returned.
    int* waitDepth() { return &m_waitDepth; }

    // Commands, as the buttons and menu items run them.
    void execute();
    void stop();
    void openTextFile();
    void saveAs();
    // File, "Names from Roster…": one password per person of a roster.
    void chooseRoster();
    void useRoster(std::shared_ptr<const Roster> roster, const std::string& title);
    void clearRoster();
    void clearDisplay();
    void copySelection();
    void openSettings();
    void saveSettings();
    void closePasswordTool();

    // Option windows; each exists once and edits a working copy.
    void showCharacters();
    void showInserts(bool blanks);
    void showPasswordRules();
    void showWordSettings();
    void showPronounceableSettings();
    void showMultiFile();
    void showDownloadDictionary();
    void showAbout();

    // After an option window changed the options: a running run takes them
    // at its next yield; the readouts follow.
    void optionsChanged();
    void refreshReadout();
    void updateSpaceReadout();
    void setRulesLight(bool green);
    // The dictionary check's box, menu item and mode options as the logic left them.
    void applyDictionaryControls(const DictionaryCheckControls& controls);

    // The next close does not save the settings: another main window is
    // closing the program and has saved its own.
    void closeAsFollower();
    // The long work this window has under way, if any. Work that only waits
    // for the user to answer a dialog is not counted (closing answers it),
    // except a run, whose passwords would go.
    std::optional<TaskInProgress> taskInProgress() const;
    // The program is closing: a run stops as if OK were chosen at its prompt,
    // questions are answered at once, and the window closes when its work has
    // ended, without saving its settings.
    void leave();
    // Closing confirmed by the user: this window's options become the last
    // settings and every window closes.
    void closeConfirmed();

    // WorkerHost
    void applyFlush(WorkerFlush& flush) override;
    void saveAsNotice(std::function<void()> done) override;
    Status openInDesktop(const std::string& path) override;
    // DictionaryCommandHost
    bool internetConnected() override;
    bool runDownloadWindow() override;
    void openSearchWindow() override;
    void shellOpen(const std::string& address) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Surface;
    class Controls;
    friend class Surface;
    friend class Controls;

    OptionControls& controls();

    void buildControls();
    void giveReadoutsFixedRoom();
    void buildMenus();
    void initialise();
    void collectControls();

    // Busy state around long operations.
    void enableOff();
    void enableOn();
    void applyMethodState();
    void updateDisplayCommands();
    // The commands that need rows in the display.
    std::array<QAction*, 5> displayActions() const;
    void selectFirstRow();

    // Field and switch handlers.
    void applyFieldChange(const FieldChange& change);
    void switchMethod(GenerationMethod method);
    void methodClicked(GenerationMethod method);
    void switchClicked(QCheckBox* box);
    void switchMenuTriggered(QAction* item, QCheckBox* box);
    void dictionaryBoxClicked();
    void dictionaryMenuTriggered();
    void playMusicTriggered();
    void counterClicked();
    void listClicked(const QModelIndex& index);
    void listContextMenu(const QPoint& at);

    // Tools and dictionary commands.
    void convert(int kind);
    void sortTextFile();
    void compactDatabase();
    void repairDatabase();
    void viewWithDesktop(const std::string& type);
    void viewWithTextEditor(const std::string& type);
    void viewWithBrowser();
    void viewInQuorlix(const std::string& type);
    void changeActiveDictionary();
    void viewDictionary();

    // What the worker is doing.
    enum class Work { None, Run, SaveAs, OpenTextFile, Convert, Sort, Compact, Repair };

    // Starts work on the worker; one at a time per window.
    bool startWork(Work kind, std::function<void(WorkerSide&)> work, std::function<void()> done = {});
    void workEnded();
    // The run has reached its end while its rows are still held back: the
    // display shows the updating text until it has the finished list.
    void beginListUpdate();
    void endListUpdate();
    void setStatusText(const QString& text);
    // Stop as the run's state allows.
    void updateRunButtons();
    // Saves this window's options and makes every window of the program leave.
    void startLeaving();

    Program& m_program;
    Services& m_services;
    std::unique_ptr<Surface> m_surface;
    std::unique_ptr<Controls> m_controls;
    std::unique_ptr<WaitingMessageBoxes> m_boxes;
    int m_waitDepth = 0;

    OptionState m_state;
    MultiFileSettings m_multiFile;
    RunState m_runState;
    // The roster in use and the options of the hand-out lists; what the
    // runs and Save As hand out.
    HandOut m_handOut;
    QString m_countBeforeRoster;
    RosterIndicator* m_rosterIndicator = nullptr;
    QAction* m_namesInTextAction = nullptr;
    std::unique_ptr<ResultList> m_list;
    ResultListModel m_model;
    DownloadRequest m_downloadRequest;

    WindowWorker m_worker;
    SecureRandom m_random;
    DictionaryWordSource m_wordSource;
    std::unique_ptr<DictionaryChecker> m_checker;
    std::unique_ptr<WordsRunner> m_wordsRunner;

    bool m_busy = false;     // between enableOff and enableOn
    bool m_executeOn = true; // the last state a run gave the buttons
    bool m_stopOn = false;
    Work m_work = Work::None;
    bool m_runRowsHeld = false;          // the running run's rows are not shown live
    bool m_updatingList = false;         // the run has ended; its list is not shown yet
    std::optional<QString> m_heldStatus; // the run's last status, shown with its list
    std::int64_t m_runTotal = 0;         // passwords the running run was asked for (per file)
    std::int32_t m_runFiles = 0;         // files of a multi-file run, else 0
    bool m_selectFirstPending = false;
    bool m_runSorted = false;    // sort mode of the running run's list
    bool m_runListShown = false; // the run cleared its list: the display shows it
    bool m_closeRequested = false;
    bool m_leaving = false; // the program is closing; no question, no save
    bool m_closed = false;

    // Controls, named by role; each keeps its old form's name as its objectName,
    // by which tests and screenshots find it.
    QRadioButton* m_methodButtons[3]{}; // by GenerationMethod
    QLineEdit* m_totalPasswordsField = nullptr;
    QLineEdit* m_minLengthField = nullptr;
    QLineEdit* m_maxLengthField = nullptr;
    QCheckBox* m_duplicationCheck = nullptr;
    QCheckBox* m_sideBySideCheck = nullptr;
    QCheckBox* m_sequentialCheck = nullptr;
    QCheckBox* m_dictionaryCheck = nullptr;
    QRadioButton* m_wholeWordMode = nullptr;
    QRadioButton* m_hybridMode = nullptr;
    QCheckBox* m_strongPasswordsCheck = nullptr;
    QCheckBox* m_sortDisplayCheck = nullptr;
    QCheckBox* m_counterSwitch = nullptr;
    QPushButton* m_executeButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    PasswordListView* m_passwordList = nullptr;
    QLabel* m_displayHeading = nullptr;
    QLabel* m_generatedCaption = nullptr;
    QLabel* m_generatedCount = nullptr;
    QLabel* m_charactersCaption = nullptr;
    QLabel* m_charactersCount = nullptr;
    QLabel* m_probabilityCaption = nullptr;
    QLabel* m_probabilityReadout = nullptr;
    QLabel* m_possibleReadout = nullptr; // possible passwords and their entropy
    ElidedLabel* m_statusLine = nullptr;
    QLabel* m_totalPasswordsCaption = nullptr;
    QLabel* m_minLengthCaption = nullptr;
    QLabel* m_maxLengthCaption = nullptr;
    QLabel* m_rulesLights[2]{};
    QLabel* m_rulesCaption = nullptr;
    QLabel* m_timeCaption = nullptr;
    QLabel* m_remainingCaption = nullptr;
    QLabel* m_clock = nullptr;
    ProgressBar* m_progressBar = nullptr;

    // Menu items.
    QAction* m_executeAction = nullptr;
    QAction* m_hyphensAction = nullptr;
    QAction* m_saveAsAction = nullptr;
    QAction* m_clearDisplayAction = nullptr;
    QAction* m_copyAction = nullptr;
    QAction* m_selectAllAction = nullptr;
    QAction* m_listCopyAction = nullptr;
    QAction* m_duplicationAction = nullptr;
    QAction* m_sideBySideAction = nullptr;
    QAction* m_sequentialAction = nullptr;
    QAction* m_strongPasswordsAction = nullptr;
    QAction* m_sortDisplayAction = nullptr;
    QAction* m_dictionaryCheckAction = nullptr;
    QAction* m_playMusicAction = nullptr;
    QMenu* m_listMenu = nullptr;

    // What enableOff and enableOn switch.
    std::vector<QWidget*> m_allWidgets;
    std::vector<QAction*> m_allActions;

    QPointer<CharactersDialog> m_characters;
    QPointer<InsertsDialog> m_inserts;
    QPointer<RulesDialog> m_rules;
    QPointer<WordSettingsDialog> m_wordSettings;
    QPointer<PronounceableDialog> m_pronounceableSettings;
    QPointer<MultiFileDialog> m_multiFileDialog;
    QPointer<SearchDialog> m_search;
};

} // namespace quorlix::ui
