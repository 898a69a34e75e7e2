#pragma once
// The process-wide uniform source r, 0 <= r < 1, that every draw of a run uses.
//
// Draws happen tens of times per password and hundreds of millions of times in a
// 10-million run, so a draw is an inline read from a block of ready random
// words or values; only refilling is virtual. Passwords come from SecureRandom
// (libsodium's ChaCha20 keystream, handed out as 32-bit words); tests use a
// scripted source that refills from a list of values.
//
// r has 53 bits: the top 32 are a word, the low 21 the top of the word after.
// A draw Int(width * r + lowest) of whole numbers reads the second word only
// when it could change the result (about once in 2^32 / width draws), so it
// gives exactly the result of the 53-bit r at half the keystream.

#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace quorlix
{

class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // Uniform in [0, 1) with 53-bit resolution.
    double next()
    {
        if (m_pos == m_size)
            refill();
        if (!m_words)
            return m_values[m_pos++];
        const std::uint32_t high = m_words[m_pos++];
        return joined(high, nextWord());
    }

    // Int(width * r + lowest): the integer form every draw of the program uses.
    int draw(double width, double lowest)
    {
        if (m_pos == m_size)
            refill();
        if (m_words && fitsWhole(width, lowest)) {
            const std::uint32_t high = m_words[m_pos++];
            return wholeFromWords(static_cast<std::uint32_t>(width), static_cast<int>(lowest), high,
                                  [this] { return nextWord(); });
        }
        return integerPart(width * next() + lowest);
    }

    // Whole widths and lowest values below this take the exact shortcut.
    static constexpr std::int64_t kWholeLimit = std::int64_t{1} << 20;

    // The same draws, for hot loops: the cursor keeps its place in locals the
    // compiler can hold in registers, where calls through the source would be
    // reloaded after every store. While a cursor is open nothing else may take
    // values from the source, unless the cursor is store()d first and load()ed
    // after; it stores its place when it goes.
    class Cursor
    {
    public:
        explicit Cursor(RandomSource& source) : m_source(source) { load(); }
        ~Cursor() { store(); }
        Cursor(const Cursor&) = delete;
        Cursor& operator=(const Cursor&) = delete;

        // Int(width * r + lowest) for 1 <= width < kWholeLimit and
        // 0 <= lowest < kWholeLimit.
        [[gnu::always_inline]] int drawWhole(std::uint32_t width, int lowest)
        {
            if (m_at == m_end) [[unlikely]]
                refill();
            if (m_words) [[likely]]
                return wholeFromWords(width, lowest, m_words[m_at++], [this] { return nextWord(); });
            return static_cast<int>(static_cast<double>(width) * m_values[m_at++] + lowest);
        }

        // Any width and lowest, as RandomSource::draw().
        int draw(double width, double lowest)
        {
            if (m_at == m_end) [[unlikely]]
                refill();
            if (m_words && fitsWhole(width, lowest))
                return wholeFromWords(static_cast<std::uint32_t>(width), static_cast<int>(lowest), m_words[m_at++],
                                      [this] { return nextWord(); });
            if (m_words) {
                const std::uint32_t high = m_words[m_at++];
                return integerPart(width * joined(high, nextWord()) + lowest);
            }
            return integerPart(width * m_values[m_at++] + lowest);
        }

        void store() { m_source.m_pos = m_at; }
        void load()
        {
            m_words = m_source.m_words;
            m_values = m_source.m_values;
            m_at = m_source.m_pos;
            m_end = m_source.m_size;
        }

    private:
        // Rare (a draw near a step of its result): kept out of the hot loops.
        [[gnu::noinline]] std::uint32_t nextWord()
        {
            if (m_at == m_end) [[unlikely]]
                refill();
            return m_words[m_at++];
        }
        [[gnu::noinline]] void refill()
        {
            m_source.m_pos = m_source.m_size;
            m_source.refill();
            load();
        }

        RandomSource& m_source;
        const std::uint32_t* m_words = nullptr;
        const double* m_values = nullptr;
        std::size_t m_at = 0;
        std::size_t m_end = 0;
    };

protected:
    // A source hands out either ready values in [0, 1) (setValues) or words
    // of uniform random bits (setWords); refill() must call one of them with
    // at least one item, valid until the next refill().
    virtual void refill() = 0;
    void setValues(const double* values, std::size_t size)
    {
        m_values = values;
        m_words = nullptr;
        m_size = size;
        m_pos = 0;
    }
    void setWords(const std::uint32_t* words, std::size_t size)
    {
        m_words = words;
        m_values = nullptr;
        m_size = size;
        m_pos = 0;
    }
    std::size_t taken() const { return m_pos; }

private:
    static int integerPart(double x)
    {
        // Truncation is the floor for x >= 0, the case of every draw in practice,
        // and costs less than floor() on CPUs without a rounding instruction.
        return static_cast<int>(x >= 0 ? x : std::floor(x));
    }

    // r from its top 32 bits and the word that gives the low 21.
    static double joined(std::uint32_t high, std::uint32_t low)
    {
        return static_cast<double>(high) * 0x1p-32 + static_cast<double>(low >> 11) * 0x1p-53;
    }

    static bool fitsWhole(double width, double lowest)
    {
        return width >= 1 && width < static_cast<double>(kWholeLimit) && lowest > -static_cast<double>(kWholeLimit) &&
               lowest < static_cast<double>(kWholeLimit) &&
               static_cast<double>(static_cast<std::int32_t>(width)) == width &&
               static_cast<double>(static_cast<std::int32_t>(lowest)) == lowest;
    }

    // Int(width * r + lowest) for r of top word high. width * high / 2^32 is
    // k and a fraction f (in 2^-32ths); every r of that top word lies below
    // (high + 1) / 2^32, so while f + width stays below 2^32 the exact value
    // stays at least 2^-32 below k + 1, farther than the rounding of the
    // floating-point form can carry it (these magnitudes keep its error under
    // 2^-33): the result is k + lowest for every low part. Otherwise the low
    // part decides, through the floating-point form itself.
    template <class NextWord>
    [[gnu::always_inline]] static int wholeFromWords(std::uint32_t width, int lowest, std::uint32_t high,
                                                     NextWord nextWord)
    {
        const std::uint64_t product = std::uint64_t{high} * width;
        if (static_cast<std::uint32_t>(product) <= ~std::uint32_t{0} - width) [[likely]]
            return static_cast<int>(product >> 32) + lowest;
        return integerPart(static_cast<double>(width) * joined(high, nextWord()) + lowest);
    }

    std::uint32_t nextWord()
    {
        if (m_pos == m_size)
            refill();
        return m_words[m_pos++];
    }

    const double* m_values = nullptr;
    const std::uint32_t* m_words = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
};

// Fills out[0..count) with the ChaCha20 keystream of key and nonce from its
// start, read as little-endian 32-bit words. count must be a multiple of
// 1024. Made straight into out, a piece at a time, with no pass that clears it.
void keystreamWords(const unsigned char (&key)[32], std::uint64_t nonce, std::uint32_t* out, std::size_t count);

// ChaCha20 keystream (libsodium) keyed once from the operating system's entropy.
//
// The first blocks are made on the caller's thread. A source that keeps asking
// (a long run) starts a worker that makes blocks ahead on another core, so a
// draw stays a buffer read; the values are the same kind either way.
class SecureRandom final : public RandomSource
{
public:
    SecureRandom();
    ~SecureRandom() override;
    SecureRandom(const SecureRandom&) = delete;
    SecureRandom& operator=(const SecureRandom&) = delete;

    static constexpr std::size_t kBlockWords = 65536;

protected:
    void refill() override;

private:
    struct Block {
        std::array<std::uint32_t, kBlockWords> words;
        // Set by the worker when filled, cleared by the reader when read out.
        std::atomic<bool> ready{false};
    };
    static constexpr std::size_t kBlocks = 4;

    void fill(Block& block);
    void work(std::size_t first);

    unsigned char m_key[32];
    std::uint64_t m_nonce = 0; // used by one thread at a time: the caller until the worker starts
    std::size_t m_inlineRefills = 0;
    std::unique_ptr<Block[]> m_blocks = std::make_unique<Block[]>(kBlocks);
    std::size_t m_current = 0; // block being read

    std::atomic<bool> m_quit{false};
    std::thread m_worker;
};

// Bytes straight from libsodium's generator (salts of password hashes).
void secureRandomBytes(void* out, std::size_t size);

// Plays back a fixed list of values, then starts over; for tests and for
// reproducing a reported draw sequence.
class ScriptedRandom final : public RandomSource
{
public:
    explicit ScriptedRandom(std::vector<double> values) : m_values(std::move(values)) {}
    std::size_t drawsTaken() const { return m_taken + taken(); }

protected:
    void refill() override
    {
        m_taken += m_started ? m_values.size() : 0;
        m_started = true;
        setValues(m_values.data(), m_values.size());
    }

private:
    std::vector<double> m_values;
    std::size_t m_taken = 0;
    bool m_started = false;
};

} // namespace quorlix
