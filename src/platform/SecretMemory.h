#pragma once
// Passwords in memory. A batch holds up to ten million fresh passwords at
// once (and the duplication check a second copy), far more secrets than a
// password manager ever has open. Their storage is kept out of core files
// and out of forked children, and zeroed before it is unmapped or reused.

#include <cstddef>
#include <string>

namespace quorlix
{

// Called first thing by both programs, before anything secret exists: the
// process leaves no core file, and no other process of the same user may
// read its memory (ptrace, /proc/PID/mem, /proc/PID/environ).
void protectProcess();

// Marks a page-aligned mapping: left out of core dumps, and zero-filled in a
// child process created by fork. Failures are ignored (older kernels).
void adviseSecret(void* pages, std::size_t bytes);

// Zeroes bytes in a way the compiler may not leave out.
void wipeSecret(void* data, std::size_t bytes);

// Zeroes a string's whole buffer when the scope ends (the drafts of passwords
// a generator builds).
class WipedOnExit
{
public:
    explicit WipedOnExit(std::string& text) : m_text(text) {}
    ~WipedOnExit() { wipeSecret(m_text.data(), m_text.capacity()); }
    WipedOnExit(const WipedOnExit&) = delete;
    WipedOnExit& operator=(const WipedOnExit&) = delete;

private:
    std::string& m_text;
};

// The same for bytes that never move (an array on the stack).
class WipedBytesOnExit
{
public:
    WipedBytesOnExit(void* data, std::size_t size) : m_data(data), m_size(size) {}
    ~WipedBytesOnExit() { wipeSecret(m_data, m_size); }
    WipedBytesOnExit(const WipedBytesOnExit&) = delete;
    WipedBytesOnExit& operator=(const WipedBytesOnExit&) = delete;

private:
    void* m_data;
    std::size_t m_size;
};

// Test seam: called with each secret mapping after its wipe, just before it
// is unmapped, so a test can read it while it still belongs to the process.
using ReleaseObserver = void (*)(const void* data, std::size_t bytes);
void setReleaseObserverForTesting(ReleaseObserver observer);
void notifyRelease(const void* data, std::size_t bytes);

} // namespace quorlix
