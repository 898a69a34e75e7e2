#pragma once
// The main window's surfaces for a terminal: prompts get the answers a person
// scripting a batch wants, messages go to standard error, and a progress bar
// is drawn on standard error when it is a terminal.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/RunState.h"
#include "output/RunSurface.h"
#include "output/SaveAs.h"

namespace quorlix::cli
{

class TerminalUi : public MainWindowSurface, public MessageBoxes
{
public:
    // total is read for the progress bar; it may change before the run starts.
    TerminalUi(RunState& state, const std::int32_t& total, bool progressBar);

    // -q: notices that let the run go on are kept off standard error.
    void setQuiet(bool quiet) { m_quiet = quiet; }

    // Called every kCountdownIntervalMs while the run has its timer enabled.
    void setCountdownTick(std::function<void()> tick) { m_tick = std::move(tick); }

    using MessageBoxes::show;
    Answer show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) override;

    void setStatus(std::string_view text) override { m_status = text; }
    void setHeading(std::string_view) override {}
    void setCounter(std::string_view) override {}
    void setCountdown(std::string_view text) override { m_countdown = text; }
    void showCountdown() override {}
    void setCountdownTimerEnabled(bool on) override;
    void setProgress(int percent) override;
    void setExecuteEnabled(bool) override {}
    void setStopEnabled(bool) override {}
    void enableOff() override { m_wentBusy = true; }
    void enableOn() override { m_timerOn = false; }
    void repaintList() override {}
    void selectFirstRow() override {}
    void setMethodOptionsEnabled(bool) override {}
    bool isMinimized() const override { return false; }
    void setWindowTitle(std::string_view) override {}
    void processEvents() override;

    // Erases the progress bar so following output starts on a clean line.
    void finishProgress();

    // Whether the window went into its busy state (a run or a save started):
    // a message shown without it was a refusal.
    bool wentBusy() const { return m_wentBusy; }
    void resetBusy() { m_wentBusy = false; }
    // While a list is saved the bar shows the save's progress.
    void showSaving(bool on) { m_saving = on; }
    // Every message box text shown, in order.
    const std::vector<std::string>& messages() const { return m_messages; }
    const std::string& status() const { return m_status; }

private:
    void draw(bool force);
    // Writes line over the one before, cut to width (the terminal's, less one).
    void putLine(std::string line, std::size_t width);

    RunState& m_state;
    const std::int32_t& m_total;
    bool m_progressBar;
    bool m_quiet = false;
    std::function<void()> m_tick;
    bool m_timerOn = false;
    bool m_wentBusy = false;
    bool m_drawn = false;
    bool m_saving = false;
    std::size_t m_lineWidth = 0; // of the widest progress line drawn
    int m_percent = 0;
    std::string m_status;
    std::string m_countdown;
    std::vector<std::string> m_messages;
    std::chrono::steady_clock::time_point m_nextTick;
    std::chrono::steady_clock::time_point m_nextDraw;
};

// Nothing is opened in a viewer from a terminal: every viewing question is answered No.
class NoShell : public Shell
{
public:
    Status openFile(const std::string&) override { return Status::ok(); }
};

} // namespace quorlix::cli
