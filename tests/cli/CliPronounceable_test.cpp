// quorlix-cli pronounceable, words --case and --stats of both, as a script
// would use them.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TempFolder.h"

namespace
{

namespace fs = std::filesystem;

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

class CliPronounceable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "config");
        fs::create_directories(dir / "data");
    }

    Result run(const std::string& args)
    {
        const std::string cmd = "cd '" + dir.string() + "' && XDG_CONFIG_HOME='" + (dir / "config").string() +
                                "' XDG_DATA_HOME='" + (dir / "data").string() + "' exec '" + QUORLIX_CLI_PATH +
                                "' " + args + " >'" + (dir / "out").string() + "' 2>'" + (dir / "err").string() + "'";
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir / "out"), slurp(dir / "err")};
    }

    quorlix::testing::TempFolder dir;
};

const std::string kSyllable = "[bdfghjkmnprstvwz][aeiou][bdfgkmnprst]?";

TEST_F(CliPronounceable, PasswordsFollowTheOptions)
{
    const std::string cap = "[BDFGHJKMNPRSTVWZ][aeiou][bdfgkmnprst]?";
    const struct {
        std::string args;
        std::string pattern; // of a whole password
        int shortest, longest;
    } rows[] = {
        // The first-start values: a capital first, two digits, hyphens, 15 to 17 characters.
        {"-n 200", "(" + cap + "|[2-9]{2}-" + cap + ")(-(" + kSyllable + "|[2-9]{2}))*", 15, 17},
        {"-n 200 --min 12 --max 12 --capital none --digits 0 --separator none", "(" + kSyllable + ")+", 12, 12},
        {"-n 100 -l 10 --capital none --digits 1 --symbol --separator dot",
         "(" + kSyllable + "|[2-9]|[!#$%&*+=?@])(\\.(" + kSyllable + "|[2-9]|[!#$%&*+=?@]))*", 10, 10},
        {"-n 100 --min 8 --max 9 --capital none --digits 0 --separator blank", "(" + kSyllable + ")( " + kSyllable + ")*",
         8, 9},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const Result r = run("pronounceable --defaults " + row.args);
        ASSERT_EQ(r.code, 0) << r.err;
        const std::regex re(row.pattern);
        const auto got = lines(r.out);
        EXPECT_EQ(got.size(), row.args.starts_with("-n 200") ? 200u : 100u);
        for (const auto& pw : got) {
            EXPECT_TRUE(std::regex_match(pw, re)) << pw;
            const auto generated =
                static_cast<int>(std::count_if(pw.begin(), pw.end(), [](char c) { return c != '-' && c != '.' && c != ' '; }));
            EXPECT_GE(generated, row.shortest) << pw;
            EXPECT_LE(generated, row.longest) << pw;
        }
    }
    // A random capital: exactly one per password, not always the first letter.
    const Result r = run("pronounceable --defaults -n 300 --capital random --digits 0 --separator none");
    ASSERT_EQ(r.code, 0) << r.err;
    int notFirst = 0;
    for (const auto& pw : lines(r.out)) {
        EXPECT_EQ(std::count_if(pw.begin(), pw.end(), [](char c) { return std::isupper(static_cast<unsigned char>(c)); }), 1)
            << pw;
        notFirst += std::isupper(static_cast<unsigned char>(pw[0])) ? 0 : 1;
    }
    EXPECT_GT(notFirst, 150);
}

TEST_F(CliPronounceable, ChecksOutputsAndSettingsOfGenerateApply)
{
    // 80 passwords of two letters exist: the duplication check and sorting make them all, in order.
    Result r = run("pronounceable --defaults -n 80 -l 2 --capital none --digits 0 --dups --sort");
    ASSERT_EQ(r.code, 0) << r.err;
    auto got = lines(r.out);
    ASSERT_EQ(got.size(), 80u);
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
    EXPECT_EQ(std::set<std::string>(got.begin(), got.end()).size(), 80u);
    // One more than exist is refused before anything is made.
    r = run("pronounceable --defaults -n 81 -l 2 --capital none --digits 0 --dups");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Cannot make 81 different passwords: the current settings allow at most 80"),
              std::string::npos)
        << r.err;

    for (const char* file : {"list.txt", "list.csv", "list.htm", "list.mdb"}) {
        r = run(std::string("pronounceable --defaults -n 7 -o ") + file);
        EXPECT_EQ(r.code, 0) << file << r.err;
        EXPECT_TRUE(fs::exists(dir / file)) << file;
    }
    EXPECT_EQ(lines(slurp(dir / "list.txt")).size(), 7u);

    r = run("pronounceable --defaults -n 5 --files 3 --preface pr --type csv");
    ASSERT_EQ(r.code, 0) << r.err;
    for (int n = 1; n <= 3; ++n)
        EXPECT_TRUE(fs::exists(dir / ("pr" + std::to_string(n) + ".csv")));

    // The settings travel through a settings file.
    r = run("pronounceable --defaults -n 4 --min 9 --max 9 --capital none --digits 3 --separator dot "
            "--save-settings p.set");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto file = lines(slurp(dir / "p.set"));
    ASSERT_EQ(file.size(), 306u);
    EXPECT_EQ(file[297], " 1 \r");
    r = run("generate --settings p.set --stats");
    EXPECT_EQ(r.code, 0);
    r = run("pronounceable --settings p.set");
    ASSERT_EQ(r.code, 0) << r.err;
    got = lines(r.out);
    ASSERT_EQ(got.size(), 4u);
    for (const auto& pw : got)
        EXPECT_TRUE(std::regex_match(pw, std::regex("[a-z.]*[2-9]{3}[a-z.]*"))) << pw;

    // The desktop program's last settings choose the values not given.
    fs::create_directories(dir / "config" / "Quorlix");
    std::ofstream(dir / "config" / "Quorlix" / "Quorlix.ini")
        << "[LastSettings]\nPasswordAmount=9\nPronTotalPasswords=3\nPronSeparator=0\nPronDigits=0\n";
    r = run("pronounceable --quiet");
    ASSERT_EQ(r.code, 0) << r.err;
    got = lines(r.out);
    ASSERT_EQ(got.size(), 3u);
    for (const auto& pw : got)
        EXPECT_EQ(pw.find_first_of("-0123456789"), std::string::npos) << pw;
    EXPECT_NE(run("pronounceable --help").out.find("[now 3, from the last settings]"), std::string::npos);
}

TEST_F(CliPronounceable, RefusalsNameTheOption)
{
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"pronounceable --min 8 --max 4", "Maximum 'Total Characters' number must be greater than minimum number",
         "Set --min to at most --max (or both with --length)."},
        {"pronounceable -n 0", " Password amount must be between 1 and 10,000,000 (10 Million)",
         "Set --count to 1 to 10,000,000."},
        {"pronounceable --max 61", " Amount of characters must be between 1 (min) and 60 (max)",
         "Set --min and --max within 1 to 60."},
        {"pronounceable -l 4 --digits 2 --symbol",
         "No pronounceable password has 4 characters with these settings: the shortest has 5 (a syllable of two "
         "letters, the digits and the symbol). Raise the maximum to 5 or more.",
         "Raise --max, or ask for fewer --digits or no --symbol (--no-symbol)."},
        {"pronounceable --capital second", "--capital: choose none, first or random", ""},
        {"pronounceable --digits 10", "--digits: choose 0 to 9 digits", ""},
        {"pronounceable --separator comma", "--separator: choose none, hyphen, blank or dot", ""},
        {"pronounceable --digits 0x2", "", ""},
        {"words --case title", "--case: choose lower, upper, capitalised, alternating or random", ""},
        {"words --case upper --upper", "--upper raises one letter of lower-case words: use it with --case lower", ""},
    };
    for (const auto& [args, message, hint] : rows) {
        SCOPED_TRACE(args);
        const Result r = run(args + " --defaults");
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        // Each line under the program's name, trimmed.
        if (!message.empty()) {
            EXPECT_EQ(lines(r.err).front(), "quorlix-cli: " + message.substr(message.find_first_not_of(' ')));
        }
        if (!hint.empty()) {
            EXPECT_EQ(lines(r.err).back(), "quorlix-cli: " + hint);
        }
    }
}

// --stats prints the same two lines as generate's; the pronounceable count is
// exact and its bits are log2 of it.
TEST_F(CliPronounceable, StatsOfPronounceableAndWords)
{
    const struct {
        const char* args;
        const char* out;
    } rows[] = {
        {"pronounceable --defaults --min 2 --max 3 --capital none --digits 0 --stats",
         "Possible passwords: 960\nEntropy per password: 9.9 bits\n"},
        {"pronounceable --defaults -l 3 --capital random --digits 1 --stats",
         "Possible passwords: 2560\nEntropy per password: 11.3 bits\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const Result r = run(row.args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, row.out);
    }
    // At the first-start values: at least 60 bits.
    Result r = run("pronounceable --defaults --stats");
    ASSERT_EQ(r.code, 0);
    const std::regex stats("Possible passwords: ([0-9]+)\nEntropy per password: ([0-9.]+) bits\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m, stats)) << r.out;
    EXPECT_GE(std::stod(m[2]), 60.0);
    EXPECT_NEAR(std::stod(m[2]), std::log2(std::stod(m[1])), 0.05);

    // Words from a dictionary of our own: five of them.
    std::ofstream(dir / "five.txt") << "apple\nberry\ncherry\ndates\ngrape\n";
    ASSERT_EQ(run("dict build five.txt five.dct").code, 0);
    const double perWord = std::log2(5.0);
    const struct {
        const char* args;
        std::string possible;
        double bits;
    } words[] = {
        {"--words 1 --no-digits --case lower --no-upper", "5", perWord},
        {"--words 2 --separator - --no-digits --case upper", "25", 2 * perWord},
        {"--words 3 --separator - --no-digits --case alternating", "125", 3 * perWord},
        {"--words 2 --separator - --digits 2 --case random", "10000", 2 * (perWord + 1) + 2 * std::log2(10.0)},
        // The single random capital: one of a word's letters, so 26 forms, those of cherry less likely.
        {"--words 1 --no-digits --case lower --upper", "26", perWord + (4 * std::log2(5.0) + std::log2(6.0)) / 5},
    };
    for (const auto& row : words) {
        SCOPED_TRACE(row.args);
        r = run(std::string("words --defaults --dictionary five.dct --stats ") + row.args);
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_TRUE(std::regex_match(r.out, m, stats)) << r.out;
        EXPECT_EQ(m[1].str(), row.possible);
        EXPECT_NEAR(std::stod(m[2]), row.bits, 0.05);
    }
    // Words joined without a separator may read alike: an upper bound, said so.
    r = run("words --defaults --dictionary five.dct --stats --words 2 --separator '' --no-digits");
    EXPECT_EQ(lines(r.out).front(), "Possible passwords: at most 25");
}

TEST_F(CliPronounceable, WordCaseStyles)
{
    std::ofstream(dir / "w.txt") << "alpha\nbravo\ncharlie\ndelta\necho\nfoxtrot\n";
    ASSERT_EQ(run("dict build w.txt w.dct").code, 0);
    const struct {
        const char* style;
        const char* pattern;
    } rows[] = {
        {"lower", "[a-z]+-[a-z]+-[a-z]+"},
        {"upper", "[A-Z]+-[A-Z]+-[A-Z]+"},
        {"capitalised", "[A-Z][a-z]+-[A-Z][a-z]+-[A-Z][a-z]+"},
        {"alternating", "[a-z]+-[A-Z]+-[a-z]+"},
        {"random", "([a-z]+|[A-Z]+)-([a-z]+|[A-Z]+)-([a-z]+|[A-Z]+)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        const Result r = run(std::string("words --defaults --dictionary w.dct --words 3 --separator - --no-digits "
                                         "--no-dups -n 60 --case ") +
                             row.style);
        ASSERT_EQ(r.code, 0) << r.err;
        std::set<bool> firstUpper;
        for (const auto& pw : lines(r.out)) {
            EXPECT_TRUE(std::regex_match(pw, std::regex(row.pattern))) << pw;
            firstUpper.insert(std::isupper(static_cast<unsigned char>(pw[1])) != 0);
        }
        if (std::string(row.style) == "random") {
            EXPECT_EQ(firstUpper.size(), 2u); // both ways came up
        }
    }
}

std::set<std::string> longOptions(const std::string& text)
{
    std::set<std::string> out;
    const std::regex option("--[a-z][a-z-]*[a-z]");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        out.insert(it->str());
    return out;
}

// The manual page's section of the command names every option its help shows.
TEST_F(CliPronounceable, ManualPageDescribesTheCommand)
{
    std::string page = slurp(fs::path(QUORLIX_SOURCE_DIR) / "man" / "quorlix-cli.1");
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    const auto begin = page.find(".SH OPTIONS OF PRONOUNCEABLE");
    ASSERT_NE(begin, std::string::npos);
    const std::string section = page.substr(begin, page.find(".SH", begin + 3) - begin);
    const std::set<std::string> documented = longOptions(section);
    for (const std::string& option : longOptions(run("pronounceable --help").out))
        if (option != "--help") {
            EXPECT_TRUE(documented.count(option) || page.find(option) != std::string::npos) << option;
        }
    EXPECT_NE(page.find("quorlix-cli pronounceable"), std::string::npos);
    EXPECT_NE(page.find("--case"), std::string::npos);
}

} // namespace
