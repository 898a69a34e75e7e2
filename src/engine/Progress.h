#pragma once
// Run progress: the countdown estimate, its text, and the stop prompts that
// every generator (characters and words, single and multi-file) shows.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "output/RunSurface.h"

namespace quorlix
{

inline constexpr int kCountdownIntervalMs = 5000; // tmrCountDown

// "n of total" (or "n" alone) into a fixed buffer: the counter is set once per
// password, so it must not allocate.
class CounterText
{
public:
    std::string_view of(std::int32_t n, std::int32_t total)
    {
        char* p = std::to_chars(m_buf, m_buf + 12, n).ptr;
        for (const char c : std::string_view(" of "))
            *p++ = c;
        p = std::to_chars(p, p + 12, total).ptr;
        return {m_buf, static_cast<std::size_t>(p - m_buf)};
    }
    std::string_view alone(std::int32_t n)
    {
        char* p = std::to_chars(m_buf, m_buf + 12, n).ptr;
        return {m_buf, static_cast<std::size_t>(p - m_buf)};
    }

private:
    char m_buf[32];
};

// A fraction of a day as hours:minutes:seconds ("0:00:00", "1:02:05",
// "25:01:01"): seconds rounded half to even, hours not reduced to days. The
// format text is accepted for its callers' sake and does not change the
// result. nullopt when the seconds do not fit a signed 32-bit count (or d is
// not a number), so the caller leaves its readout as it was.
std::optional<std::string> FormatInterval(double dayFraction, const char* format = "H:MM:SS");

// n / total * 100 rounded to a whole number, halves up; nullopt when total is 0.
std::optional<int> percentOf(std::int64_t n, std::int64_t total);

// One tick of the countdown: ticks is the counter after this tick's increment,
// n the current password number, total the run's total.
struct CountdownReading {
    // The estimate text; nullopt leaves lblCountDown as it was.
    std::optional<std::string> text;
    // The progress value; nullopt leaves the bar as it was.
    std::optional<int> percent;
};
CountdownReading countdownReading(float ticks, std::int32_t n, std::int32_t total,
                                  int intervalMs = kCountdownIntervalMs);

// Stop prompt of the runs into the display. made is the number of passwords
// reported as produced, requested the run's total. Sets the counter first when
// counterOn. Returns true when the user chose OK (terminate the run).
bool confirmStop(MainWindowSurface& surface, MessageBoxes& boxes, bool counterOn, std::int32_t made,
                 std::int32_t requested);

// Stop prompt of the multi-file runs: filesDone of totalFiles files, then the
// current file's passwords made of requested. counterText is what the counter
// shows before the prompt (the current number) when counterOn.
bool confirmMultiFileStop(MainWindowSurface& surface, MessageBoxes& boxes, bool counterOn, std::int32_t filesDone,
                          std::int32_t totalFiles, std::int32_t made, std::int32_t requested);

} // namespace quorlix
