#include "platform/Random.h"

#include <gtest/gtest.h>

#include <array>

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

} // namespace
} // namespace quorlix
