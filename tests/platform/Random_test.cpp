#include "platform/Random.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <unordered_set>

namespace quorlix {
namespace {

TEST(SecureRandom, StaysInUnitIntervalAndCoversTheRange)
{
    SecureRandom random;
    std::array<int, 10> buckets{};
    for (int i = 0; i < 100000; ++i) {
        const double r = random.next();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        ++buckets[static_cast<std::size_t>(r * 10)];
    }
    for (int b : buckets)
        EXPECT_NEAR(b, 10000, 600); // far beyond 5 sigma of a uniform source
}

TEST(SecureRandom, LongStreamNeverRepeatsABlock)
{
    // Long enough for blocks made ahead on the worker thread, several times
    // round its ring; a block handed out twice would repeat 32,768 values.
    SecureRandom random;
    std::unordered_set<std::uint64_t> seen;
    const std::size_t total = 16 * SecureRandom::kBlockValues;
    for (std::size_t i = 0; i < total; ++i) {
        const double r = random.next();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        std::uint64_t bits;
        std::memcpy(&bits, &r, sizeof bits);
        seen.insert(bits);
    }
    EXPECT_GT(seen.size(), total - 4); // 53-bit values: a chance repeat is very unlikely
}

TEST(SecureRandom, TwoSourcesDiffer)
{
    SecureRandom a, b;
    EXPECT_NE(a.next(), b.next());
}

TEST(ScriptedRandom, PlaysBackAndWraps)
{
    ScriptedRandom random({0.0, 0.5, 0.999});
    EXPECT_EQ(random.draw(10, 48), 48);
    EXPECT_EQ(random.draw(10, 48), 53);
    EXPECT_EQ(random.draw(10, 48), 57);
    EXPECT_EQ(random.draw(26, 97), 97);
    EXPECT_EQ(random.drawsTaken(), 4u);
}

TEST(ScriptedRandom, DrawIsTheFloorOnBothSidesOfZero)
{
    ScriptedRandom random({0.05, 0.55, 0.0});
    EXPECT_EQ(random.draw(10, -5), -5); // -4.5
    EXPECT_EQ(random.draw(10, -5), 0);  // 0.5
    EXPECT_EQ(random.draw(10, -5), -5); // exactly -5
}

} // namespace
} // namespace quorlix
