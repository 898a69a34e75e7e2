#include "engine/DuplicateSet.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Random.h"

namespace quorlix {
namespace {

struct PairCase {
    const char* name;
    std::string first;
    std::string second;
    bool equal;
};

class DuplicateSetPairs : public ::testing::TestWithParam<PairCase> {};

// The second password is a duplicate exactly when the two are byte-equal.
TEST_P(DuplicateSetPairs, SecondIsDuplicateOnlyWhenByteEqual)
{
    const PairCase& c = GetParam();
    DuplicateSet set;
    EXPECT_TRUE(set.insert(c.first));
    EXPECT_EQ(set.contains(c.second), c.equal);
    EXPECT_EQ(set.insert(c.second), !c.equal);
    EXPECT_EQ(set.size(), c.equal ? 1u : 2u);
    EXPECT_TRUE(set.contains(c.first));
    EXPECT_TRUE(set.contains(c.second));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DuplicateSetPairs,
    ::testing::Values(PairCase{"same", "Ab3xY", "Ab3xY", true}, PairCase{"caseDiffers", "abcdef", "abcdeF", false},
                      PairCase{"hyphenIncluded", "ab-cd", "abcd", false},
                      PairCase{"blankIncluded", "ab cd", "ab-cd", false},
                      PairCase{"prefix", "abc", "abcd", false}, PairCase{"emptyAndOne", "", "a", false},
                      PairCase{"emptyTwice", "", "", true},
                      PairCase{"sixteenBytesLastDiffers", "0123456789abcdef", "0123456789abcdeg", false},
                      PairCase{"seventeenBytesMiddleDiffers", "0123456789abcdefX", "01234567Z9abcdefX", false},
                      PairCase{"longSame", std::string(300, 'q'), std::string(300, 'q'), true},
                      PairCase{"longLastDiffers", std::string(300, 'q'), std::string(299, 'q') + "r", false},
                      PairCase{"longerByOne", std::string(255, 'z'), std::string(256, 'z'), false},
                      PairCase{"embeddedNul", std::string("a\0b", 3), std::string("a\0c", 3), false}),
    [](const ::testing::TestParamInfo<PairCase>& row) { return std::string(row.param.name); });

std::string randomPassword(RandomSource& random, int length)
{
    std::string s;
    for (int i = 0; i < length; ++i)
        s.push_back(static_cast<char>(random.draw(62, 0) + 48));
    return s;
}

// Agrees with a reference set over enough insertions to grow the table many
// times, with many repeats (short strings over a small alphabet).
TEST(DuplicateSetTest, AgreesWithReferenceSetAcrossGrowth)
{
    SecureRandom random;
    DuplicateSet set;
    std::unordered_set<std::string> reference;
    for (int i = 0; i < 200'000; ++i) {
        const std::string pw = randomPassword(random, 1 + random.draw(4, 0)) + (i % 7 == 0 ? std::string(260, '-') : "");
        EXPECT_EQ(set.insert(pw), reference.insert(pw).second) << pw;
    }
    EXPECT_EQ(set.size(), reference.size());
    for (const auto& pw : reference)
        ASSERT_TRUE(set.contains(pw));
    EXPECT_FALSE(set.contains("not-in-the-set"));
}

TEST(DuplicateSetTest, ClearForgetsEverythingAndIsReusable)
{
    DuplicateSet set;
    set.reserve(1000);
    for (int i = 0; i < 5000; ++i)
        set.insert(std::to_string(i));
    set.clear();
    EXPECT_EQ(set.size(), 0u);
    EXPECT_FALSE(set.contains("17"));
    EXPECT_TRUE(set.insert("17"));
    EXPECT_FALSE(set.insert("17"));
}

TEST(DuplicateSetTest, RefusesEntriesLongerThanItsLimit)
{
    DuplicateSet set;
    EXPECT_THROW(set.insert(std::string(DuplicateSet::kMaxEntrySize + 1, 'x')), std::length_error);
    EXPECT_TRUE(set.insert(std::string(DuplicateSet::kMaxEntrySize, 'x')));
}

// A million 10-character passwords stay within the per-entry budget that lets
// 10,000,000 fit under 200 MB (arena chunks round the figure up a little).
TEST(DuplicateSetTest, MemoryPerEntryStaysSmall)
{
    SecureRandom random;
    DuplicateSet set;
    set.reserve(1'000'000);
    for (int i = 0; i < 1'000'000; ++i)
        set.insert(randomPassword(random, 10));
    EXPECT_LT(set.memoryUsage(), 19'500'000u);
}

} // namespace
} // namespace quorlix
