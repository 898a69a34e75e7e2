#pragma once
// The password checks of a long run on a second core. The run's thread draws
// candidates and pushes them, in the order drawn, into a ring; a checker
// thread takes them in that order, prepares a few ahead (hashing, loading
// the table memory a check will read) and decides each. What the verdicts
// touch (the duplication set, the result list) belongs to the checker while
// candidates are in flight, and to the run's thread again after settle().
//
// The draws never depend on a verdict (a rejected candidate is simply
// followed by the next one from the same stream), so the passwords made, and
// their order, are those a run on one thread makes from the same draws.

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string_view>
#include <thread>

namespace quorlix
{

struct Candidate {
    std::string_view text;
    std::uint8_t flags = 0; // the run's own meaning (which checks were on when it was drawn)
    std::uint64_t hash = 0; // set by prepare() when wanted
};

class CandidateChecker
{
public:
    enum class Verdict { Accepted, Rejected, End };
    virtual ~CandidateChecker() = default;
    // Called a few candidates ahead of decide(), on the same thread.
    virtual void prepare(Candidate& candidate) = 0;
    // End: the run cannot go on; later candidates are dropped undecided.
    virtual Verdict decide(const Candidate& candidate) = 0;
};

class CandidatePipeline
{
public:
    // Longest candidate (the duplication check's limit too); push() throws
    // std::length_error for a longer one.
    static constexpr std::size_t kMaxText = 65535;

    // Starts the checker thread; throws std::system_error when there is none to be had.
    explicit CandidatePipeline(CandidateChecker& checker);
    // Ends the checker thread; candidates not yet decided are dropped.
    ~CandidatePipeline();
    CandidatePipeline(const CandidatePipeline&) = delete;
    CandidatePipeline& operator=(const CandidatePipeline&) = delete;

    // Run's thread. Waits while the ring is full. Rethrows what a verdict threw.
    void push(std::string_view text, std::uint8_t flags);
    // push() for a candidate put together in place: room() gives space for
    // size bytes and kSlack more that may be written past them (copies of a
    // fixed width); commit() pushes the size bytes written there. Nothing
    // else may be pushed in between.
    static constexpr std::size_t kSlack = 16;
    char* room(std::size_t size);
    void commit(std::size_t size, std::uint8_t flags);
    // push() of text that has kSlack readable bytes past its end: copied in
    // pieces of 16 bytes, no copy of variable length.
    void pushPadded(std::string_view text, std::uint8_t flags);
    // Waits until every candidate pushed is decided; the checker's state is
    // then the caller's until the next push(). Rethrows what a verdict threw.
    void settle();

    std::uint64_t pushed() const { return m_pushed; }
    // Candidates decided and accepted so far (exact after settle()).
    std::uint64_t decided() const { return m_decided.load(std::memory_order_acquire); }
    std::uint64_t accepted() const { return m_accepted.load(std::memory_order_acquire); }
    // A verdict was End.
    bool ended() const { return m_ended.load(std::memory_order_acquire); }
    // The candidates pushed could make total accepted ones if every verdict
    // still out were Accepted: beyond that, pushing more only adds to discard.
    bool couldReach(std::uint64_t total) const
    {
        return m_pushed >= total && accepted() + (m_pushed - decided()) >= total;
    }

private:
    // Half the ring must take the longest record and its slack.
    static constexpr std::uint32_t kRingBytes = 1u << 18;
    static_assert(kRingBytes / 2 >= 3 + kMaxText + kSlack);
    static constexpr std::uint32_t kHeader = 3; // length (2 bytes), flags
    static constexpr std::uint32_t kPublishEvery = 32;

    // Makes the records pushed visible to the checker; wakes it when it
    // sleeps and enough waits (or when asked).
    void publish(bool wake);
    // The producer sleeps until the checker has read up to at least until
    // (or failed).
    void waitForRead(std::uint32_t until);
    void work();
    void rethrow();

    CandidateChecker& m_checker;
    // The ring, with room past its end for the record that starts last in it
    // and its slack.
    std::unique_ptr<char[]> m_ring;

    // Producer side.
    std::uint32_t m_pos = 0; // bytes pushed, modulo 2^32
    std::uint64_t m_pushed = 0;
    std::uint32_t m_unpublished = 0;
    std::uint32_t m_readSeen = 0;

    // Written by the producer, read by the checker.
    alignas(64) std::atomic<std::uint32_t> m_written{0};
    std::atomic<bool> m_quit{false};
    // Written by the checker, read by the producer.
    alignas(64) std::atomic<std::uint32_t> m_read{0};
    std::atomic<std::uint64_t> m_decided{0};
    std::atomic<std::uint64_t> m_accepted{0};
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_failed{false};
    std::exception_ptr m_failure; // set before m_failed
    // Who sleeps, so the other rings its bell only then: the checker for
    // new records, the producer until the checker has read up to m_wantRead.
    alignas(64) std::atomic<bool> m_checkerWaits{false};
    std::atomic<std::uint32_t> m_checkerBell{0};
    std::uint32_t m_rungAt = 0; // producer: m_pos when the checker was last woken
    alignas(64) std::atomic<bool> m_producerWaits{false};
    std::atomic<std::uint32_t> m_wantRead{0};
    std::atomic<std::uint32_t> m_producerBell{0};

    std::thread m_thread; // last: starts when everything above is ready
};

} // namespace quorlix
