#include "platform/Random.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace quorlix {
namespace {

// Long enough for blocks made ahead on the worker thread to go several times
// round its ring: a block handed out twice would repeat 65,536 words.
TEST(SecureRandom, UniformInTheUnitIntervalAndNoBlockRepeats)
{
    SecureRandom random;
    std::array<int, 10> buckets{};
    std::unordered_set<std::uint64_t> seen;
    const std::size_t total = 8 * SecureRandom::kBlockWords; // two words a value
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
        EXPECT_NEAR(b, static_cast<double>(total) / 10, static_cast<double>(total) / 400); // six standard deviations
    SecureRandom other;
    EXPECT_NE(other.next(), SecureRandom().next());
}

// Plays back fixed words, as SecureRandom hands out its keystream.
class ScriptedWords final : public RandomSource
{
public:
    explicit ScriptedWords(std::vector<std::uint32_t> words) : m_words(std::move(words)) {}
    std::size_t wordsTaken() const { return taken(); }

protected:
    void refill() override { setWords(m_words.data(), m_words.size()); }

private:
    std::vector<std::uint32_t> m_words;
};

// From words, a draw of whole numbers is exactly the floor of width * r +
// lowest for the 53-bit r of its first word and the top 21 bits of the next,
// reading that next word only near a step of the result; next() always reads
// two. Words are tried at every step of each width and just below it.
TEST(ScriptedWords, WholeDrawsAreThoseOfThe53BitValue)
{
    std::uint64_t x = 88172645463325252ull;
    const auto word = [&x] {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        return static_cast<std::uint32_t>(x >> 32);
    };
    const auto floorOf = [](double width, double lowest, std::uint32_t high, std::uint32_t low) {
        const double r = static_cast<double>((std::uint64_t{high} << 21) | (low >> 11)) / 9007199254740992.0;
        return static_cast<int>(std::floor(width * r + lowest));
    };
    std::size_t secondWords = 0;
    for (const std::uint32_t width : {1u, 2u, 3u, 10u, 26u, 32u, 62u, 95u, 400u, 9990u, 283991u, 1048575u}) {
        std::vector<std::uint32_t> highs;
        for (int i = 0; i < 200; ++i)
            highs.push_back(word());
        for (std::uint64_t step = 1; step < width && step < 300; ++step) {
            const auto edge = static_cast<std::uint32_t>((step << 32) / width); // r = step / width, rounded down
            for (std::uint32_t d = 0; d < 3; ++d)
                highs.push_back(edge - d);
            highs.push_back(edge + 1);
        }
        for (const int lowest : {0, 1, 48, -5}) {
            for (const std::uint32_t high : highs) {
                const std::uint32_t low = word();
                const int want = floorOf(width, lowest, high, low);
                ScriptedWords source({high, low, 7});
                ASSERT_EQ(source.draw(width, lowest), want) << width << " " << high << " " << low;
                const bool second = source.wordsTaken() == 2;
                secondWords += second;
                ScriptedWords cursorSource({high, low, 7});
                RandomSource::Cursor cursor(cursorSource);
                if (lowest >= 0)
                    ASSERT_EQ(cursor.drawWhole(width, lowest), want) << width << " " << high;
                else
                    ASSERT_EQ(cursor.draw(width, lowest), want) << width << " " << high;
                cursor.store();
                EXPECT_EQ(cursorSource.wordsTaken(), second ? 2u : 1u);
            }
        }
        // Not whole: the 53-bit value decides from two words.
        ScriptedWords source({0x80000000u, 0xFFFFFFFFu});
        EXPECT_EQ(source.draw(width + 0.5, 0), floorOf(width + 0.5, 0, 0x80000000u, 0xFFFFFFFFu));
        EXPECT_EQ(source.wordsTaken(), 2u);
    }
    EXPECT_GT(secondWords, 1000u); // the steps were met
    ScriptedWords halves({0x80000000u, 0x00000800u});
    EXPECT_EQ(halves.next(), 0.5 + 0x1p-53);
    EXPECT_EQ(halves.wordsTaken(), 2u);
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
