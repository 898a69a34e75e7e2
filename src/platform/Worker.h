#pragma once

#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <thread>
#include <utility>

namespace quorlix
{

// A helper thread that never takes the process's terminating signals: Ctrl-C,
// TERM, HUP and QUIT go to the thread that installed their handlers, and a
// step that holds them back there (creating and marking a temporary file)
// cannot be overtaken by a handler running on a helper.
template <class Function>
std::thread startWorker(Function&& function)
{
    sigset_t held;
    sigset_t previous;
    sigemptyset(&held);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous);
    struct Restore {
        const sigset_t& mask;
        ~Restore() { ::pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } restore{previous}; // also when the thread cannot be started
    return std::thread(std::forward<Function>(function)); // inherits the mask
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
