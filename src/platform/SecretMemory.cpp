#include "platform/SecretMemory.h"

#include <sodium.h>
#include <sys/mman.h>
#include <sys/prctl.h>

#include <atomic>

namespace quorlix
{

namespace
{
std::atomic<ReleaseObserver> g_observer{nullptr};
} // namespace

void protectProcess()
{
    // Not dumpable: the kernel writes no core file for this process, and
    // /proc/PID/mem, /proc/PID/environ and ptrace are closed to other
    // processes of the same user (its /proc files belong to root).
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

void adviseSecret(void* pages, std::size_t bytes)
{
    if (!pages || bytes == 0)
        return;
#ifdef MADV_DONTDUMP
    ::madvise(pages, bytes, MADV_DONTDUMP);
#endif
#ifdef MADV_WIPEONFORK
    ::madvise(pages, bytes, MADV_WIPEONFORK);
#endif
}

void wipeSecret(void* data, std::size_t bytes)
{
    if (data && bytes > 0)
        sodium_memzero(data, bytes);
}

void setReleaseObserverForTesting(ReleaseObserver observer)
{
    g_observer.store(observer);
}

void notifyRelease(const void* data, std::size_t bytes)
{
    if (ReleaseObserver observer = g_observer.load(std::memory_order_relaxed))
        observer(data, bytes);
}

} // namespace quorlix
