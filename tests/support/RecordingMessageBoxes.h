#pragma once
// MessageBoxes for tests: records every box (text, title, icon, buttons) and
// answers from a script. With the script used up, a box gets its first button
// (Ok, or Yes). Each box is also logged as "message:" + text into the call log
// it shares with RecordingSurface, so tests see it among the window calls.

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "output/RunSurface.h"
#include "support/RecordingSurface.h"

namespace quorlix::testing {

class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        std::string text;
        std::string title;
        Icon icon;
        Buttons buttons;
    };

    explicit RecordingMessageBoxes(CallLog* log = nullptr) : m_log(log) {}

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    // Run when a box is shown, before it answers (a box is modal: the user may
    // act on other windows meanwhile).
    std::function<void(const Shown&)> onShow;

    using MessageBoxes::show;
    Answer show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) override
    {
        shown.push_back({std::string(text), std::string(title), icon, buttons});
        if (m_log)
            m_log->push_back("message:" + std::string(text));
        if (onShow)
            onShow(shown.back());
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto& s : shown)
            out.push_back(s.text);
        return out;
    }

private:
    CallLog* m_log;
};

} // namespace quorlix::testing
