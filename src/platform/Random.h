#pragma once
// The process-wide uniform source r, 0 <= r < 1, that every draw of a run uses.
//
// Draws happen tens of times per password and hundreds of millions of times in a
// 10-million run, so next() is an inline read from a buffer of ready values; only
// refilling is virtual. Passwords come from SecureRandom (libsodium); tests use a
// scripted source that refills from a list of values.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorlix {

class RandomSource {
public:
    virtual ~RandomSource() = default;

    // Uniform in [0, 1) with 53-bit resolution.
    double next()
    {
        if (m_pos == m_buffer.size())
            refill();
        return m_buffer[m_pos++];
    }

    // Int(width * r + lowest): the integer form every draw of the program uses.
    int draw(double width, double lowest) { return static_cast<int>(std::floor(width * next() + lowest)); }

protected:
    // Replace the buffer's contents with fresh values (at least one) and rewind.
    virtual void refill() = 0;
    std::vector<double> m_buffer;
    std::size_t m_pos = 0;
};

// ChaCha20 keystream (libsodium) keyed once from the operating system's entropy.
class SecureRandom final : public RandomSource {
public:
    SecureRandom();
    ~SecureRandom() override;
    SecureRandom(const SecureRandom&) = delete;
    SecureRandom& operator=(const SecureRandom&) = delete;

protected:
    void refill() override;

private:
    unsigned char m_key[32];
    std::uint64_t m_nonce = 0;
};

// Plays back a fixed list of values, then starts over; for tests and for
// reproducing a reported draw sequence.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<double> values) : m_values(std::move(values)) {}
    std::size_t drawsTaken() const { return m_taken + m_pos; }

protected:
    void refill() override
    {
        m_taken += m_buffer.size();
        m_buffer = m_values;
        m_pos = 0;
    }

private:
    std::vector<double> m_values;
    std::size_t m_taken = 0;
};

} // namespace quorlix
