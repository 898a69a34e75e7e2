#include "cli/TerminalUi.h"

#include <cstdio>
#include <string>

#include "cli/Hints.h"
#include "engine/Progress.h"
#include "engine/RunTexts.h"
#include "words/WordRuns.h"

namespace quorlix::cli
{

namespace
{
using Clock = std::chrono::steady_clock;
constexpr auto kDrawEvery = std::chrono::milliseconds(200);

// Message box texts use CR LF; a terminal wants LF.
std::string forTerminal(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
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
        std::fprintf(stderr, "%s\n", forTerminal(text).c_str());
        if (const std::string hint = optionHint(text); !hint.empty())
            std::fprintf(stderr, "%s\n", hint.c_str());
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

void TerminalUi::draw(bool)
{
    const std::int32_t total = m_total > 0 ? m_total : 1;
    const std::int32_t n = m_state.currentPassword;
    const int percent = static_cast<int>(100.0 * n / total);
    constexpr int kWidth = 30;
    const int filled = std::min(kWidth, std::max(0, percent * kWidth / 100));
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%  %d of %d  remaining %s   ", bar.c_str(), percent, n, m_total,
                 m_countdown.empty() ? "..." : m_countdown.c_str());
    std::fflush(stderr);
    m_drawn = true;
}

void TerminalUi::finishProgress()
{
    if (m_drawn) {
        std::fprintf(stderr, "\r%*s\r", 90, "");
        std::fflush(stderr);
        m_drawn = false;
    }
}

} // namespace quorlix::cli
