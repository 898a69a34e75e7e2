#pragma once
// Time-sliced yielding: generators call it per character (hundreds of millions
// of times), so the common path is one decrement; only every few hundred calls
// is the clock read, and the event loop runs once a slice has passed.

#include <chrono>
#include <cstdint>
#include <functional>

#include "output/RunSurface.h"

namespace quorlix
{

class Yielder
{
public:
    using Clock = std::chrono::steady_clock;

    // slice 0 yields on every call (tests that press Stop at an exact point).
    explicit Yielder(MainWindowSurface& surface, std::chrono::milliseconds slice = std::chrono::milliseconds(25))
        : m_surface(surface), m_slice(slice), m_everyCall(slice.count() == 0), m_last(Clock::now())
    {
    }

    void operator()()
    {
        if (due())
            serveIfTime();
    }

    // operator() in two halves, for loops that must tidy up before the event
    // loop may run: due() is the cheap count and says when to call serveIfTime().
    bool due()
    {
        if (m_everyCall)
            return true;
        if (--m_budget != 0)
            return false;
        m_budget = kCallsBetweenClockReads;
        return true;
    }
    void serveIfTime()
    {
        if (m_everyCall) {
            serve();
            return;
        }
        const auto now = Clock::now();
        if (now - m_last >= m_slice) {
            m_last = now;
            serve();
        }
    }

    // Called each time before the event loop runs: a run that works on other
    // threads settles them there, so what the event loop sees (the list, the
    // counter) is as a run on one thread would leave it. Empty: nothing.
    void setBeforeEvents(std::function<void()> settle) { m_beforeEvents = std::move(settle); }

    // Yield now whatever the slice says (before a modal prompt, at run ends).
    void force()
    {
        serve();
        m_last = Clock::now();
    }

    // How many times the event loop has run through this yielder. Options can
    // change only then, so a generator may keep a copy of them until it moves.
    std::uint64_t servedCount() const { return m_served; }

private:
    void serve()
    {
        ++m_served;
        if (m_beforeEvents)
            m_beforeEvents();
        m_surface.processEvents();
    }

    static constexpr std::uint32_t kCallsBetweenClockReads = 512;
    MainWindowSurface& m_surface;
    std::chrono::milliseconds m_slice;
    bool m_everyCall;
    std::uint32_t m_budget = kCallsBetweenClockReads;
    Clock::time_point m_last;
    std::uint64_t m_served = 0;
    std::function<void()> m_beforeEvents;
};

} // namespace quorlix
