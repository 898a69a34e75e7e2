#pragma once

#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <thread>
#include <utility>

namespace quorlix
{

// The signals that end the process and whose handlers remove its marked
// temporary files.
inline constexpr int kTerminatingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Holds the terminating signals back on this thread while it lives; they are
// delivered when it ends.
class TerminatingSignalsHeld
{
public:
    TerminatingSignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : kTerminatingSignals)
            sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, &m_previous);
    }
    ~TerminatingSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    TerminatingSignalsHeld(const TerminatingSignalsHeld&) = delete;
    TerminatingSignalsHeld& operator=(const TerminatingSignalsHeld&) = delete;

private:
    sigset_t m_previous;
};

// A helper thread that never takes the process's terminating signals: they go
// to the thread that installed their handlers, and a step that holds them
// back there (creating and marking a temporary file) cannot be overtaken by a
// handler running on a helper.
template <class Function>
std::thread startWorker(Function&& function)
{
    const TerminatingSignalsHeld held; // the new thread inherits the mask
    return std::thread(std::forward<Function>(function));
}

// The processors this process may run on (taskset, cgroups' cpusets): work
// that only pays with a core of its own stays on one thread when there is one.
inline int processorsAvailable()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) != 0)
        return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::max(1, CPU_COUNT(&set));
}

} // namespace quorlix
