#pragma once
// Recorders for the run interfaces, keeping every call in order as text, and
// small helpers shared by the words tests.

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/RunSurface.h"
#include "words/WordTables.h"

namespace quorlix::test {

class CallLog {
public:
    void add(std::string entry) { calls.push_back(std::move(entry)); }
    // Entries that start with prefix, in order.
    std::vector<std::string> starting(std::string_view prefix) const
    {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0)
                out.push_back(c);
        return out;
    }
    std::vector<std::string> calls;
};

class RecordingSurface : public MainWindowSurface {
public:
    explicit RecordingSurface(CallLog& log) : m_log(log) {}
    void setStatus(std::string_view t) override { m_log.add("status:" + std::string(t)); }
    void setHeading(std::string_view t) override { m_log.add("heading:" + std::string(t)); }
    void setCounter(std::string_view t) override { m_log.add("counter:" + std::string(t)); }
    void setCountdown(std::string_view t) override { m_log.add("countdown:" + std::string(t)); }
    void showCountdown() override { m_log.add("showCountdown"); }
    void setCountdownTimerEnabled(bool on) override { m_log.add(on ? "timer:on" : "timer:off"); }
    void setProgress(int percent) override { m_log.add("progress:" + std::to_string(percent)); }
    void setExecuteEnabled(bool on) override { m_log.add(on ? "execute:on" : "execute:off"); }
    void setStopEnabled(bool on) override { m_log.add(on ? "stop:on" : "stop:off"); }
    void enableOff() override { m_log.add("enableOff"); }
    void enableOn() override { m_log.add("enableOn"); }
    void repaintList() override { m_log.add("repaintList"); }
    void selectFirstRow() override { m_log.add("selectFirstRow"); }
    void setMethodOptionsEnabled(bool on) override { m_log.add(on ? "methods:on" : "methods:off"); }
    bool isMinimized() const override { return minimized; }
    void setWindowTitle(std::string_view t) override { m_log.add("title:" + std::string(t)); }
    void processEvents() override
    {
        ++events;
        if (onEvents)
            onEvents(events);
    }

    bool minimized = false;
    long events = 0;
    std::function<void(long)> onEvents;

private:
    CallLog& m_log;
};

// Answers from a script (Ok when it runs out); records every box.
class RecordingBoxes : public MessageBoxes {
public:
    using MessageBoxes::show;
    explicit RecordingBoxes(CallLog& log) : m_log(log) {}
    Answer show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) override
    {
        shown.push_back({std::string(text), std::string(title), icon, buttons});
        m_log.add("box:" + std::string(text));
        if (answers.empty())
            return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    struct Box {
        std::string text;
        std::string title;
        Icon icon;
        Buttons buttons;
    };
    std::vector<Box> shown;
    std::deque<Answer> answers;

private:
    CallLog& m_log;
};

// Tables from "letter:word word ..." lines.
inline WordTables makeTables(const std::vector<std::pair<char, std::vector<std::string>>>& rows)
{
    WordTables t;
    for (const auto& [letter, words] : rows)
        for (const auto& w : words)
            t.table(letter).push_back(w);
    return t;
}

} // namespace quorlix::test
