// Long runs (5,000 passwords and more) check their candidates on a second
// thread and, when duplicates would be an accident, fold the duplication
// check into one sort of the rows. These tests hold them to the run made on
// one thread, candidate by candidate, from the same scripted draws.

#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include <sodium.h>

#include "EngineFixture.h"
#include "engine/CandidatePipeline.h"
#include "engine/CharacterDraw.h"
#include "output/FollowedFile.h"
#include "output/SaveAs.h"
#include "support/TempFolder.h"

namespace quorlix::testing {
namespace {

constexpr int kLength = 10;
constexpr std::size_t kDrawsPerCandidate = 1 + 2 * kLength; // the length, then class and character per position

// Draws for count candidates (deterministic, spread over [0, 1)); the
// candidates at each `copies` pair (to, from) repeat an earlier one exactly.
std::vector<double> plantedDraws(std::size_t count, const std::vector<std::pair<std::size_t, std::size_t>>& copies)
{
    std::vector<double> draws(count * kDrawsPerCandidate);
    std::uint64_t x = 88172645463325252ull;
    for (double& d : draws) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        d = static_cast<double>(x >> 11) / 9007199254740992.0;
    }
    for (const auto& [to, from] : copies)
        std::copy_n(draws.begin() + static_cast<std::ptrdiff_t>(from * kDrawsPerCandidate), kDrawsPerCandidate,
                    draws.begin() + static_cast<std::ptrdiff_t>(to * kDrawsPerCandidate));
    return draws;
}

struct Reference {
    std::vector<std::string> rows; // in the order accepted
    std::size_t draws = 0;
};

// The run on one thread: each candidate drawn, then checked against every
// password accepted before it.
Reference oneByOne(const RunRequest& request, std::vector<double> draws, std::size_t total)
{
    ScriptedRandom random(std::move(draws));
    RecordingSurface surface;
    Yielder yielder(surface);
    RunState state;
    CharacterDrawer drawer(request, random, yielder, state, CharacterDrawer::Mode::Single);
    drawer.setWeights(classWeights(request.pool));
    std::unordered_set<std::string> seen;
    Reference out;
    while (out.rows.size() < total) {
        drawer.draw(nullptr);
        std::string password(drawer.password());
        if (seen.insert(password).second)
            out.rows.push_back(password);
    }
    out.draws = random.drawsTaken();
    return out;
}

struct PathCase {
    const char* name;
    const char* pool; // the characters available
    bool sorted;
};

class LongRunPaths : public EngineFixture, public ::testing::WithParamInterface<PathCase> {};

// Planted duplicates are rejected where the run on one thread rejects them,
// and the draws that replace them are the same: the rows, their order, the
// display order and the draws taken all agree. Digits only make duplicates
// likely (each candidate is probed as drawn); 62 characters make them an
// accident (the check is folded into the sort).
TEST_P(LongRunPaths, MakeTheRowsOfTheRunOnOneThread)
{
    const PathCase& c = GetParam();
    const std::size_t total = 20000;
    onlyAvailable(c.pool);
    values.totalPasswords = static_cast<std::int32_t>(total);
    values.minLength = values.maxLength = kLength;
    checks.duplication = true;
    checks.sortDisplay = c.sorted;
    surface.logCounter = false;
    sliced = true;
    const std::vector<double> draws = plantedDraws(total + 20, {{40, 3}, {5000, 3}, {9000, 7}, {19999, 19998}});
    const Reference expected = oneByOne(request(), draws, total);
    ASSERT_EQ(expected.draws, (total + 4) * kDrawsPerCandidate);

    script(draws);
    fuse(2400); // Stop after a minute: a run that cannot finish fails here instead of hanging
    execute();
    EXPECT_EQ(rows(), expected.rows);
    EXPECT_EQ(static_cast<ScriptedRandom&>(*random).drawsTaken(), expected.draws);
    std::vector<std::string> display;
    for (std::size_t i = 0; i < list.count(); ++i)
        display.emplace_back(list.row(i));
    std::vector<std::string> order = expected.rows;
    if (c.sorted)
        std::sort(order.begin(), order.end());
    EXPECT_EQ(display, order);
    EXPECT_EQ(surface.status, "Complete");
}

INSTANTIATE_TEST_SUITE_P(Cases, LongRunPaths,
                         ::testing::Values(PathCase{"FoldedSorted", "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", true},
                                           PathCase{"FoldedUnsorted", "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", false},
                                           PathCase{"ProbedSorted", "0123456789", true},
                                           PathCase{"ProbedUnsorted", "0123456789", false}),
                         [](const auto& row) { return std::string(row.param.name); });

struct EarlierFile {
    const char* name;
    const char* pool;
    bool sorted;
    std::size_t total;
    const char* sha256; // of the text file the program made before (commit ab877b2)
};

class LongRunFiles : public EngineFixture, public ::testing::WithParamInterface<EarlierFile> {
protected:
    struct NoViewer : Shell {
        Status openFile(const std::string&) override { return Status::ok(); }
    };

    // The text file saved from the list (completing followed when given), as a digest.
    std::string savedDigest(const std::string& name, PrewrittenFile* followed = nullptr)
    {
        NoViewer shell;
        SaveContext context{boxes, surface, shell, {}, nullptr, {}, followed};
        const std::string file = path(name);
        saveChosenFile(list, values.totalPasswords, ChosenFile{file, name}, context);
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        unsigned char digest[crypto_hash_sha256_BYTES];
        crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        std::string hex;
        for (const unsigned char b : digest) {
            hex += "0123456789abcdef"[b >> 4];
            hex += "0123456789abcdef"[b & 15];
        }
        return hex;
    }

    std::string path(const std::string& name) const { return m_dir.path(name); }

private:
    TempFolder m_dir;
};

// The text files of long runs are, byte for byte, the files the program made
// before these runs used a second thread, the radix placement and the folded
// duplication check: the digests were taken from that program (commit
// ab877b2) with the same scripted draws, planted duplicates included. An
// unsorted list is saved both through the file followed during the run (the
// folded check drops it when it takes rows back) and by Save As alone.
// 270,000 rows place the sorted text on both cores.
TEST_P(LongRunFiles, AreTheFilesOfTheEarlierProgram)
{
    const EarlierFile& c = GetParam();
    onlyAvailable(c.pool);
    values.totalPasswords = static_cast<std::int32_t>(c.total);
    values.minLength = values.maxLength = kLength;
    checks.duplication = true;
    checks.sortDisplay = c.sorted;
    surface.logCounter = false;
    sliced = true;
    script(plantedDraws(c.total + 20, {{40, 3}, {5000, 3}, {9000, 7}, {c.total - 1, c.total - 2}}));
    fuse(2400);
    FollowedFile followed(path("followed.txt"), ListFormat::Txt);
    if (!c.sorted)
        list.setFollower(&followed);
    execute();
    list.setFollower(nullptr);
    ASSERT_EQ(list.count(), c.total);
    EXPECT_EQ(static_cast<ScriptedRandom&>(*random).drawsTaken(), (c.total + 4) * kDrawsPerCandidate);
    if (!c.sorted) {
        EXPECT_EQ(followed.rowsFollowed(), c.total);
        EXPECT_EQ(savedDigest("followed.txt", &followed), c.sha256);
    }
    EXPECT_EQ(savedDigest("saved.txt"), c.sha256);
}

constexpr const char* kSixtyTwo = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

INSTANTIATE_TEST_SUITE_P(
    Cases, LongRunFiles,
    ::testing::Values(
        EarlierFile{"FoldedSorted", kSixtyTwo, true, 20000,
                    "7804e5e1b3f99de7caac45dc83fa5239b1929ad0e4491de422623e383164671d"},
        EarlierFile{"FoldedUnsorted", kSixtyTwo, false, 20000,
                    "a7d6f79c0c41f721db1cd6b36c9664c52ec4128f9e82e0e8a5166a7618a7ae7a"},
        EarlierFile{"ProbedSorted", "0123456789", true, 20000,
                    "1c360dca1572c157d4711d249bc50e4aab5e5bb873e568c6d61a6c970a956fca"},
        EarlierFile{"ProbedUnsorted", "0123456789", false, 20000,
                    "7a36eba56fb7ad83b52a92dd514ca5c3090d375b9809452b66fbd8f71944fab3"},
        EarlierFile{"BothCoresSorted", kSixtyTwo, true, 270000,
                    "092f815e12d459a20d645ea31a99a84726c782d1004a82d6e8e569a89e49ca64"},
        EarlierFile{"BothCoresUnsorted", kSixtyTwo, false, 270000,
                    "0b0ed66b38fb06193006a1537eb7d6ad616fd822e5259d4336cd737d53786135"}),
    [](const auto& row) { return std::string(row.param.name); });

// Whenever the event loop runs, the checker has settled: the display holds
// exactly the passwords before the current one, and the counter says so.
TEST_F(EngineFixture, LongRunsSettleBeforeEveryEvent)
{
    values.totalPasswords = 6000;
    values.minLength = values.maxLength = 8;
    checks.duplication = true;
    surface.logCounter = false;
    std::size_t checked = 0;
    std::size_t wrong = 0;
    surface.onProcessEvents = [&] {
        if (state.currentPassword < 1)
            return;
        ++checked;
        const auto made = list.count();
        const bool settled = made + 1 == static_cast<std::size_t>(state.currentPassword) ||
                             (made == 6000 && state.currentPassword == 6000);
        const bool counted = made == 0 || surface.counter == std::to_string(made) + " of 6000";
        wrong += settled && counted ? 0 : 1;
    };
    execute();
    EXPECT_EQ(list.count(), 6000u);
    EXPECT_GT(checked, 6000u);
    EXPECT_EQ(wrong, 0u);
}

// The characters of a long run keep their distribution: each digit 0.16/10,
// each letter 0.42/26 of all characters (the class weights 16, 42, 42 of the
// 62-character pool), every length from the minimum to the maximum alike.
// Chi-square against the 1-in-a-million critical values (61 and 6 degrees
// of freedom).
TEST_F(EngineFixture, LongRunCharactersKeepTheirDistribution)
{
    values.totalPasswords = 100000;
    values.minLength = 6;
    values.maxLength = 12;
    checks.duplication = true;
    checks.sortDisplay = false;
    surface.logCounter = false;
    sliced = true;
    execute();
    ASSERT_EQ(list.count(), 100000u);
    std::array<double, 128> seen{};
    std::array<double, 13> lengths{};
    double characters = 0;
    for (const auto& row : rows()) {
        lengths[row.size()] += 1;
        for (const char ch : row)
            seen[static_cast<unsigned char>(ch)] += 1;
        characters += static_cast<double>(row.size());
    }
    double chi = 0;
    for (int code = 33; code <= 126; ++code) {
        const bool digit = code >= '0' && code <= '9';
        const bool letter = (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z');
        if (!digit && !letter) {
            EXPECT_EQ(seen[static_cast<std::size_t>(code)], 0) << code;
            continue;
        }
        const double expected = characters * (digit ? 0.16 / 10 : 0.42 / 26);
        chi += std::pow(seen[static_cast<std::size_t>(code)] - expected, 2) / expected;
    }
    EXPECT_LT(chi, 128.5);
    double chiLengths = 0;
    for (std::size_t l = 6; l <= 12; ++l)
        chiLengths += std::pow(lengths[l] - 100000.0 / 7, 2) / (100000.0 / 7);
    EXPECT_LT(chiLengths, 38.3);
}

// The pipeline decides in the order pushed (candidates copied in, or put in
// place with its slack scribbled on), drops what follows an End, and hands a
// verdict's exception to the run's thread.
TEST(CandidatePipeline, DecidesInOrderAndReportsTheEnd)
{
    struct Checker : CandidateChecker {
        std::vector<std::string> decided;
        void prepare(Candidate& c) override { c.hash = c.text.size(); }
        Verdict decide(const Candidate& c) override
        {
            if (c.text == "throw")
                throw std::runtime_error("no memory");
            decided.emplace_back(c.text);
            EXPECT_EQ(c.hash, c.text.size());
            if (c.text == "end")
                return Verdict::End;
            return c.flags ? Verdict::Accepted : Verdict::Rejected;
        }
    };
    Checker checker;
    {
        CandidatePipeline pipeline(checker);
        std::vector<std::string> pushed;
        for (int i = 0; i < 50000; ++i) {
            pushed.push_back(std::to_string(i) + std::string(static_cast<std::size_t>(i % 300), 'x'));
            const auto flags = static_cast<std::uint8_t>(i % 3 != 0);
            if (i % 2 == 0) {
                pipeline.push(pushed.back(), flags);
                continue;
            }
            char* to = pipeline.room(pushed.back().size());
            std::memcpy(to, pushed.back().data(), pushed.back().size());
            std::memset(to + pushed.back().size(), '#', CandidatePipeline::kSlack);
            pipeline.commit(pushed.back().size(), flags);
        }
        pipeline.settle();
        EXPECT_EQ(checker.decided, pushed);
        EXPECT_EQ(pipeline.decided(), 50000u);
        EXPECT_EQ(pipeline.accepted(), 50000u - 16667u);
        pipeline.push("end", 1);
        pipeline.push("after", 1);
        pipeline.settle();
        EXPECT_TRUE(pipeline.ended());
        EXPECT_EQ(checker.decided.back(), "end");
        EXPECT_EQ(pipeline.decided(), 50002u);
    }
    CandidatePipeline failing(checker);
    failing.push("throw", 1);
    EXPECT_THROW(failing.settle(), std::runtime_error);
}

} // namespace
} // namespace quorlix::testing
