#include "cli/TerminalUi.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/Hints.h"
#include "cli/Messages.h"
#include "engine/Progress.h"
#include "engine/RunTexts.h"
#include "words/WordRuns.h"

namespace quorlix::cli
{

namespace
{
using Clock = std::chrono::steady_clock;
constexpr auto kDrawEvery = std::chrono::milliseconds(200);

// The terminal's width in columns (80 when it cannot be told).
int terminalWidth()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// Notices after which the run goes on, as opposed to refusals and failures.
bool isNote(std::string_view text)
{
    return text == texts::kOnlyTextSorts || text == texts::kWholeWordDeactivated || text == kMultiFileWordsWarning;
}
} // namespace

TerminalUi::TerminalUi(RunState& state, const std::int32_t& total, bool progressBar)
    : m_state(state), m_total(total), m_progressBar(progressBar)
{
}

Answer TerminalUi::show(std::string_view text, std::string_view, Icon icon, Buttons buttons)
{
    m_messages.emplace_back(text);
    switch (buttons) {
    case Buttons::OkCancel:
        // Only the stop prompt asks this during a run, and only after Ctrl-C.
        return Answer::Ok;
    case Buttons::YesNoCancel:
        // The multi-file question: the user asked for files on the command line.
        return Answer::Yes;
    case Buttons::YesNo:
        // "Do you wish to ... view this file now?" gets No; the spreadsheet-limit
        // question before a CSV save gets Yes (the user named the file).
        return text.starts_with("Do you wish to") ? Answer::No : Answer::Yes;
    case Buttons::Ok:
        break;
    }
    if (icon != Icon::None && !(m_quiet && isNote(text))) {
        finishProgress();
        say(text);
        if (const std::string hint = optionHint(text); !hint.empty())
            say(hint);
    }
    return Answer::Ok;
}

void TerminalUi::setCountdownTimerEnabled(bool on)
{
    m_timerOn = on;
    if (on)
        m_nextTick = Clock::now() + std::chrono::milliseconds(kCountdownIntervalMs);
}

void TerminalUi::processEvents()
{
    const auto now = Clock::now();
    if (m_timerOn && m_tick && now >= m_nextTick) {
        m_nextTick = now + std::chrono::milliseconds(kCountdownIntervalMs);
        m_tick();
    }
    if (m_progressBar && now >= m_nextDraw) {
        m_nextDraw = now + kDrawEvery;
        draw(false);
    }
}

void TerminalUi::setProgress(int percent)
{
    m_percent = percent;
    if (m_saving)
        processEvents();
}

void TerminalUi::draw(bool)
{
    if (m_saving) {
        // The save's progress and what is being saved, cut to the terminal's width.
        constexpr int kBar = 30;
        const int filled = std::clamp(m_percent * kBar / 100, 0, kBar);
        std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                           std::string(static_cast<std::size_t>(kBar - filled), '.') + "] " +
                           std::to_string(m_percent) + "%  " + m_status;
        putLine(std::move(line), static_cast<std::size_t>(std::max(terminalWidth() - 1, 1)));
        return;
    }
    const std::int32_t total = m_total > 0 ? m_total : 1;
    const std::int32_t n = m_state.currentPassword;
    const int percent = static_cast<int>(100.0 * n / total);
    const std::string percentText = std::to_string(percent) + "%";
    const std::string counts = "  " + std::to_string(n) + " of " + std::to_string(m_total);
    const std::string remaining = "  remaining " + (m_countdown.empty() ? std::string("...") : m_countdown);
    // One line, one column short of the width, so the terminal never wraps
    // it onto a second line: what does not fit is left out, the bar first.
    const std::size_t width = static_cast<std::size_t>(std::max(terminalWidth() - 1, 1));
    std::string line;
    const std::string full = " " + percentText + counts + remaining;
    if (full.size() + 12 <= width) {
        const std::size_t barWidth = std::min<std::size_t>(30, width - full.size() - 2);
        const std::size_t filled = std::min(barWidth, barWidth * static_cast<std::size_t>(std::max(percent, 0)) / 100);
        line = "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]" + full;
    } else {
        for (const std::string& candidate : {percentText + counts + remaining, percentText + counts, percentText})
            if (candidate.size() <= width || candidate == percentText) {
                line = candidate;
                break;
            }
    }
    putLine(std::move(line), width);
}

void TerminalUi::putLine(std::string line, std::size_t width)
{
    if (line.size() > width)
        line.resize(width);
    // Blanks over what a longer line before left (not past the width, should the terminal have narrowed).
    line.resize(std::max(line.size(), std::min(m_lineWidth, width)), ' ');
    m_lineWidth = line.size();
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    m_drawn = true;
}

void TerminalUi::finishProgress()
{
    if (m_drawn) {
        std::fprintf(stderr, "\r%s\r", std::string(m_lineWidth, ' ').c_str());
        std::fflush(stderr);
        m_drawn = false;
    }
}

} // namespace quorlix::cli
