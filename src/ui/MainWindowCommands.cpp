// The main window's commands: runs, the display tools, settings files, the
// Tools and Dictionary menus.

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "engine/RunTexts.h"
#include "output/Compact.h"
#include "output/Convert.h"
#include "output/DisplayTools.h"
#include "output/MdbListWriter.h"
#include "output/SortTextFile.h"
#include "settings/ApplyOptions.h"
#include "settings/LastSettings.h"
#include "settings/SettingsFile.h"
#include "ui/AboutDialog.h"
#include "ui/HandOutDialog.h"
#include "ui/MainWindow.h"
#include "ui/OptionDialogs.h"
#include "ui/ProgressBar.h"
#include "ui/PronounceableDialog.h"
#include "ui/SaveAsBox.h"
#include "ui/ToolDialogs.h"
#include "ui/ViewerWindow.h"
#include "ui/Widgets.h"

namespace quorlix::ui
{

namespace
{

constexpr std::string_view kDictionaryDialogTitle = "Select Dictionary File";
constexpr std::string_view kDictionaryFilter = "Dictionary Files (*.dct)|*.dct";
constexpr std::string_view kSortDialogTitle = "Select Text File to Sort";
constexpr std::string_view kSortFilter = "Text File (*.txt)|*.txt|All Files (*.*)|*.*";

} // namespace

// ---- Runs -----------------------------------------------------------------

void MainWindow::execute()
{
    if (m_worker.busy())
        return;
    // Execute's checks run here: they are quick, may ask, and may change the
    // options (symbols deactivated, separator marks pruned, multi-file mode off).
    auto runList = std::make_unique<ResultList>();
    Yielder yielder(surface());
    const RunRequest request{m_state.method, m_state.run, m_state.checks,         m_state.pool,  m_state.inserts,
                             m_state.rules,  m_multiFile, m_state.dictionaryFile, m_state.words, m_state.pronounceable,
                             &m_handOut};
    RunEnvironment env{surface(), *m_boxes, *runList, yielder, m_runState, m_random};
    const std::optional<RunControl::Dispatch> dispatch = RunControl(request, env).prepare();
    if (!dispatch || m_closeRequested)
        return;

    // The run works on its own copy of the options; what the user changes
    // meanwhile reaches it at its next yield.
    struct Run {
        OptionState options;
        MultiFileSettings multiFile;
        HandOut handOut;
        std::unique_ptr<ResultList> list;
        RunControl* control = nullptr;
    };
    auto run = std::make_shared<Run>(Run{m_state, m_multiFile, m_handOut, std::move(runList)});
    m_worker.useOptions(&run->options);
    m_worker.watchList(run->list.get());
    m_worker.setCountdownTick([run] {
        if (run->control)
            run->control->countdownTick();
    });
    m_runSorted = run->list->sorted();
    m_runListShown = false;
    m_runRowsHeld = false;
    using Dispatch = RunControl::Dispatch;
    const bool multi = *dispatch == Dispatch::MultiFileCharacters || *dispatch == Dispatch::MultiFileWords ||
                       *dispatch == Dispatch::MultiFilePronounceable;
    m_runTotal = run->options.method == GenerationMethod::RandomWords     ? run->options.words.totalPasswords
                 : run->options.method == GenerationMethod::Pronounceable ? run->options.pronounceable.totalPasswords
                                                                          : run->options.run.totalPasswords;
    m_runFiles = multi ? run->multiFile.totalFiles : 0;
    enableOff();
    startWork(
        Work::Run,
        [this, run, dispatch = *dispatch](WorkerSide& side) {
            OptionState& o = run->options;
            const RunRequest r{o.method, o.run,          o.checks,         o.pool,  o.inserts,
                               o.rules,  run->multiFile, o.dictionaryFile, o.words, o.pronounceable,
                               &run->handOut};
            RunEnvironment e{side.surface, side.boxes, *run->list, side.yielder, m_runState, m_random};
            RunControl control(r, e);
            control.setDictionaryCheck(m_checker.get());
            control.setWordsGenerators(m_wordsRunner.get());
            run->control = &control;
            control.generate(dispatch);
            run->control = nullptr;
        },
        [this, run] {
            if (m_runListShown)
                m_list = std::move(run->list);
            m_runListShown = false;
            m_model.showList(m_list.get());
            if (m_selectFirstPending)
                selectFirstRow();
        });
}

void MainWindow::stop()
{
    m_runState.stopRequested.store(1);
}

bool MainWindow::startWork(Work kind, std::function<void(WorkerSide&)> work, std::function<void()> done)
{
    if (m_worker.busy())
        return false;
    m_work = kind;
    m_stopOn = false;
    m_list->settle(); // the work may read it while the display paints it
    m_worker.start(std::move(work), [this, done = std::move(done)] {
        if (done)
            done();
        workEnded();
    });
    return true;
}

void MainWindow::workEnded()
{
    // The finished list is shown by now: the run's last status follows it.
    const bool listUpdated = m_updatingList;
    endListUpdate();
    m_work = Work::None;
    m_stopOn = false;
    if (m_busy)
        // Work that locked the window and did not unlock it (a Random Words
        // run leaves the buttons to Execute): unlock it as a run's end would.
        enableOn();
    if (m_busy || listUpdated) {
        m_executeButton->setEnabled(m_executeOn);
        m_executeAction->setEnabled(m_executeOn);
    }
    updateRunButtons();
    updateDisplayCommands();
    if (m_closeRequested)
        QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::applyFlush(WorkerFlush& flush)
{
    if (m_work == Work::Run) {
        // A run whose rows wait in its own list has ended when it hands the
        // buttons back: from then until the window shows that list, the
        // updating text stands and Execute and Stop are off.
        m_runRowsHeld = flush.rowsHeld;
        const bool ends = std::any_of(flush.commands.begin(), flush.commands.end(), [](WindowCommand c) {
            return c == WindowCommand::EnableOn || c == WindowCommand::ExecuteOn || c == WindowCommand::StopOff;
        });
        if (ends && m_runRowsHeld && !m_updatingList)
            beginListUpdate();
    }
    for (const WindowCommand c : flush.commands) {
        switch (c) {
        case WindowCommand::EnableOff:
            surface().enableOff();
            break;
        case WindowCommand::EnableOn:
            surface().enableOn();
            break;
        case WindowCommand::ExecuteOn:
        case WindowCommand::ExecuteOff:
            surface().setExecuteEnabled(c == WindowCommand::ExecuteOn);
            break;
        case WindowCommand::StopOn:
        case WindowCommand::StopOff:
            surface().setStopEnabled(c == WindowCommand::StopOn);
            break;
        case WindowCommand::ShowCountdown:
            surface().showCountdown();
            break;
        case WindowCommand::SelectFirstRow:
            surface().selectFirstRow();
            break;
        case WindowCommand::MethodOptionsOn:
        case WindowCommand::MethodOptionsOff:
            surface().setMethodOptionsEnabled(c == WindowCommand::MethodOptionsOn);
            break;
        case WindowCommand::RefreshReadout:
            refreshReadout();
            break;
        }
    }
    if (flush.status)
        surface().setStatus(*flush.status);
    if (flush.heading)
        surface().setHeading(*flush.heading);
    // A count that was under way when the user switched the counter off stays unseen.
    if (flush.counter && m_counterSwitch->isChecked())
        surface().setCounter(*flush.counter);
    if (flush.countdown)
        surface().setCountdown(*flush.countdown);
    if (flush.windowTitle)
        surface().setWindowTitle(*flush.windowTitle);
    if (flush.progress)
        surface().setProgress(*flush.progress);
    if (flush.listCleared) {
        // The run has cleared its display: the previous rows go now.
        m_model.beginLive(m_runSorted);
        m_list->clear();
        m_runListShown = true;
    }
    if (!flush.rows.empty())
        m_model.appendLive(std::move(flush.rows));
    if (flush.repaintList)
        m_passwordList->viewport()->update();
}

void MainWindow::beginListUpdate()
{
    m_updatingList = true;
    m_heldStatus.reset();
    m_statusLine->setText(qs(texts::kUpdatingList));
    m_executeButton->setEnabled(false);
    m_executeAction->setEnabled(false);
    updateRunButtons();
}

void MainWindow::endListUpdate()
{
    if (!m_updatingList)
        return;
    m_updatingList = false;
    if (m_heldStatus)
        m_statusLine->setText(*m_heldStatus);
    m_heldStatus.reset();
}

void MainWindow::setStatusText(const QString& text)
{
    if (m_updatingList)
        m_heldStatus = text;
    else
        m_statusLine->setText(text);
}

void MainWindow::saveAsNotice(std::function<void()> done)
{
    if (parseBoolText(m_services.settings.get(kSettingsSection, "SaveAsBox", "False")).value_or(false)) {
        done();
        return;
    }
    auto* box = new SaveAsBox(this);
    connect(box, &QDialog::finished, this, [this, box, done = std::move(done)] {
        m_services.settings.set(kSettingsSection, "SaveAsBox", boolText(box->dontShowAgain()));
        m_services.settings.sync();
        done();
    });
    box->open();
}

Status MainWindow::openInDesktop(const std::string& path)
{
    return m_services.desktop.openFile(path);
}

// ---- Display tools --------------------------------------------------------

void MainWindow::openTextFile()
{
    struct Loaded {
        std::unique_ptr<ResultList> list;
        std::string title;
    };
    auto loaded = std::make_shared<Loaded>();
    const ResultList* current = m_list.get();
    startWork(
        Work::OpenTextFile,
        [current, loaded](WorkerSide& side) {
            const auto file = side.files.chooseOpenFile(kOpenTextTitle, kOpenTextFilter);
            if (!file)
                return;
            bool append = true;
            if (!current->empty())
                append = side.boxes.show(kAppendQuestion, Icon::Critical, Buttons::YesNo) == Answer::Yes;
            side.surface.enableOff();
            // The new display is built aside and shown whole: the display keeps
            // painting the old one meanwhile. The list places each row by its
            // own sort setting.
            auto list = std::make_unique<ResultList>();
            list->setSorted(current->sorted());
            list->setUpdating(false);
            if (append)
                for (std::size_t i = 0; i < current->count(); ++i)
                    list->add(current->rowAdded(i));
            // An unreadable file ends the command quietly; the lines read stay.
            (void)readTextFileInto(file->path, *list, [&side] { side.yielder(); });
            list->colourRows(list->count(), kOpenedStripeFirst, kOpenedStripeSecond);
            list->setUpdating(true);
            loaded->list = std::move(list);
            loaded->title = file->title;
            side.surface.enableOn();
        },
        [this, loaded] {
            if (!loaded->list)
                return;
            m_list = std::move(loaded->list);
            m_model.showList(m_list.get());
            m_generatedCount->setText(QString::number(m_list->count()));
            m_statusLine->setText(qs(kOpenedFile) + qs(loaded->title));
            const bool rows = !m_list->empty();
            for (QAction* a : displayActions())
                a->setEnabled(rows);
            if (rows)
                m_passwordList->setCurrentIndex(m_model.index(0));
        });
}

void MainWindow::saveAs()
{
    const std::int32_t amount = m_state.run.totalPasswords;
    const ResultList* list = m_list.get();
    // Hashing a list takes minutes: the Stop button ends the save, which then writes nothing.
    m_runState.stopRequested.store(0);
    startWork(Work::SaveAs, [this, list, amount, handOut = m_handOut](WorkerSide& side) {
        SaveContext context{side.boxes, side.surface, side.shell, [&side] { side.yielder(); }, &handOut,
                            [this] { return m_runState.stopPending(); }};
        SaveAsMenu(*list, amount, side.saveAs, context);
    });
}

void MainWindow::chooseRoster()
{
    struct Loaded {
        std::shared_ptr<Roster> roster;
        std::string title;
    };
    auto loaded = std::make_shared<Loaded>();
    // A roster of millions is read off the window's thread.
    startWork(
        Work::OpenTextFile,
        [loaded](WorkerSide& side) {
            const auto file = side.files.chooseOpenFile(
                "Names from Roster", "Roster (*.csv; *.txt)|*.csv;*.txt|All Files (*.*)|*.*");
            if (!file)
                return;
            auto roster = std::make_shared<Roster>();
            if (const Status s = readRoster(file->path, {}, *roster); !s) {
                side.boxes.show(s.message(), Icon::Exclamation, Buttons::Ok);
                return;
            }
            loaded->roster = std::move(roster);
            loaded->title = file->title;
        },
        [this, loaded] {
            if (loaded->roster)
                useRoster(loaded->roster, loaded->title);
        });
}

void MainWindow::useRoster(std::shared_ptr<const Roster> roster, const std::string& title)
{
    if (!m_handOut.roster)
        m_countBeforeRoster = m_totalPasswordsField->text();
    const std::size_t people = roster->size();
    m_handOut.roster = std::move(roster);
    // The count follows the roster; the field shows it and takes no typing.
    m_totalPasswordsField->setText(QString::number(people));
    m_totalPasswordsField->setReadOnly(true);
    m_rosterIndicator->showRoster(QString::fromStdString(title), people);
}

void MainWindow::clearRoster()
{
    m_handOut.roster.reset();
    m_totalPasswordsField->setReadOnly(false);
    m_totalPasswordsField->setText(m_countBeforeRoster);
    m_rosterIndicator->showRoster({}, 0);
}

void MainWindow::clearDisplay()
{
    if (m_worker.busy())
        return;
    m_list->clear();
    m_model.showList(m_list.get());
    m_passwordList->setToolTip(QString());
    m_progressBar->clearSurface();
    for (QAction* a : displayActions())
        a->setEnabled(false);
    m_generatedCount->setText(m_counterSwitch->isChecked() ? QStringLiteral("0") : qs(texts::kCounterOff));
}

void MainWindow::copySelection()
{
    // The selected rows in the order shown, one per line; one row is copied
    // as it is.
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : m_passwordList->selectionModel()->selection())
        ranges.emplace_back(range.top(), range.bottom());
    if (ranges.empty())
        return;
    std::sort(ranges.begin(), ranges.end());
    // Gathered as bytes and made text once: ten million rows take a second or two.
    std::size_t rows = 0;
    for (const auto& [top, bottom] : ranges)
        rows += static_cast<std::size_t>(bottom - top + 1);
    std::string bytes;
    bytes.reserve(rows * (m_model.rowText(ranges.front().first).size() + 2));
    int next = 0; // the first row not copied yet
    for (const auto& [top, bottom] : ranges) {
        for (int row = std::max(top, next); row <= bottom; ++row) {
            if (row != ranges.front().first)
                bytes += '\n';
            bytes += m_model.rowText(row);
        }
        next = std::max(next, bottom + 1);
    }
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    std::string().swap(bytes);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    // Optionally the passwords leave the clipboard after a while, unless
    // something else was copied meanwhile.
    const auto seconds = parseInt32(m_services.settings.get(kSettingsSection, "ClipboardClearSeconds", "0"));
    if (seconds && *seconds > 0)
        QTimer::singleShot(std::chrono::seconds(*seconds), clipboard, [clipboard, text] {
            if (clipboard->text() == text)
                clipboard->clear();
        });
}

// ---- Settings files -------------------------------------------------------

void MainWindow::openSettings()
{
    if (m_worker.busy())
        return;
    const auto file = m_boxes->chooseFile(openFileRequest(kSettingsDialogOpenTitle, kSettingsFilter));
    if (!file) {
        enableOn();
        return;
    }
    // Whatever cannot be read keeps its current value; the window follows the rest.
    (void)loadSettingsFile(file->path, m_state);
    applySettingsFile(m_state, controls());
    m_dictionaryCheck->setChecked(m_state.checks.dictionary);
    m_dictionaryCheckAction->setChecked(m_state.checks.dictionary);
    m_wholeWordMode->setEnabled(m_state.checks.dictionary);
    m_hybridMode->setEnabled(m_state.checks.dictionary);
    applyMethodState();
    optionsChanged();
}

void MainWindow::saveSettings()
{
    if (m_worker.busy())
        return;
    const auto file = m_boxes->chooseFile(saveFileRequest(kSettingsDialogSaveTitle, kSettingsFilter));
    if (!file) {
        enableOn();
        return;
    }
    const Status saved = saveSettingsFile(file->path, m_state);
    if (!saved)
        m_boxes->show("Could not save the settings file " + file->path + ": " + saved.message(), Icon::Exclamation,
                      Buttons::Ok);
}

void MainWindow::closePasswordTool()
{
    saveLastSettings(m_services.settings, m_state);
    m_services.settings.sync();
    close();
}

// ---- Tools ----------------------------------------------------------------

void MainWindow::convert(int kind)
{
    const jet::JetVersion version =
        mdbFormatFromSetting(m_services.settings.get(kSettingsSection, "MdbFormat", "Jet3"));
    startWork(Work::Convert, [kind, version](WorkerSide& side) {
        const auto source = side.files.chooseOpenFile(kConvertOpenTitle, kConvertOpenFilter);
        if (!source)
            return;
        const auto proposed = proposedConversionTarget(source->title);
        if (!proposed)
            return;
        const std::string_view title = kind == 0   ? kConvertDbSaveTitle
                                       : kind == 1 ? kConvertCsvSaveTitle
                                                   : kConvertHtmlSaveTitle;
        const std::string_view filter = kind == 0   ? kConvertDbFilter
                                        : kind == 1 ? kConvertCsvFilter
                                                    : kConvertHtmlFilter;
        const auto target = side.files.chooseSaveFile(title, filter, *proposed);
        if (!target)
            return;
        SaveContext context{side.boxes, side.surface, side.shell, [&side] { side.yielder(); }};
        const Status done = kind == 0   ? convertTXTtoDB(source->path, target->path, version, context)
                            : kind == 1 ? ConvertTXTtoCSV1(source->path, target->path, context)
                                        : ConvertTXTtoHTML1(source->path, target->path, context);
        // Not silent: the status line alone would still read "Saving ...".
        if (!done)
            side.boxes.show("Could not convert " + source->path + ": " + done.message(), Icon::Exclamation,
                            Buttons::Ok);
    });
}

void MainWindow::sortTextFile()
{
    startWork(Work::Sort, [](WorkerSide& side) {
        const auto file = side.files.chooseOpenFile(kSortDialogTitle, kSortFilter);
        if (!file)
            return;
        side.surface.setStatus(std::string(texts::kSortingFile) + file->title);
        side.surface.enableOff();
        Status error;
        const bool sorted = SortTextFile(file->path, true, &error);
        side.surface.enableOn();
        if (!sorted || !error) {
            side.surface.setStatus("Could not sort " + file->title);
            side.boxes.show(error ? "No file found at " + file->path : error.message(), Icon::Exclamation, Buttons::Ok);
            return;
        }
        side.surface.setStatus("Sorted File: " + file->title);
    });
}

void MainWindow::compactDatabase()
{
    startWork(Work::Compact, [](WorkerSide& side) { CompactDB(side.files, side.boxes, side.surface); });
}

void MainWindow::repairDatabase()
{
    startWork(Work::Repair, [](WorkerSide& side) { RepairDB(side.files, side.boxes, side.surface); });
}

void MainWindow::viewWithDesktop(const std::string& type)
{
    const auto file =
        m_boxes->chooseFile(openFileRequest(kSelectFileToOpen, type == "MDB" ? kViewMdbFilter : kViewCsvFilter));
    if (!file)
        return; // cancelling is not a failure to open
    if (!m_services.desktop.openFile(file->path)) {
        const std::string message = viewerFailureMessage(file->path);
        m_boxes->show(message.empty() ? "Unable to open " + file->path : message, Icon::Exclamation, Buttons::Ok);
    }
}

void MainWindow::viewWithTextEditor(const std::string& type)
{
    const std::string_view filter = type == "TXT" ? kViewTxtFilter : type == "HTM" ? kViewHtmFilter : kViewCsvFilter;
    const auto file = m_boxes->chooseFile(openFileRequest(kSelectFileToOpen, filter));
    if (!file)
        return;
    const Status opened = m_services.desktop.openInTextEditor(file->path);
    if (!opened)
        m_boxes->show(opened.message(), Icon::Exclamation, Buttons::Ok);
}

void MainWindow::viewWithBrowser()
{
    const auto file = m_boxes->chooseFile(openFileRequest(kSelectFileToOpen, kViewBrowserFilter));
    if (!file)
        return;
    if (!m_services.desktop.openFile(file->path))
        m_boxes->show("Unable to open " + file->path, Icon::Exclamation, Buttons::Ok);
}

void MainWindow::viewInQuorlix(const std::string& type)
{
    const std::string_view filter = type == "mdb" ? kViewMdbFilter : kViewTxtFilter;
    const auto file = m_boxes->chooseFile(openFileRequest(kSelectFileToOpen, filter));
    if (!file)
        return;
    ViewerWindow::open(file->path, this);
}

// ---- Dictionary -----------------------------------------------------------

void MainWindow::applyDictionaryControls(const DictionaryCheckControls& controls)
{
    m_dictionaryCheck->setChecked(controls.checkBox);
    m_dictionaryCheckAction->setChecked(controls.menuChecked);
    m_wholeWordMode->setEnabled(controls.modeOptionsEnabled);
    m_hybridMode->setEnabled(controls.modeOptionsEnabled);
    m_state.checks.dictionary = controls.checkBox;
    optionsChanged();
}

void MainWindow::dictionaryBoxClicked()
{
    DictionaryCheckControls controls{m_dictionaryCheck->isChecked(), m_dictionaryCheckAction->isChecked(),
                                     m_wholeWordMode->isEnabled()};
    dictionaryCheckClicked(m_services.places.folderOf(m_state.dictionaryFile), m_state.dictionaryFile,
                           downloadBase(m_services.settings), controls, surface(), *m_boxes, *this);
    applyDictionaryControls(controls);
}

void MainWindow::dictionaryMenuTriggered()
{
    // The item toggled itself; the rule works from its state before.
    DictionaryCheckControls controls{m_dictionaryCheck->isChecked(), !m_dictionaryCheckAction->isChecked(),
                                     m_wholeWordMode->isEnabled()};
    dictionaryMenuClicked(m_services.places.folderOf(m_state.dictionaryFile), m_state.dictionaryFile,
                          downloadBase(m_services.settings), controls, surface(), *m_boxes, *this);
    applyDictionaryControls(controls);
}

void MainWindow::changeActiveDictionary()
{
    const auto file = m_boxes->chooseFile(openFileRequest(kDictionaryDialogTitle, kDictionaryFilter));
    if (!file)
        return;
    // A dictionary from elsewhere is added to the user's dictionary folder, so
    // its bare name finds it from now on.
    const DictionaryPlaces& places = m_services.places;
    const std::string folder = file->path.substr(0, file->path.size() - file->title.size());
    if (std::find(places.folders().begin(), places.folders().end(), folder) == places.folders().end()) {
        std::error_code ec;
        std::vector<std::string> created;
        const Status made = makeUserFolder(places.userFolder(), &created);
        if (made)
            std::filesystem::copy_file(file->path, places.userFolder() + file->title,
                                       std::filesystem::copy_options::overwrite_existing, ec);
        if (!made || ec) {
            removeCreatedFolders(created);
            m_boxes->show("Could not add " + file->path + " to " + places.userFolder() + ": " +
                              (made ? ec.message() : made.message()),
                          Icon::Exclamation, Buttons::Ok);
            return;
        }
    }
    changeActiveDictionaryFile(file->path, m_state.dictionaryFile, surface());
}

void MainWindow::viewDictionary()
{
    DictionaryCheckControls controls{m_dictionaryCheck->isChecked(), m_dictionaryCheckAction->isChecked(),
                                     m_wholeWordMode->isEnabled()};
    checkDictionaryFile(true, m_services.places.folderOf(m_state.dictionaryFile), m_state.dictionaryFile,
                        downloadBase(m_services.settings), controls, *m_boxes, *this);
    applyDictionaryControls(controls);
}

bool MainWindow::internetConnected()
{
    return SystemInternetProbe().connected();
}

bool MainWindow::runDownloadWindow()
{
    m_downloadRequest.requested = false;
    DownloadDialog::runModal(*this, m_downloadRequest);
    return m_downloadRequest.requested;
}

void MainWindow::showDownloadDictionary()
{
    DownloadDialog::runModal(*this, m_downloadRequest);
}

void MainWindow::openSearchWindow()
{
    if (!m_search)
        m_search = new SearchDialog(*this);
    m_search->start();
}

void MainWindow::shellOpen(const std::string& address)
{
    (void)m_services.desktop.openAddress(address);
}

// ---- Option windows -------------------------------------------------------

void MainWindow::showCharacters()
{
    if (!m_characters)
        m_characters = new CharactersDialog(*this);
    bringToFront(m_characters);
}

void MainWindow::showInserts(bool blanks)
{
    const std::string_view refusal = insertsRefusal(blanks, m_state.run.maxLength);
    if (!refusal.empty()) {
        m_boxes->show(refusal, Icon::Exclamation, Buttons::Ok);
        return;
    }
    // Each opening starts from the stored marks of the chosen set.
    if (m_inserts)
        m_inserts->close();
    m_inserts = new InsertsDialog(*this, blanks);
    m_inserts->show();
}

void MainWindow::showPasswordRules()
{
    const std::string_view warning = rulesOpenWarning(m_state.run.maxLength);
    if (!warning.empty())
        m_boxes->show(warning, Icon::Exclamation, Buttons::Ok);
    if (!m_rules)
        m_rules = new RulesDialog(*this);
    bringToFront(m_rules);
}

void MainWindow::showWordSettings()
{
    if (!m_wordSettings)
        m_wordSettings = new WordSettingsDialog(*this);
    bringToFront(m_wordSettings);
}

void MainWindow::showPronounceableSettings()
{
    if (!m_pronounceableSettings)
        m_pronounceableSettings = new PronounceableDialog(*this);
    bringToFront(m_pronounceableSettings);
}

void MainWindow::showMultiFile()
{
    if (!m_multiFileDialog)
        m_multiFileDialog = new MultiFileDialog(*this);
    bringToFront(m_multiFileDialog);
}

void MainWindow::showAbout()
{
    AboutDialog::showFor(this, m_services);
}

} // namespace quorlix::ui
