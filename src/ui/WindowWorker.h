#pragma once
// A main window's long work on a thread of its own: runs, saves,
// conversions, sorts, database tools, dictionary searches. The window's
// thread stays in its event loop throughout, so typing, moving, repainting
// and the other windows stay live, and two windows work at the same time.
//
// The work reaches the window only through the interfaces of WorkerSide:
//   - readouts (status, counter, countdown, progress...): the latest value
//     wins; they reach the window at most once per yield slice, and at once
//     with any command (enableOff, the Execute and Stop buttons...);
//   - questions (message boxes, file dialogs, the viewer launch): the worker
//     blocks until the window has the answer;
//   - options the user changes while the work goes (the switches that stay
//     live, an option window accepted meanwhile): posted by the window and
//     taken into the work's own copy at its next yield, the only moments the
//     generators expect a change;
//   - the stop request: the atomic flag of RunState.
// Rows of a run into the display reach the window as copies while the list
// is small and updating; a run with updating off adds its rows unseen and the
// window adopts the finished list when the work has ended.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/Yielder.h"
#include "options/OptionState.h"
#include "output/Compact.h"
#include "output/RunSurface.h"
#include "output/SaveAs.h"
#include "platform/ResultList.h"
#include "ui/Prompts.h"

class QWidget;

namespace quorlix::ui
{

// Calls of MainWindowSurface that are not readouts, in the order made.
enum class WindowCommand {
    EnableOff,
    EnableOn,
    ExecuteOn,
    ExecuteOff,
    StopOn,
    StopOff,
    ShowCountdown,
    SelectFirstRow,
    MethodOptionsOn,
    MethodOptionsOff,
    RefreshReadout,
};

// What one delivery from the worker carries.
struct WorkerFlush {
    std::vector<WindowCommand> commands;
    std::optional<std::string> status, heading, counter, countdown, windowTitle;
    std::optional<int> progress;
    bool repaintList = false;
    // The work's list was cleared; rows then holds its first rows.
    bool listCleared = false;
    std::vector<std::string> rows; // rows added since the last delivery, in the order added
    // The run's rows are no longer sent: the display waits for the finished list.
    bool rowsHeld = false;
};

// The window's side: applies deliveries and answers the questions that only
// the window can (on its own thread).
class WorkerHost
{
public:
    virtual ~WorkerHost() = default;
    virtual void applyFlush(WorkerFlush& flush) = 0;
    // FrmSaveAsBox, unless the setting says not to; done when it closed.
    virtual void saveAsNotice(std::function<void()> done) = 0;
    // Opens a file in its desktop application.
    virtual Status openInDesktop(const std::string& path) = 0;
};

// Rows copied to the window while a run adds them with updating on; beyond
// this the window waits for the finished list.
inline constexpr std::size_t kLiveRowsLimit = 5000;

// What work on the worker thread may use. Valid during the work only.
struct WorkerSide {
    MainWindowSurface& surface;
    MessageBoxes& boxes;
    Shell& shell;
    SaveAsDialogs& saveAs;
    DatabaseToolDialogs& files;
    Yielder& yielder;
};

class WindowWorker final : public QObject
{
    Q_OBJECT
public:
    WindowWorker(QWidget* window, WorkerHost& host, Prompts& prompts);
    ~WindowWorker() override;

    bool busy() const { return m_thread.joinable(); }
    // The surface the work sees, for helpers the window keeps across runs (the
    // dictionary check); used on the worker only.
    MainWindowSurface& workerSurface();

    // Before start(): the run's own copy of the options, which postOptions()
    // updates at the worker's yields; the list whose rows to show live; the
    // countdown tick (called on the worker every 5 s while the run has its
    // timer on). All three are forgotten when the work ends.
    void useOptions(OptionState* runCopy) { m_runOptions = runCopy; }
    void watchList(ResultList* list) { m_list = list; }
    void setCountdownTick(std::function<void()> tick) { m_tick = std::move(tick); }

    // Runs work on a new thread; done runs on the window's thread after the
    // thread ended and the work's last readouts were applied.
    void start(std::function<void(WorkerSide&)> work, std::function<void()> done);

    // The window changed options while work goes.
    void postOptions(const OptionState& state);

    // The window is closing: questions, those on the screen too, are answered
    // at once with leastAnswer() (a stop prompt with OK), file dialogs as
    // cancelled.
    void answerForClosing();
    // A question of the worker is on the screen.
    bool asking() const { return m_asking > 0; }
    // The window's minimized state, which a multi-file run reads.
    void setMinimized(bool on) { m_minimized.store(on, std::memory_order_relaxed); }
    // Rows in the watched list at the work's last delivery.
    std::size_t rowsMade() const { return m_rowsMade.load(std::memory_order_relaxed); }

signals:
    void finished();

private:
    class Surface;
    class Boxes;
    class Dialogs;
    class DesktopShell;

    // Runs fn on the window's thread.
    void post(std::function<void()> fn);
    // Blocks the worker until the window answered (start calls reply once).
    template <class T> T ask(std::function<void(std::function<void(T)>)> start, T closingAnswer);
    void end();
    void takeOptions();

    QWidget* m_window;
    WorkerHost& m_host;
    Prompts& m_prompts;

    std::unique_ptr<Surface> m_surface;
    std::unique_ptr<Boxes> m_boxes;
    std::unique_ptr<Dialogs> m_dialogs;
    std::unique_ptr<DesktopShell> m_shell;

    std::thread m_thread;
    std::function<void()> m_done;
    std::atomic<bool> m_closing{false};
    std::atomic<bool> m_minimized{false};
    std::atomic<std::size_t> m_rowsMade{0};
    int m_asking = 0; // window's thread only
    // Answer the questions on the screen with their closing answer (window's thread).
    std::vector<std::function<void()>> m_closers;

    OptionState* m_runOptions = nullptr;
    ResultList* m_list = nullptr;
    std::function<void()> m_tick;

    std::mutex m_optionsMutex;
    std::atomic<bool> m_optionsPosted{false};
    OptionState m_postedOptions;
};

} // namespace quorlix::ui
