#pragma once
// Run state of the main window shared by the generators, the countdown timer
// and the Stop button.

#include <atomic>
#include <cstdint>

namespace quorlix
{

struct RunState {
    // 1 once Stop was pressed (or Ctrl-C in the CLI); lock-free so a signal
    // handler may set it.
    std::atomic<std::int16_t> stopRequested{0};
    std::int32_t currentPassword = 0; // n, the password being generated
    float ticks = 0;                  // countdown timer ticks of this run

    bool stopPending() const { return stopRequested.load(std::memory_order_relaxed) == 1; }
};

} // namespace quorlix
