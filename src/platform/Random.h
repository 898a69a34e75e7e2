#pragma once
// The process-wide uniform source r, 0 <= r < 1, that every draw of a run uses.
//
// Draws happen tens of times per password and hundreds of millions of times in a
// 10-million run, so next() is an inline read from a block of ready values; only
// refilling is virtual. Passwords come from SecureRandom (libsodium); tests use a
// scripted source that refills from a list of values.

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
        return m_values[m_pos++];
    }

    // Int(width * r + lowest): the integer form every draw of the program uses.
    int draw(double width, double lowest) { return integerPart(width * next() + lowest); }

    // The same values as next() and draw(), for hot loops: the cursor keeps
    // its place in locals the compiler can hold in registers, where calls
    // through the source would be reloaded after every store. While a cursor
    // is open nothing else may take values from the source, unless the cursor
    // is store()d first and load()ed after; it stores its place when it goes.
    class Cursor
    {
    public:
        explicit Cursor(RandomSource& source) : m_source(source) { load(); }
        ~Cursor() { store(); }
        Cursor(const Cursor&) = delete;
        Cursor& operator=(const Cursor&) = delete;

        double next()
        {
            if (m_at == m_end) [[unlikely]]
                refill();
            return *m_at++;
        }
        int draw(double width, double lowest) { return integerPart(width * next() + lowest); }
        // The same for width >= 0 and lowest >= 0, where the floor is the truncation.
        int drawUpward(double width, double lowest) { return static_cast<int>(width * next() + lowest); }

        void store() { m_source.m_pos = static_cast<std::size_t>(m_at - m_source.m_values); }
        void load()
        {
            m_at = m_source.m_values + m_source.m_pos;
            m_end = m_source.m_values + m_source.m_size;
        }

    private:
        void refill()
        {
            m_source.m_pos = m_source.m_size;
            m_source.refill();
            load();
        }

        RandomSource& m_source;
        const double* m_at = nullptr;
        const double* m_end = nullptr;
    };

protected:
    // Must call setValues() with at least one value.
    virtual void refill() = 0;
    // The values next() hands out from now on; they must stay valid until the next refill().
    void setValues(const double* values, std::size_t size)
    {
        m_values = values;
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

    const double* m_values = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
};

// Fills out[0..count) with the values of the ChaCha20 keystream of key and
// nonce from its start: each 8 bytes (little-endian) give one value, their top
// 53 bits over 2^53. count must be a multiple of 512. Made in pieces that
// stay in the first-level cache, with no pass that clears the output first.
void keystreamValues(const unsigned char (&key)[32], std::uint64_t nonce, double* out, std::size_t count);

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

    static constexpr std::size_t kBlockValues = 32768;

protected:
    void refill() override;

private:
    struct Block {
        std::array<double, kBlockValues> values;
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
