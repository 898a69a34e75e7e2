#pragma once
// A MainWindowSurface for tests: records every call in order as one text per
// call ("setStatus:Complete", "enableOn", "setProgress:100"), into its own log
// or a log shared with RecordingMessageBoxes so the order across both shows.
// processEvents is counted, not logged (runs yield per character); a test may
// hook it to press Stop or change options at a chosen yield.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "output/RunSurface.h"

namespace quorlix::testing {

using CallLog = std::vector<std::string>;

class RecordingSurface : public MainWindowSurface {
public:
    explicit RecordingSurface(CallLog* log = nullptr) : m_log(log ? log : &m_ownLog) {}

    CallLog& log() { return *m_log; }
    // Calls whose text starts with prefix, in order ("setStatus:" gives every status).
    std::vector<std::string> callsStartingWith(std::string_view prefix) const
    {
        std::vector<std::string> out;
        for (const auto& c : *m_log)
            if (std::string_view(c).substr(0, prefix.size()) == prefix)
                out.push_back(c);
        return out;
    }
    bool called(std::string_view call) const
    {
        for (const auto& c : *m_log)
            if (c == call)
                return true;
        return false;
    }

    // Hook run at every processEvents (after the count is taken).
    std::function<void()> onProcessEvents;
    std::size_t processEventsCount = 0;
    bool minimized = false;

    // Last values, for quick asserts.
    std::string status, heading, counter, countdown, windowTitle;
    int progress = -1;
    bool executeEnabled = true;
    bool stopEnabled = false;
    bool timerEnabled = false;

    void setStatus(std::string_view text) override
    {
        status = text;
        add("setStatus:", text);
    }
    void setHeading(std::string_view text) override
    {
        heading = text;
        add("setHeading:", text);
    }
    void setCounter(std::string_view text) override
    {
        counter = text;
        if (logCounter)
            add("setCounter:", text);
    }
    void setCountdown(std::string_view text) override
    {
        countdown = text;
        add("setCountdown:", text);
    }
    void showCountdown() override { add("showCountdown", ""); }
    void setCountdownTimerEnabled(bool on) override
    {
        timerEnabled = on;
        add("setCountdownTimerEnabled:", on ? "1" : "0");
    }
    void setProgress(int percent) override
    {
        progress = percent;
        add("setProgress:", std::to_string(percent));
    }
    void setExecuteEnabled(bool on) override
    {
        executeEnabled = on;
        add("setExecuteEnabled:", on ? "1" : "0");
    }
    void setStopEnabled(bool on) override
    {
        stopEnabled = on;
        add("setStopEnabled:", on ? "1" : "0");
    }
    void enableOff() override { add("enableOff", ""); }
    void enableOn() override
    {
        timerEnabled = false;
        add("enableOn", "");
    }
    void repaintList() override
    {
        if (logRepaint)
            add("repaintList", "");
    }
    void selectFirstRow() override { add("selectFirstRow", ""); }
    void setMethodOptionsEnabled(bool on) override { add("setMethodOptionsEnabled:", on ? "1" : "0"); }
    bool isMinimized() const override { return minimized; }
    void setWindowTitle(std::string_view text) override
    {
        windowTitle = text;
        add("setWindowTitle:", text);
    }
    void refreshReadout() override { add("refreshReadout", ""); }
    void processEvents() override
    {
        ++processEventsCount;
        if (onProcessEvents)
            onProcessEvents();
    }

    // The counter and list repaints come once per password; tests of long runs
    // switch their logging off.
    bool logCounter = true;
    bool logRepaint = true;

private:
    void add(std::string_view name, std::string_view value) { m_log->push_back(std::string(name) + std::string(value)); }

    CallLog m_ownLog;
    CallLog* m_log;
};

} // namespace quorlix::testing
