#include "engine/CandidatePipeline.h"

#include <cstring>
#include <stdexcept>

#include "platform/SecretMemory.h"
#include "platform/Worker.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorlix
{

namespace
{

// Candidates the checker prepares before it decides the first of them: a
// table probe's round trip to memory is covered by the work on the others.
constexpr int kAhead = 8;
// Records the producer lets pile up before it wakes a sleeping checker, and
// ring bytes it waits to see free once full: on one core each wake is a
// switch between the threads.
constexpr std::uint32_t kWakeAfterBytes = 16384;
constexpr std::uint32_t kPrefetchBytes = 512;

void pause()
{
#if defined(__SSE2__)
    _mm_pause();
#endif
}

// Spins briefly (another core may answer within microseconds), then sleeps
// on bell until it changes. done() is checked after the waiter flag is up,
// so a wake cannot be missed.
template <class Done>
void waitFor(std::atomic<bool>& waits, std::atomic<std::uint32_t>& bell, const Done& done)
{
    for (int spin = 0; spin < 64; ++spin) {
        if (done())
            return;
        pause();
    }
    for (;;) {
        const std::uint32_t rung = bell.load();
        waits.store(true);
        if (done()) {
            waits.store(false);
            return;
        }
        bell.wait(rung);
        waits.store(false);
        if (done())
            return;
    }
}

void ring(std::atomic<std::uint32_t>& bell)
{
    bell.fetch_add(1);
    bell.notify_one();
}

} // namespace

CandidatePipeline::CandidatePipeline(CandidateChecker& checker)
    : m_checker(checker), m_ring(new char[kRingBytes + kHeader + kMaxText + kSlack])
{
    m_thread = startWorker([this] { work(); });
}

CandidatePipeline::~CandidatePipeline()
{
    m_quit.store(true);
    ring(m_checkerBell);
    m_thread.join();
    // The ring held passwords.
    wipeSecret(m_ring.get(), kRingBytes + kHeader + kMaxText + kSlack);
}

void CandidatePipeline::rethrow()
{
    std::rethrow_exception(m_failure);
}

void CandidatePipeline::publish(bool wake)
{
    if (m_unpublished > 0) {
        m_written.store(m_pos);
        m_unpublished = 0;
    }
    if (m_checkerWaits.load() && (wake || m_pos - m_rungAt >= kWakeAfterBytes)) {
        m_rungAt = m_pos;
        ring(m_checkerBell);
    }
}

void CandidatePipeline::waitForRead(std::uint32_t until)
{
    // Positions wrap at 2^32; the ring is far smaller, so differences decide.
    const auto done = [&] {
        m_readSeen = m_read.load(std::memory_order_acquire);
        return m_failed.load(std::memory_order_acquire) || static_cast<std::int32_t>(m_readSeen - until) >= 0;
    };
    if (done())
        return;
    m_wantRead.store(until);
    publish(true);
    waitFor(m_producerWaits, m_producerBell, done);
}

void CandidatePipeline::push(std::string_view text, std::uint8_t flags)
{
    char* to = room(text.size());
    std::memcpy(to, text.data(), text.size());
    commit(text.size(), flags);
}

void CandidatePipeline::pushPadded(std::string_view text, std::uint8_t flags)
{
    static_assert(kSlack == 16);
    char* to = room(text.size());
    for (std::size_t at = 0; at < text.size(); at += 16)
        std::memcpy(to + at, text.data() + at, 16);
    commit(text.size(), flags);
}

char* CandidatePipeline::room(std::size_t size)
{
    if (m_failed.load(std::memory_order_relaxed))
        rethrow();
    if (size > kMaxText)
        throw std::length_error("A password is too long to be checked.");
    // The slack may land on ring bytes the checker has yet to read: it must be free too.
    const auto need = static_cast<std::uint32_t>(kHeader + size + kSlack);
    if (m_pos + need - m_readSeen > kRingBytes) {
        // Full: wait until half the ring is free again.
        m_readSeen = m_read.load(std::memory_order_acquire);
        if (m_pos + need - m_readSeen > kRingBytes)
            waitForRead(m_pos + need - kRingBytes / 2);
        if (m_failed.load(std::memory_order_acquire))
            rethrow();
    }
    return m_ring.get() + (m_pos % kRingBytes) + kHeader;
}

void CandidatePipeline::commit(std::size_t size, std::uint8_t flags)
{
    char* record = m_ring.get() + (m_pos % kRingBytes);
    record[0] = static_cast<char>(size & 0xFF);
    record[1] = static_cast<char>(size >> 8);
    record[2] = static_cast<char>(flags);
    m_pos += static_cast<std::uint32_t>(kHeader + size);
    ++m_pushed;
    if (++m_unpublished >= kPublishEvery)
        publish(false);
}

void CandidatePipeline::settle()
{
    publish(true);
    waitForRead(m_pos);
    if (m_failed.load(std::memory_order_acquire))
        rethrow();
}

void CandidatePipeline::work()
{
    Candidate window[kAhead];
    std::uint32_t endOf[kAhead] = {};
    int first = 0;
    int held = 0;
    std::uint32_t parsed = 0; // position after the last record prepared
    std::uint32_t read = 0;   // position after the last record decided
    std::uint64_t decided = 0;
    std::uint64_t accepted = 0;
    std::uint32_t sincePublish = 0;
    bool ended = false;

    const auto publishProgress = [&](bool caughtUp) {
        m_accepted.store(accepted, std::memory_order_relaxed);
        m_decided.store(decided, std::memory_order_relaxed);
        m_read.store(read);
        sincePublish = 0;
        if (m_producerWaits.load() &&
            (caughtUp || static_cast<std::int32_t>(read - m_wantRead.load(std::memory_order_relaxed)) >= 0))
            ring(m_producerBell);
    };

    try {
        for (;;) {
            const std::uint32_t written = m_written.load(std::memory_order_acquire);
            while (held < kAhead && parsed != written) {
                const char* record = m_ring.get() + (parsed % kRingBytes);
                // The producer's core wrote the ring: ask for it ahead.
                __builtin_prefetch(m_ring.get() + ((parsed + kPrefetchBytes) % kRingBytes));
                const std::uint32_t length =
                    static_cast<unsigned char>(record[0]) | static_cast<std::uint32_t>(static_cast<unsigned char>(record[1])) << 8;
                const int at = (first + held) % kAhead;
                window[at] = Candidate{{record + kHeader, length}, static_cast<std::uint8_t>(record[2]), 0};
                if (!ended)
                    m_checker.prepare(window[at]);
                parsed += kHeader + length;
                endOf[at] = parsed;
                ++held;
            }
            if (held > 0) {
                if (!ended) {
                    const CandidateChecker::Verdict v = m_checker.decide(window[first]);
                    if (v == CandidateChecker::Verdict::Accepted) {
                        ++accepted;
                    } else if (v == CandidateChecker::Verdict::End) {
                        ended = true;
                        m_ended.store(true, std::memory_order_release);
                    }
                }
                ++decided;
                read = endOf[first];
                first = (first + 1) % kAhead;
                --held;
                if (++sincePublish >= kPublishEvery)
                    publishProgress(false);
                continue;
            }
            // Caught up with the producer.
            publishProgress(true);
            if (m_quit.load())
                return;
            waitFor(m_checkerWaits, m_checkerBell,
                    [&] { return m_quit.load() || m_written.load(std::memory_order_acquire) != parsed; });
        }
    } catch (...) {
        m_failure = std::current_exception();
        m_failed.store(true);
        ring(m_producerBell);
    }
}

} // namespace quorlix
