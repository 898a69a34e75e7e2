#pragma once

#include <signal.h>

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

} // namespace quorlix
