#include "platform/ResultList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/ResultListOrder.h"
#include "platform/SecretMemory.h"

namespace quorlix {
namespace {

std::vector<std::string> shown(const ResultList& list)
{
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < list.count(); ++i)
        rows.emplace_back(list.row(i));
    return rows;
}

using Rows = std::vector<std::string>;

std::string allPrintable()
{
    std::string s;
    for (char c = 33; c <= 126; ++c)
        s += c;
    return s;
}

struct PlacementCase {
    const char* name;
    bool sorted;
    bool updatingOff;
    Rows added;
    Rows expected;
};

class ResultListPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(ResultListPlacement, ShowsRowsInPlace)
{
    const PlacementCase& c = GetParam();
    ResultList list;
    list.setSorted(c.sorted);
    if (c.updatingOff)
        list.setUpdating(false);
    for (const auto& r : c.added)
        list.add(r);
    if (c.updatingOff)
        list.setUpdating(true);
    EXPECT_EQ(shown(list), c.expected);
    for (std::size_t i = 0; i < c.added.size(); ++i)
        EXPECT_EQ(list.rowAdded(i), c.added[i]);
    // Switching the mode reorders the rows already there.
    Rows sorted = c.added;
    std::sort(sorted.begin(), sorted.end());
    list.setSorted(!c.sorted);
    EXPECT_EQ(shown(list), c.sorted ? c.added : sorted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultListPlacement,
    ::testing::Values(
        PlacementCase{"Unsorted", false, false, {"b", "A", "a", "B"}, {"b", "A", "a", "B"}},
        PlacementCase{"SortedByteOrderDuplicatesKept", true, false, {"b", "A", "a", "B", "~", "0", "b"},
                      {"0", "A", "B", "a", "b", "b", "~"}},
        PlacementCase{"SortedUpdatingOff", true, true, {"zz", "z", "", "za"}, {"", "z", "za", "zz"}},
        PlacementCase{"UnsortedUpdatingOff", false, true, {"zz", "z", "", "za"}, {"zz", "z", "", "za"}},
        PlacementCase{"SortedPrefixesAndBlanks", true, false, {"ab ", " ab", "ab", "a b"}, {" ab", "a b", "ab", "ab "}},
        PlacementCase{"SortedHighBytesLast", true, false, {"\xff", "~~", "\x80"}, {"~~", "\x80", "\xff"}}),
    [](const auto& row) { return std::string(row.param.name); });

// Deterministic rows of the shapes the generators make: many share long prefixes.
Rows sampleRows(std::size_t n, std::uint32_t seed)
{
    Rows rows;
    std::uint32_t x = seed;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        const std::size_t len = (x >> 8) % 14;
        std::string s = (x >> 20) % 3 == 0 ? "PIN-0000" : "";
        for (std::size_t k = 0; k < len; ++k) {
            x = x * 1664525u + 1013904223u;
            s += static_cast<char>(33 + (x >> 24) % 94);
        }
        rows.push_back(s);
    }
    return rows;
}

TEST(ResultList, LargeSortMatchesAPlainSortIncludingLaterAdds)
{
    ResultList list;
    list.setSorted(true);
    Rows all;
    std::uint32_t seed = 7;
    // Bucketed first batch, then small and large batches merged into it; read between some.
    for (const auto& [rows, readBetween] : {std::pair{5000, true}, {3, true}, {2000, false}, {1, true}}) {
        for (const auto& r : sampleRows(static_cast<std::size_t>(rows), seed++)) {
            list.add(r);
            all.push_back(r);
        }
        if (readBetween) {
            Rows expected = all;
            std::sort(expected.begin(), expected.end());
            ASSERT_EQ(shown(list), expected);
        }
    }
}

TEST(ResultList, CaseBlindOrderFoldsLettersThenUsesBytesThenRowNumber)
{
    const Rows rows = {"b", "A", "a", "B", "_", "aa", "A"};
    Rows many;
    const auto at = [&](std::uint32_t i) { return std::string_view(many[i]); };
    std::vector<std::uint32_t> order;
    many = rows;
    appendSortedRows(0, 7, at, true, order);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{4, 1, 6, 2, 5, 3, 0}));
    // Same rows repeated past the bucketed threshold: equal rows stay in row order.
    for (int k = 1; k < 20; ++k)
        many.insert(many.end(), rows.begin(), rows.end());
    order.clear();
    appendSortedRows(0, static_cast<std::uint32_t>(many.size()), at, true, order);
    for (std::size_t k = 1; k < order.size(); ++k) {
        const int c = compareRows(many[order[k - 1]], many[order[k]], true);
        EXPECT_TRUE(c < 0 || (c == 0 && order[k - 1] < order[k])) << k;
    }
}

TEST(ResultList, ObserverCallsFollowUpdating)
{
    ResultList list;
    int calls = 0;
    list.setChangeObserver([&] { ++calls; });
    list.add("x");
    EXPECT_EQ(calls, 1);
    list.setUpdating(false);
    list.add("x");
    list.add("x");
    EXPECT_EQ(calls, 1); // held back while updating is off
    list.setUpdating(true);
    list.setUpdating(true);
    EXPECT_EQ(calls, 2); // once, on the switch back
    list.clear();
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(list.empty());
}

TEST(ResultList, StripesCoverALeadingRunOnly)
{
    ResultList list;
    for (int i = 0; i < 5; ++i)
        list.add("r");
    struct Row {
        std::size_t stripe;
        std::vector<int> colours;
    };
    for (const Row& r : {Row{3, {14, 15, 14, -1, -1}}, Row{99, {14, 15, 14, 15, 14}}, Row{0, {-1, -1, -1, -1, -1}}}) {
        list.colourRows(r.stripe, 14, 15);
        for (std::size_t i = 0; i < 5; ++i)
            EXPECT_EQ(list.rowColour(i), r.colours[i]) << r.stripe << " row " << i;
    }
    list.clear();
    list.add("r");
    EXPECT_EQ(list.rowColour(0), -1);
}

// Rows drawn from an alphabet, some of them planted again later, so equal
// rows occur; deterministic.
Rows alphabetRows(std::size_t n, std::string_view alphabet, std::size_t length, bool varying, std::uint32_t seed)
{
    Rows rows;
    std::uint32_t x = seed;
    const auto next = [&x] { return x = x * 1664525u + 1013904223u, x >> 8; };
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && next() % 97 == 0) {
            rows.push_back(rows[next() % i]); // a repeat of an earlier row
            continue;
        }
        const std::size_t size = varying ? 1 + next() % length : length;
        std::string row;
        for (std::size_t k = 0; k < size; ++k)
            row += alphabet[next() % alphabet.size()];
        rows.push_back(row);
    }
    return rows;
}

// The numbers of the rows equal to an earlier row, by a plain set.
std::vector<std::size_t> plainRepeats(const Rows& rows)
{
    std::vector<std::size_t> repeats;
    std::set<std::string> set;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!set.insert(rows[i]).second)
            repeats.push_back(i);
    return repeats;
}

struct LargeCase {
    const char* name;
    std::string alphabet;
    std::size_t length;
    bool varying;
};

class ResultListLarge : public ::testing::TestWithParam<LargeCase> {};

// Placed as sorted text (rows of one length that fit 64 bits of ranks), by
// order (the others), on both cores: the display is byte order, equal rows
// kept, the order added stays readable, and the repeats are named.
TEST_P(ResultListLarge, SortsAndNamesRepeatsAsAPlainSortDoes)
{
    const LargeCase& c = GetParam();
    const Rows rows = alphabetRows(300000, c.alphabet, c.length, c.varying, 11);
    Rows expected = rows;
    std::sort(expected.begin(), expected.end());
    for (const bool sorted : {true, false}) {
        ResultList list;
        list.setSorted(sorted);
        list.setUpdating(false);
        for (const auto& r : rows)
            list.add(r);
        list.setUpdating(true);
        EXPECT_EQ(list.repeatedRows(), plainRepeats(rows)) << sorted;
        if (!sorted)
            continue;
        ASSERT_EQ(shown(list), expected);
        for (std::size_t i = 0; i < rows.size(); i += 997)
            ASSERT_EQ(list.rowAdded(i), rows[i]);
        // A row added later is placed among the others.
        list.add(rows[5]);
        Rows more = expected;
        more.insert(std::upper_bound(more.begin(), more.end(), rows[5]), rows[5]);
        ASSERT_EQ(shown(list), more);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultListLarge,
    ::testing::Values(LargeCase{"TenOfSixtyTwo", "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 10, false},
                      LargeCase{"NineOfAllPrintable", allPrintable(), 9, false},
                      LargeCase{"FourDigits", "0123456789", 4, false},
                      LargeCase{"TwelveOfSixtyTwo", "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 12,
                                false},
                      LargeCase{"VaryingLengths", "abc-", 14, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ResultList, RemovedRowsLeaveTheOthersInOrder)
{
    for (const bool oneLength : {true, false}) {
        ResultList list;
        Rows rows;
        for (int i = 0; i < 20; ++i)
            rows.push_back(oneLength ? "row" + std::to_string(10 + i) : std::string(static_cast<std::size_t>(i % 3 + 1), static_cast<char>('a' + i)));
        for (const auto& r : rows)
            list.add(r);
        list.removeRows({0, 3, 4, 19});
        Rows expected;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (i != 0 && i != 3 && i != 4 && i != 19)
                expected.push_back(rows[i]);
        EXPECT_EQ(shown(list), expected) << oneLength;
        list.setSorted(true);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown(list), expected) << oneLength;
    }
}

struct RecordingFollower : RowFollower {
    Rows rows;
    int changes = 0;
    void follow(std::string_view row) override { rows.emplace_back(row); }
    void rowsChanged() override { ++changes; }
};

// Only rows added while unsorted are followed; clearing or removing is told.
TEST(ResultList, FollowerSeesUnsortedAddsAndChanges)
{
    ResultList list;
    RecordingFollower follower;
    list.setFollower(&follower);
    list.add("a");
    list.add("b");
    list.removeRows({0});
    list.clear();
    list.setSorted(true);
    list.add("c");
    list.setFollower(nullptr);
    list.setSorted(false);
    list.add("d");
    EXPECT_EQ(follower.rows, (Rows{"a", "b"}));
    EXPECT_EQ(follower.changes, 2);
}

// Rows of one length need no starts, and sorted they are placed as a sorted
// copy of the text (no order entries); rows of differing lengths take a start
// and an order entry each.
TEST(ResultList, RowsStayCompact)
{
    for (const bool oneLength : {true, false}) {
        ResultList list;
        list.setSorted(true);
        list.reserve(100000, 1000000);
        for (int i = 0; i < 100000; ++i)
            list.add(oneLength || i % 2 ? "0123456789" : "012345678");
        EXPECT_EQ(list.row(99999), "0123456789");
        EXPECT_LE(list.memoryUsed(), 100000u * (oneLength ? 10 + 10 : 10 + 4 + 4) + 4 * 4096) << oneLength;
    }
}

} // namespace
} // namespace quorlix

namespace quorlix {
namespace {

// What the release seam saw: every mapping released, and whether all its bytes were zero.
std::vector<std::pair<std::size_t, bool>> g_released;

void recordRelease(const void* data, std::size_t bytes)
{
    const auto* p = static_cast<const unsigned char*>(data);
    g_released.emplace_back(bytes, std::all_of(p, p + bytes, [](unsigned char c) { return c == 0; }));
}

// The text held passwords: zeroed before its memory goes back or is reused.
// The row starts and the display order never held one and are left as they are.
TEST(ResultListMemory, PagesAreZeroBeforeTheyGoBackAndWhenReused)
{
    ResultList list;
    list.setSorted(true);
    for (int i = 0; i < 50000; ++i)
        list.add("pw" + std::to_string(i * 7919));
    (void)list.row(0); // the sorted order is built too
    g_released.clear();
    setReleaseObserverForTesting(recordRelease);
    list.clear();
    setReleaseObserverForTesting(nullptr);
    ASSERT_EQ(g_released.size(), 1u); // the text alone
    EXPECT_TRUE(g_released[0].second) << g_released[0].first << " bytes";

    PodBuffer<char> reused;
    reused.append("secret", 6);
    const char* data = reused.data();
    reused.clear();
    EXPECT_EQ(std::string(data, 6), std::string(6, '\0'));
}

} // namespace
} // namespace quorlix
