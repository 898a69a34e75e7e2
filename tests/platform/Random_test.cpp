#include "platform/Random.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <unordered_set>

namespace quorlix {
namespace {

// Long enough for blocks made ahead on the worker thread to go several times
// round its ring: a block handed out twice would repeat 32,768 values.
TEST(SecureRandom, UniformInTheUnitIntervalAndNoBlockRepeats)
{
    SecureRandom random;
    std::array<int, 10> buckets{};
    std::unordered_set<std::uint64_t> seen;
    const std::size_t total = 16 * SecureRandom::kBlockValues;
    for (std::size_t i = 0; i < total; ++i) {
        const double r = random.next();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        ++buckets[static_cast<std::size_t>(r * 10)];
        std::uint64_t bits;
        std::memcpy(&bits, &r, sizeof bits);
        seen.insert(bits);
    }
    EXPECT_GT(seen.size(), total - 4); // 53-bit values: a chance repeat is very unlikely
    for (int b : buckets)
        EXPECT_NEAR(b, total / 10.0, total / 400.0); // six standard deviations
    SecureRandom other;
    EXPECT_NE(other.next(), SecureRandom().next());
}

// Int(width x r + lowest) is the floor, also below zero; the script wraps round.
TEST(ScriptedRandom, DrawsTheFloorAndWraps)
{
    ScriptedRandom random({0.0, 0.5, 0.999, 0.05});
    const struct {
        int width, lowest, expected;
    } draws[] = {{10, 48, 48}, {10, 48, 53}, {10, 48, 57}, {10, -5, -5}, {10, -5, -5}, {10, -5, 0}, {26, 97, 122}};
    for (const auto& d : draws)
        EXPECT_EQ(random.draw(d.width, d.lowest), d.expected);
    EXPECT_EQ(random.drawsTaken(), 7u);
}

} // namespace
} // namespace quorlix
