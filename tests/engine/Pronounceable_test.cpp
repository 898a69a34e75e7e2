// The pronounceable language: its exact count against brute force, and the
// draw against the uniform distribution it promises.

#include <gtest/gtest.h>

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/Pronounceable.h"
#include "support/SeededRandom.h"

namespace quorlix
{
namespace
{

PronounceableSettings shape(int min, int max, CapitalStyle capital, int digits, bool symbol,
                            SyllableSeparator separator = SyllableSeparator::None)
{
    PronounceableSettings s;
    s.minLength = static_cast<std::int16_t>(min);
    s.maxLength = static_cast<std::int16_t>(max);
    s.capital = capital;
    s.digitCount = static_cast<std::int16_t>(digits);
    s.symbol = symbol;
    s.separator = separator;
    return s;
}

std::string escaped(std::string_view set)
{
    std::string out;
    for (char c : set) {
        if (std::strchr("\\^]-[", c))
            out += '\\';
        out += c;
    }
    return out;
}

// The language written as a regular expression over the lower-case letters,
// independent of how the program counts or draws: syllables, with the digit
// group and the symbol each as one part somewhere among them, the parts
// joined by sep. The capital is checked apart (see member()).
std::regex languageOf(const SyllableTable& t, int digits, bool symbol, char sep)
{
    const std::string syllable =
        "[" + escaped(t.consonants) + "][" + escaped(t.vowels) + "][" + escaped(t.closing) + "]?";
    const std::string s = sep ? "\\" + std::string(1, sep) : "";
    const std::string digitGroup = "[" + escaped(t.digits) + "]{" + std::to_string(digits) + "}";
    const std::string symbolPart = "[" + escaped(t.symbols) + "]";
    // Every order of the parts: syllables (one or more in a row between the
    // extras), the digits once, the symbol once.
    std::vector<std::string> extras;
    if (digits > 0)
        extras.push_back(digitGroup);
    if (symbol)
        extras.push_back(symbolPart);
    const std::string run = syllable + "(?:" + s + syllable + ")*";
    std::string alternatives;
    std::sort(extras.begin(), extras.end());
    do {
        // Between the extras: a run of syllables or nothing.
        std::string pattern = "(?:" + run + s + ")?";
        for (std::size_t i = 0; i < extras.size(); ++i) {
            pattern += extras[i];
            pattern += i + 1 < extras.size() ? "(?:" + s + run + ")?" + s : "";
        }
        pattern += extras.empty() ? "" : "(?:" + s + run + ")?";
        if (extras.empty())
            pattern = run;
        alternatives += (alternatives.empty() ? "" : "|") + ("(?:" + pattern + ")");
    } while (std::next_permutation(extras.begin(), extras.end()));
    // At least one syllable, so at least one vowel.
    return std::regex("^(?=.*[" + escaped(t.vowels) + "])(?:" + alternatives + ")$");
}

bool member(const std::string& text, const std::regex& language, CapitalStyle capital)
{
    std::string lower = text;
    int capitals = 0;
    int firstLetter = -1;
    int capitalAt = -1;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const char c = lower[i];
        if (std::isalpha(static_cast<unsigned char>(c)) && firstLetter < 0)
            firstLetter = static_cast<int>(i);
        if (c >= 'A' && c <= 'Z') {
            ++capitals;
            capitalAt = static_cast<int>(i);
            lower[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (capital == CapitalStyle::None && capitals != 0)
        return false;
    if (capital == CapitalStyle::Random && capitals != 1)
        return false;
    if (capital == CapitalStyle::First && (capitals != 1 || capitalAt != firstLetter))
        return false;
    return std::regex_match(lower, language);
}

// Every string of the given length over alphabet, counted when it is a member.
long long bruteForce(const std::string& alphabet, int length, const std::regex& language, CapitalStyle capital)
{
    std::vector<std::size_t> at(static_cast<std::size_t>(length), 0);
    std::string text(static_cast<std::size_t>(length), alphabet[0]);
    long long found = 0;
    for (;;) {
        if (member(text, language, capital))
            ++found;
        std::size_t i = 0;
        for (; i < at.size(); ++i) {
            if (++at[i] < alphabet.size()) {
                text[i] = alphabet[at[i]];
                break;
            }
            at[i] = 0;
            text[i] = alphabet[0];
        }
        if (i == at.size())
            return found;
    }
}

// A table small enough to list whole languages: closing letters that are also
// consonants, as in the real table.
constexpr SyllableTable kTinyTable{"bk", "ae", "k", "23", "!#"};

struct CountCase {
    const char* name;
    bool tiny;
    int longest;
    CapitalStyle capital;
    int digits;
    bool symbol;
};

class PronounceableCount : public ::testing::TestWithParam<CountCase>
{
};

TEST_P(PronounceableCount, BruteForceCountsWhatTheFormulaSays)
{
    const CountCase& c = GetParam();
    const SyllableTable& table = c.tiny ? kTinyTable : kSyllableTable;
    std::string alphabet;
    for (std::string_view part : {table.consonants, table.vowels, table.closing})
        for (char ch : part)
            if (alphabet.find(ch) == std::string::npos)
                alphabet += ch;
    if (c.capital != CapitalStyle::None)
        for (char ch : std::string(alphabet))
            alphabet += static_cast<char>(ch - 'a' + 'A');
    if (c.digits > 0)
        alphabet += table.digits;
    if (c.symbol)
        alphabet += table.symbols;
    const std::regex language = languageOf(table, c.digits, c.symbol, '\0');
    const PronounceableLanguage counted(shape(1, c.longest, c.capital, c.digits, c.symbol), table);
    long long sum = 0;
    for (int length = 1; length <= c.longest; ++length) {
        const long long brute = bruteForce(alphabet, length, language, c.capital);
        EXPECT_EQ(counted.countOfLength(length), std::to_string(brute)) << "length " << length;
        sum += brute;
    }
    EXPECT_EQ(counted.count(), std::to_string(sum));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, PronounceableCount,
    ::testing::Values(CountCase{"RealTableLettersOnly", false, 4, CapitalStyle::None, 0, false},
                      CountCase{"TinyLettersOnly", true, 8, CapitalStyle::None, 0, false},
                      CountCase{"TinyFirstCapital", true, 7, CapitalStyle::First, 0, false},
                      CountCase{"TinyRandomCapital", true, 6, CapitalStyle::Random, 0, false},
                      CountCase{"TinyTwoDigits", true, 7, CapitalStyle::None, 2, false},
                      CountCase{"TinySymbol", true, 7, CapitalStyle::None, 0, true},
                      CountCase{"TinyEverything", true, 5, CapitalStyle::Random, 1, true}),
    [](const ::testing::TestParamInfo<CountCase>& p) { return std::string(p.param.name); });

// With separators the count stays, and the draws reach every string of a
// small language and nothing outside it.
struct CoverCase {
    const char* name;
    PronounceableSettings settings;
};

class PronounceableCover : public ::testing::TestWithParam<CoverCase>
{
};

TEST_P(PronounceableCover, DrawsEveryPasswordOfASmallLanguageAndNoOther)
{
    const PronounceableSettings& s = GetParam().settings;
    PronounceableLanguage language(s, kTinyTable);
    PronounceableSettings unseparated = s;
    unseparated.separator = SyllableSeparator::None;
    EXPECT_EQ(language.count(), PronounceableLanguage(unseparated, kTinyTable).count());
    const long long count = std::stoll(language.count());
    ASSERT_GT(count, 0);
    ASSERT_LT(count, 20000);
    const std::regex pattern = languageOf(kTinyTable, s.digitCount, s.symbol, separatorCharacter(s.separator));
    testing::SeededRandom random(7);
    std::set<std::string> seen;
    std::string out;
    for (long long i = 0; i < count * 40; ++i) {
        const int length = language.draw(random, out);
        ASSERT_TRUE(member(out, pattern, s.capital)) << out;
        const char sep = separatorCharacter(s.separator);
        EXPECT_EQ(length, static_cast<int>(out.size() - (sep ? std::count(out.begin(), out.end(), sep) : 0))) << out;
        EXPECT_GE(length, s.minLength);
        EXPECT_LE(length, s.maxLength);
        seen.insert(out);
    }
    EXPECT_EQ(static_cast<long long>(seen.size()), count);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, PronounceableCover,
    ::testing::Values(
        CoverCase{"HyphenDigitsSymbol", shape(4, 6, CapitalStyle::None, 1, true, SyllableSeparator::Hyphen)},
        CoverCase{"BlankRandomCapital", shape(4, 5, CapitalStyle::Random, 1, false, SyllableSeparator::Blank)},
        CoverCase{"DotFirstCapital", shape(5, 7, CapitalStyle::First, 0, true, SyllableSeparator::Dot)},
        CoverCase{"NoSeparator", shape(2, 6, CapitalStyle::None, 2, false, SyllableSeparator::None)}),
    [](const ::testing::TestParamInfo<CoverCase>& p) { return std::string(p.param.name); });

TEST(PronounceableLanguage, DefaultsGiveAtLeastSixtyBits)
{
    const PronounceableLanguage language{PronounceableSettings{}};
    EXPECT_GE(language.bits(), 60.0);
    EXPECT_NEAR(language.bits(), static_cast<double>(std::log2(std::stold(language.count()))), 1e-9);
}

TEST(PronounceableLanguage, KnownCountsAndEmptyRanges)
{
    // Length 2: the 80 open syllables; 3: the 880 closed ones; 4: two open.
    const PronounceableLanguage letters(shape(2, 4, CapitalStyle::None, 0, false));
    EXPECT_EQ(letters.countOfLength(2), "80");
    EXPECT_EQ(letters.countOfLength(3), "880");
    EXPECT_EQ(letters.countOfLength(4), "6400");
    EXPECT_EQ(letters.count(), "7360");
    EXPECT_EQ(letters.shortestLength(), 2);
    // Two digits and a symbol need 5 characters at least.
    const PronounceableLanguage tooShort(shape(1, 4, CapitalStyle::First, 2, true));
    EXPECT_TRUE(tooShort.empty());
    EXPECT_EQ(tooShort.count(), "0");
    EXPECT_EQ(tooShort.bits(), 0.0);
    EXPECT_EQ(tooShort.shortestLength(), 5);
    // Far past 64 bits, exactly: 60 letters as 30 open syllables alone is 80^30.
    const PronounceableLanguage longest(shape(60, 60, CapitalStyle::None, 0, false));
    EXPECT_GT(longest.count().size(), 57u);
    EXPECT_EQ(longest.saturatedCount(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(letters.saturatedCount(), 7360u);
}

TEST(PronounceableLanguage, UniformBelowRedrawsWhatWouldFavourSmallNumbers)
{
    // 2^32 = 3 * 1431655765 + 1: the top 32-bit value is drawn again.
    ScriptedRandom random({4294967295.0 / 4294967296.0, 5.0 / 4294967296.0});
    EXPECT_EQ(uniformBelow(random, 3), 2u);
    EXPECT_EQ(random.drawsTaken(), 2u);
    ScriptedRandom half({0.5});
    EXPECT_EQ(uniformBelow(half, 2), 0u); // 2^31 is even
    EXPECT_EQ(uniformBelow(half, 1), 0u);
}

// Upper critical value of chi-square with df degrees of freedom at p = 1e-6
// (Wilson-Hilferty): a fixed stream, so no run is a matter of luck.
double chiSquareLimit(double df)
{
    const double z = 4.753;
    const double a = 2.0 / (9.0 * df);
    return df * std::pow(1.0 - a + z * std::sqrt(a), 3.0);
}

double chiSquare(const std::vector<double>& observed, const std::vector<double>& expected)
{
    double sum = 0;
    for (std::size_t i = 0; i < observed.size(); ++i)
        if (expected[i] > 0)
            sum += (observed[i] - expected[i]) * (observed[i] - expected[i]) / expected[i];
    return sum;
}

void expectUniform(const std::vector<double>& counts, const std::string& what)
{
    double total = 0;
    for (double c : counts)
        total += c;
    const std::vector<double> expected(counts.size(), total / static_cast<double>(counts.size()));
    const double x = chiSquare(counts, expected);
    EXPECT_LT(x, chiSquareLimit(static_cast<double>(counts.size() - 1))) << what << ": chi-square " << x;
}

// A million passwords of the whole language (capital anywhere, digits, symbol):
// the lengths and syllable counts as the exact counts predict, every open and
// every closed syllable equally often, and at every place each letter, digit,
// symbol, digit place and capital place equally often.
TEST(PronounceableDraw, MillionDrawsAreUniform)
{
    const PronounceableSettings s = shape(10, 14, CapitalStyle::Random, 2, true, SyllableSeparator::Hyphen);
    PronounceableLanguage language(s);
    const SyllableTable& t = kSyllableTable;
    testing::SeededRandom random(20240523);
    constexpr int kDraws = 1'000'000;

    std::map<int, double> byLength;
    std::map<std::pair<int, int>, double> byShape; // (syllables, closed)
    std::vector<double> open(t.consonants.size() * t.vowels.size());
    std::vector<double> closed(open.size() * t.closing.size());
    std::array<std::array<std::vector<double>, 3>, 4> letterAt{}; // first four syllables: their three letters
    for (auto& slot : letterAt) {
        slot[0].assign(t.consonants.size(), 0);
        slot[1].assign(t.vowels.size(), 0);
        slot[2].assign(t.closing.size(), 0);
    }
    std::array<std::vector<double>, 2> digitAt{std::vector<double>(t.digits.size()),
                                               std::vector<double>(t.digits.size())};
    std::vector<double> symbols(t.symbols.size());
    std::map<int, std::vector<double>> digitPlace;   // by syllables: index among the parts without the symbol
    std::map<int, std::vector<double>> capitalPlace; // by letters: letter index of the capital
    std::string out;
    for (int n = 0; n < kDraws; ++n) {
        const int length = language.draw(random, out);
        byLength[length] += 1;
        // Parts by the hyphens.
        std::vector<std::string> parts;
        std::size_t from = 0;
        for (std::size_t at; (at = out.find('-', from)) != std::string::npos; from = at + 1)
            parts.push_back(out.substr(from, at - from));
        parts.push_back(out.substr(from));
        int syllables = 0, closings = 0, letters = 0, capital = -1, digitsIndex = -1, partsWithoutSymbol = 0;
        for (const std::string& part : parts) {
            if (std::isdigit(static_cast<unsigned char>(part[0]))) {
                ASSERT_EQ(part.size(), 2u) << out;
                for (std::size_t d = 0; d < 2; ++d)
                    digitAt[d][t.digits.find(part[d])] += 1;
                digitsIndex = partsWithoutSymbol++;
                continue;
            }
            if (part.size() == 1) {
                symbols[t.symbols.find(part[0])] += 1;
                continue;
            }
            ++partsWithoutSymbol;
            std::string lower = part;
            for (std::size_t i = 0; i < lower.size(); ++i)
                if (std::isupper(static_cast<unsigned char>(lower[i]))) {
                    capital = letters + static_cast<int>(i);
                    lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
                }
            letters += static_cast<int>(lower.size());
            const std::size_t c = t.consonants.find(lower[0]);
            const std::size_t v = t.vowels.find(lower[1]);
            ASSERT_NE(c, std::string_view::npos) << out;
            ASSERT_NE(v, std::string_view::npos) << out;
            const std::size_t openIndex = c * t.vowels.size() + v;
            if (syllables < 4) {
                letterAt[static_cast<std::size_t>(syllables)][0][c] += 1;
                letterAt[static_cast<std::size_t>(syllables)][1][v] += 1;
            }
            if (lower.size() == 3) {
                const std::size_t e = t.closing.find(lower[2]);
                ASSERT_NE(e, std::string_view::npos) << out;
                closed[openIndex * t.closing.size() + e] += 1;
                if (syllables < 4)
                    letterAt[static_cast<std::size_t>(syllables)][2][e] += 1;
                ++closings;
            } else {
                open[openIndex] += 1;
            }
            ++syllables;
        }
        ASSERT_EQ(length, letters + 3) << out;
        byShape[{syllables, closings}] += 1;
        auto& places = digitPlace[syllables];
        places.resize(static_cast<std::size_t>(syllables + 1));
        places[static_cast<std::size_t>(digitsIndex)] += 1;
        auto& capitals = capitalPlace[letters];
        capitals.resize(static_cast<std::size_t>(letters));
        ASSERT_GE(capital, 0) << out;
        capitals[static_cast<std::size_t>(capital)] += 1;
    }

    // Lengths and shapes against the exact counts.
    const long double total = std::stold(language.count());
    std::vector<double> observed, expected;
    for (int length = s.minLength; length <= s.maxLength; ++length) {
        observed.push_back(byLength[length]);
        expected.push_back(static_cast<double>(std::stold(language.countOfLength(length)) / total * kDraws));
    }
    EXPECT_LT(chiSquare(observed, expected), chiSquareLimit(static_cast<double>(observed.size() - 1)));
    observed.clear();
    expected.clear();
    for (const auto& [key, seen] : byShape) {
        // The group's count: one length, k syllables, j closed, of the same settings.
        const int k = key.first, j = key.second;
        const int length = 2 * k + j + 3;
        const PronounceableLanguage oneLength(shape(length, length, s.capital, 2, true));
        long double share = 0;
        // Within one length the groups split as C(k, j) 880^j 80^(k-j) (k+1)(k+2).
        long double all = 0;
        for (int kk = 1; 2 * kk <= length - 3; ++kk) {
            const int jj = length - 3 - 2 * kk;
            if (jj < 0 || jj > kk)
                continue;
            const long double g = std::tgammal(kk + 1) / (std::tgammal(jj + 1) * std::tgammal(kk - jj + 1)) *
                                  std::pow(11.0L, jj) * std::pow(80.0L, kk) * (kk + 1) * (kk + 2);
            all += g;
            if (kk == k)
                share = g;
        }
        observed.push_back(seen);
        expected.push_back(static_cast<double>(std::stold(oneLength.count()) / total * share / all * kDraws));
    }
    EXPECT_LT(chiSquare(observed, expected), chiSquareLimit(static_cast<double>(observed.size() - 1)));

    expectUniform(open, "open syllables");
    expectUniform(closed, "closed syllables");
    for (std::size_t i = 0; i < letterAt.size(); ++i) {
        expectUniform(letterAt[i][0], "consonant of syllable " + std::to_string(i + 1));
        expectUniform(letterAt[i][1], "vowel of syllable " + std::to_string(i + 1));
        expectUniform(letterAt[i][2], "closing letter of syllable " + std::to_string(i + 1));
    }
    expectUniform(digitAt[0], "first digit");
    expectUniform(digitAt[1], "second digit");
    expectUniform(symbols, "symbol");
    for (const auto& [k, places] : digitPlace)
        expectUniform(places, "place of the digits among " + std::to_string(k) + " syllables");
    for (const auto& [letters, places] : capitalPlace)
        expectUniform(places, "place of the capital among " + std::to_string(letters) + " letters");
}

// The strongest form of the promise, where a language is small enough to list:
// a million draws over its 15,360 passwords of 3 and 4 characters (a syllable
// and a digit before or after it), each as often as any other.
TEST(PronounceableDraw, EveryPasswordEquallyLikely)
{
    PronounceableLanguage language(shape(3, 4, CapitalStyle::None, 1, false));
    ASSERT_EQ(language.count(), "15360");
    testing::SeededRandom random(99);
    std::map<std::string, double> seen;
    std::string out;
    for (int n = 0; n < 1'000'000; ++n) {
        language.draw(random, out);
        seen[out] += 1;
    }
    ASSERT_EQ(seen.size(), 15360u);
    std::vector<double> counts;
    for (const auto& [text, c] : seen)
        counts.push_back(c);
    expectUniform(counts, "passwords");
}

} // namespace
} // namespace quorlix
