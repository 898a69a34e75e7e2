#include "engine/DuplicateSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_set>
#include <vector>

#include "platform/Random.h"
#include "platform/ResultList.h"
#include "support/SeededRandom.h"

namespace quorlix {
namespace {

// Byte-equal only: case, separators, length and embedded NULs all count.
TEST(DuplicateSetTest, SecondIsDuplicateOnlyWhenByteEqual)
{
    const std::vector<std::tuple<std::string, std::string, bool>> rows{
        {"Ab3xY", "Ab3xY", true},
        {"abcdef", "abcdeF", false},
        {"ab cd", "ab-cd", false},
        {"", "", true},
        {"0123456789abcdefX", "01234567Z9abcdefX", false},
        {std::string(300, 'q'), std::string(299, 'q') + "r", false},
        {std::string(255, 'z'), std::string(256, 'z'), false},
        {std::string("a\0b", 3), std::string("a\0c", 3), false}};
    for (const auto& [first, second, equal] : rows) {
        DuplicateSet set;
        EXPECT_TRUE(set.insert(first));
        EXPECT_EQ(set.insert(second), !equal) << second;
        EXPECT_TRUE(set.contains(first) && set.contains(second));
    }
}

// Enough insertions to grow the table many times, with many repeats, entries
// beyond 255 bytes among them; then clear and reuse.
TEST(DuplicateSetTest, AgreesWithReferenceSetAcrossGrowth)
{
    testing::SeededRandom random;
    DuplicateSet set;
    std::unordered_set<std::string> reference;
    for (int i = 0; i < 200'000; ++i) {
        std::string pw(static_cast<std::size_t>(1 + random.draw(4, 0)), ' ');
        for (char& c : pw)
            c = static_cast<char>(random.draw(62, 48));
        if (i % 7 == 0)
            pw += std::string(260, '-');
        ASSERT_EQ(set.insert(pw), reference.insert(pw).second) << pw;
    }
    EXPECT_EQ(set.size(), reference.size());
    for (const auto& pw : reference)
        ASSERT_TRUE(set.contains(pw));
    EXPECT_FALSE(set.contains("not-in-the-set"));
    set.clear();
    EXPECT_EQ(set.size(), 0u);
    EXPECT_FALSE(set.contains(*reference.begin()));
    EXPECT_TRUE(set.insert(*reference.begin()));
    EXPECT_THROW(set.insert(std::string(DuplicateSet::kMaxEntrySize + 1, 'x')), std::length_error);
    EXPECT_TRUE(set.insert(std::string(DuplicateSet::kMaxEntrySize, 'x')));
}

// Over a list, the set keeps row numbers only: the same answers as a plain
// set across growth (a rehash reads the rows again), and no copies.
TEST(DuplicateSetTest, OverAListAnswersFromItsRows)
{
    SecureRandom random;
    ResultList rows;
    DuplicateSet set(rows);
    std::unordered_set<std::string> reference;
    for (int i = 0; i < 100'000; ++i) {
        std::string pw(static_cast<std::size_t>(2 + random.draw(3, 0)), ' ');
        for (char& c : pw)
            c = static_cast<char>(random.draw(26, 97));
        const bool fresh = set.insertRow(pw, DuplicateSet::hashOf(pw), static_cast<std::uint32_t>(rows.count()));
        ASSERT_EQ(fresh, reference.insert(pw).second) << pw;
        if (fresh)
            rows.add(pw);
    }
    EXPECT_EQ(set.size(), rows.count());
    for (std::size_t r = 0; r < rows.count(); r += 101)
        EXPECT_TRUE(set.contains(rows.rowAdded(r)));
    EXPECT_LT(set.memoryUsage(), rows.count() * 16);
    EXPECT_THROW(set.insert("x"), std::logic_error);
}

// Rows entered in bulk (in batches, across growth) name the same repeats as
// a scan: rows equal to an earlier row, of the set or of the batch.
TEST(DuplicateSetTest, RowsEnteredInBulkNameTheRepeats)
{
    SecureRandom random;
    ResultList rows;
    std::vector<std::size_t> expected;
    std::unordered_set<std::string> reference;
    for (std::size_t i = 0; i < 60'000; ++i) {
        std::string pw(static_cast<std::size_t>(1 + random.draw(3, 0)), ' ');
        for (char& c : pw)
            c = static_cast<char>(random.draw(26, 97));
        rows.add(pw);
        if (!reference.insert(pw).second)
            expected.push_back(i);
    }
    ASSERT_GT(expected.size(), 30'000u);
    DuplicateSet set(rows);
    std::vector<std::size_t> got;
    for (std::size_t from = 0; from < rows.count(); from += 7'000) {
        const auto repeats = set.enterRows(from, std::min<std::size_t>(from + 7'000, rows.count()));
        got.insert(got.end(), repeats.begin(), repeats.end());
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(set.size(), reference.size());
    EXPECT_TRUE(set.enterRows(rows.count(), rows.count()).empty());
}

} // namespace
} // namespace quorlix
