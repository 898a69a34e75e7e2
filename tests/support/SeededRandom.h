#pragma once
// The random source of the tests that draw many random cases: every run can
// be repeated. The values come from libsodium's deterministic stream keyed by
// a 64-bit seed: QUORLIX_TEST_SEED when set, else a fresh one. The seed is
// printed in the test's output when the first value is drawn, so a failing
// run can be run again as it was.
#include <gtest/gtest.h>

#include <sodium.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

#include "platform/Random.h"

namespace quorlix::testing
{

class SeededRandom final : public RandomSource
{
public:
    SeededRandom() : m_seed(chosenSeed()), m_chosen(true) {}
    // A seed of the test's own: the same draws on every run.
    explicit SeededRandom(std::uint64_t seed) : m_seed(seed) {}
    std::uint64_t seed() const { return m_seed; }

protected:
    void refill() override
    {
        if (m_block == 0) {
            std::cout << "random values from seed " << m_seed;
            if (m_chosen)
                std::cout << " (QUORLIX_TEST_SEED=" << m_seed << " draws them again)";
            std::cout << std::endl;
            ::testing::Test::RecordProperty("seed", std::to_string(m_seed));
        }
        // Block n of the stream: the seed and n as the key of its own stream.
        std::array<unsigned char, randombytes_SEEDBYTES> key{};
        std::memcpy(key.data(), &m_seed, sizeof m_seed);
        std::memcpy(key.data() + sizeof m_seed, &m_block, sizeof m_block);
        ++m_block;
        std::array<std::uint64_t, kValues> bits{};
        ::randombytes_buf_deterministic(bits.data(), sizeof bits, key.data());
        for (std::size_t i = 0; i < kValues; ++i)
            m_values[i] = static_cast<double>(bits[i] >> 11) / 9007199254740992.0; // 53 bits in [0, 1)
        setValues(m_values.data(), m_values.size());
    }

private:
    static constexpr std::size_t kValues = 8192;

    static std::uint64_t chosenSeed()
    {
        if (const char* given = std::getenv("QUORLIX_TEST_SEED"); given && *given)
            return std::strtoull(given, nullptr, 10);
        if (::sodium_init() < 0)
            throw std::runtime_error("libsodium could not be started");
        std::uint64_t fresh = 0;
        ::randombytes_buf(&fresh, sizeof fresh);
        return fresh;
    }

    std::uint64_t m_seed;
    bool m_chosen = false;
    std::uint64_t m_block = 0;
    std::array<double, kValues> m_values{};
};

} // namespace quorlix::testing
