#include "platform/ResultList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ResultListOrder.h"

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
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultListPlacement,
    ::testing::Values(
        PlacementCase{"Unsorted", false, false, {"b", "A", "a", "B"}, {"b", "A", "a", "B"}},
        PlacementCase{"SortedByteOrder", true, false, {"b", "A", "a", "B", "~", "0"}, {"0", "A", "B", "a", "b", "~"}},
        PlacementCase{"SortedUpdatingOff", true, true, {"zz", "z", "", "za"}, {"", "z", "za", "zz"}},
        PlacementCase{"UnsortedUpdatingOff", false, true, {"zz", "z", "", "za"}, {"zz", "z", "", "za"}},
        PlacementCase{"SortedPrefixesAndBlanks", true, false, {"ab ", " ab", "ab", "a b"}, {" ab", "a b", "ab", "ab "}},
        PlacementCase{"SortedHighBytesLast", true, false, {"\xff", "~~", "\x80"}, {"~~", "\x80", "\xff"}},
        PlacementCase{"SortedDuplicatesKept", true, false, {"x", "y", "x"}, {"x", "x", "y"}},
        PlacementCase{"Empty", true, true, {}, {}}),
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
    struct Batch {
        std::size_t rows;
        bool readBetween;
    };
    ResultList list;
    list.setSorted(true);
    Rows all;
    std::uint32_t seed = 7;
    // Bucketed first batch, then small and large batches merged into it.
    for (const Batch& b : {Batch{5000, true}, Batch{3, true}, Batch{2000, false}, Batch{1, true}}) {
        for (const auto& r : sampleRows(b.rows, seed++)) {
            list.add(r);
            all.push_back(r);
        }
        if (b.readBetween) {
            Rows expected = all;
            std::sort(expected.begin(), expected.end());
            ASSERT_EQ(shown(list), expected);
        }
    }
}

TEST(ResultList, CaseBlindOrderFoldsLettersThenUsesBytesThenRowNumber)
{
    const Rows rows = {"b", "A", "a", "B", "_", "aa", "A"};
    const auto at = [&](std::uint32_t i) { return std::string_view(rows[i]); };
    std::vector<std::uint32_t> order;
    appendSortedRows(0, static_cast<std::uint32_t>(rows.size()), at, true, order);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{4, 1, 6, 2, 5, 3, 0}));
    // Same rows repeated past the bucketed threshold: equal rows stay in row order.
    Rows many;
    for (int k = 0; k < 20; ++k)
        many.insert(many.end(), rows.begin(), rows.end());
    const auto atMany = [&](std::uint32_t i) { return std::string_view(many[i]); };
    order.clear();
    appendSortedRows(0, static_cast<std::uint32_t>(many.size()), atMany, true, order);
    for (std::size_t k = 1; k < order.size(); ++k) {
        const int c = compareRows(many[order[k - 1]], many[order[k]], true);
        EXPECT_TRUE(c < 0 || (c == 0 && order[k - 1] < order[k])) << k;
    }
}

TEST(ResultList, SwitchingSortedModeReordersTheList)
{
    ResultList list;
    for (const char* r : {"c", "a", "b"})
        list.add(r);
    list.setSorted(true);
    EXPECT_EQ(shown(list), (Rows{"a", "b", "c"}));
    list.setSorted(false);
    EXPECT_EQ(shown(list), (Rows{"c", "a", "b"}));
}

TEST(ResultList, ObserverCallsFollowUpdating)
{
    ResultList list;
    int calls = 0;
    list.setChangeObserver([&] { ++calls; });
    struct Step {
        const char* what;
        int callsAfter;
    };
    const Step steps[] = {{"add", 1}, {"off", 1}, {"add", 1}, {"add", 1}, {"on", 2}, {"on", 2}, {"clear", 3}};
    for (const Step& s : steps) {
        const std::string w = s.what;
        if (w == "add")
            list.add("x");
        else if (w == "off")
            list.setUpdating(false);
        else if (w == "on")
            list.setUpdating(true);
        else
            list.clear();
        EXPECT_EQ(calls, s.callsAfter) << w;
    }
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

TEST(ResultList, RowsStayCompact)
{
    ResultList list;
    list.setSorted(true);
    list.reserve(100000, 1000000);
    for (int i = 0; i < 100000; ++i)
        list.add("0123456789");
    EXPECT_EQ(list.row(99999), "0123456789");
    // Ten bytes of text plus a start and an order entry per row.
    EXPECT_LE(list.memoryUsed(), 100000u * (10 + 4 + 4) + 3 * 4096);
}

} // namespace
} // namespace quorlix
