#pragma once
// Drawing one Random Characters password, and the checks on it. Shared by the
// run into the display and the multi-file run.
//
// The drawer is the hot loop of a 10,000,000-password run: it keeps a copy of
// the pool's availability (one byte per code) and the class counts, rebuilt
// only when the event loop has run since the last copy (options change only
// then), draws into a fixed buffer and never allocates per password.

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "engine/DuplicateSet.h"
#include "engine/RunRequest.h"
#include "platform/ResultListBuffer.h"

namespace quorlix
{

// Longest assembled password: 60 characters and a hyphen and a blank after each.
inline constexpr int kMaxAssembledLength = 3 * kMaxLength;
// Draws of a class without an available character tolerated at one position
// of a run into the display before it ends with its error.
inline constexpr int kMaxEmptyClassAttempts = 32000;

// Weight of each class in the class draw: its available characters divided by
// the pool's available count, times 100, rounded half up; 0 for an empty class.
struct ClassWeights {
    std::int16_t number = 0;
    std::int16_t lowercase = 0;
    std::int16_t uppercase = 0;
    std::int16_t special = 0;
    bool operator==(const ClassWeights&) const = default;
};
// Uses pool.availableCount() as last recounted; with a count of 0 every weight is 0.
ClassWeights classWeights(const CharacterPool& pool);

// True when the text holds characters of at least three of the four classes.
// A hyphen counts as a special symbol; a blank counts for no class. The
// strong check gives it the drawn characters only: a separator is the same in
// every password and adds no strength.
bool hasThreeClasses(std::string_view password);

class CharacterDrawer
{
public:
    enum class Mode {
        Single,    // into the display: empty classes count towards the attempt limit
        MultiFile, // yields at every position; empty classes are retried without limit
    };
    enum class Result { Drawn, Stopped, Impossible, Endless };
    // Called when the stop flag is found set while a character is drawn;
    // returns true when the user confirmed the stop.
    using StopPrompt = std::function<bool()>;

    // Reads minimum and maximum length now: the buffers are sized by them.
    CharacterDrawer(const RunRequest& request, RandomSource& random, Yielder& yielder, RunState& state, Mode mode);
    // The last draft is a password: zeroed.
    ~CharacterDrawer();

    void setWeights(const ClassWeights& weights);
    const ClassWeights& weights() const { return m_weights; }
    // Forces a fresh copy of the pool before the next draw (after a modal prompt).
    void poolMayHaveChanged() { m_seenServed = ~m_seenServed; }

    // Draws one candidate: a length, each position (rules first, then the
    // position checks) and the separators. A position where no character of
    // its class can pass the position checks after the one before it starts
    // the candidate again with a new length. Stopped when the prompt
    // confirmed a stop; Impossible when a position's class had no available
    // character more than kMaxEmptyClassAttempts times (single mode only);
    // Endless when the rejections in a row passed the limit. A prompt the
    // user cancels lets the candidate be finished.
    Result draw(const StopPrompt& prompt);

    // Rejections in a row since the last accepted password: the drawer counts
    // its own (positions, dead ends), the run those of its password checks.
    void setRejectionLimit(std::uint64_t limit) { m_rejectionLimit = limit; }
    // Counts one; true when that passes the limit (the run cannot go on).
    bool rejected() { return ++m_rejections > m_rejectionLimit; }
    void accepted() { m_rejections = 0; }

    // The assembled candidate of the last Drawn result; valid until the next
    // draw. kPasswordPadding bytes past its end may be read (copies of a fixed width).
    static constexpr std::size_t kPasswordPadding = 16;
    std::string_view password() const
    {
        return {m_assembledInChars ? m_chars.data() + 1 : m_assembled.data(),
                static_cast<std::size_t>(m_assembledLength)};
    }
    // Its drawn characters alone, without separators.
    std::string_view drawn() const { return {m_chars.data() + 1, static_cast<std::size_t>(m_length)}; }
    int drawnLength() const { return m_length; }

private:
    void refreshPool();
    // Inlined into draw(): they run for every character of every password.
    [[gnu::always_inline]] inline int drawClass(RandomSource::Cursor& random);
    [[gnu::always_inline]] inline char drawCharacter(int cls, RandomSource::Cursor& random);
    // After a position check rejected the character at p: true when no
    // character the position can draw would pass after the one at p - 1.
    bool deadEnd(int p) const;

    const RunRequest& m_request;
    RandomSource& m_random;
    Yielder& m_yielder;
    RunState& m_state;
    const Mode m_mode;
    const int m_min;
    const int m_max;

    ClassWeights m_weights;
    // The class of each outcome 1..s of the class draw, so the draw needs no
    // (unpredictable) comparisons; s is the sum of the weights.
    std::array<std::uint8_t, 4 * 32768 + 1> m_classByDraw{};
    int m_weightSum = 0;
    // The draw of classes 1 to 3: Int(width * r + lowest).
    struct Range {
        std::uint32_t width;
        int lowest;
    };
    static constexpr Range m_ranges[4] = {{0, 0}, {10, 48}, {26, 97}, {26, 65}};
    std::array<bool, 5> m_classByWeight{}; // by CharClass code: the class draw can give it
    std::array<std::uint8_t, 128> m_available{};
    std::array<int, 5> m_classCount{}; // by CharClass code; [0] unused
    std::array<bool, 5> m_usable{};    // by CharClass code: a class with an available character
    std::uint64_t m_seenServed = ~std::uint64_t{0};

    std::uint64_t m_rejections = 0;
    std::uint64_t m_rejectionLimit = ~std::uint64_t{0};

    // The first separator mark (kMaxLength + 1: none), as of the event loop's m_marksSeen-th run.
    int m_firstMark = 0;
    std::uint64_t m_marksSeen = ~std::uint64_t{0};

    int m_length = 0;
    std::array<char, kMaxLength + 1 + kPasswordPadding> m_chars{}; // by position 1..length
    std::array<char, kMaxAssembledLength + 1 + kPasswordPadding> m_assembled{};
    int m_assembledLength = 0;
    bool m_assembledInChars = false; // password() is m_chars[1..length]
};

// The passwords accepted so far in a run (or file), for the duplication check.
// Passwords accepted while the check was off are kept aside and indexed the
// first time the check is switched on, so the check always compares with every
// earlier password of the run, as a scan of them would.
class AcceptedPasswords
{
public:
    void reserve(std::size_t count) { m_set.reserve(count); }
    void clear();
    // Duplication check: true when an equal password was accepted earlier.
    bool contains(std::string_view password) { return contains(password, DuplicateSet::hashOf(password)); }
    bool contains(std::string_view password, std::uint64_t hash);
    // Records an accepted password; checked says whether contains() ran for it.
    void add(std::string_view password, bool checked);
    // contains() and add() in one hash probe; true when it was new (and is now added).
    bool addIfNew(std::string_view password) { return addIfNew(password, DuplicateSet::hashOf(password)); }
    bool addIfNew(std::string_view password, std::uint64_t hash);
    // Starts loading the table memory a later call with this hash will read.
    void prefetch(std::uint64_t hash) const { m_set.prefetch(hash); }

private:
    void indexPending();

    DuplicateSet m_set;
    PodBuffer<char> m_pending; // length byte and bytes per password (zeroed when cleared)
};

} // namespace quorlix
