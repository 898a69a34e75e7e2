// quorlix-cli as users of pwgen, apg and xkcdpass expect it: named mistakes
// with a suggestion, every error line under the program's name, LF on
// standard output, a progress line that fits, help that says what exits mean.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "CliRun.h"

namespace {

using namespace quorlix::testing;

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

using CliHabits = CliFolderTest;

TEST_F(CliHabits, UnknownCommandsAndOptionsAreNamedWithTheClosestOne)
{
    const std::pair<const char*, const char*> rows[] = {
        {"generat", "'generat' is not a command; did you mean 'generate'?\nRun 'quorlix-cli --help' for more."},
        {"wrods -n 2", "'wrods' is not a command; did you mean 'words'?\nRun 'quorlix-cli --help' for more."},
        {"xyzzy", "'xyzzy' is not a command\nRun 'quorlix-cli --help' for more."},
        {"dict serch house",
         "'serch' is not a command of dict; did you mean 'search'?\nRun 'quorlix-cli dict --help' for more."},
        {"generate --coutn 5",
         "'--coutn' is not an option of generate; did you mean '--count'?\nRun 'quorlix-cli generate --help' for more."},
        {"sort --case list.txt",
         "'--case' is not an option of sort; did you mean '--case-sensitive'?\nRun 'quorlix-cli sort --help' for more."},
        {"words --separater=-",
         "'--separater' is not an option of words; did you mean '--separator'?\nRun 'quorlix-cli words --help' for "
         "more."},
        {"", "name a command: generate, words, pronounceable, dict, sort, convert, compact or repair\nRun "
             "'quorlix-cli --help' for more."},
        {"dict", "name a command of dict: list, search, download or build\nRun 'quorlix-cli dict --help' for more."},
        {"generate --count", "--count: 1 required N missing\nRun 'quorlix-cli generate --help' for more."},
    };
    for (const auto& [args, said] : rows) {
        SCOPED_TRACE(args);
        const CliResult r = run(args);
        EXPECT_EQ(r.code, 2);
        std::string expected;
        for (const std::string& line : splitLines(said))
            expected += "quorlix-cli: " + line + "\n";
        EXPECT_EQ(r.err, expected);
        EXPECT_EQ(r.out, "");
    }
}

// Whatever goes wrong, each line on standard error starts with the program's
// name and one blank, and a message in the window's words ("... from the
// 'DICTIONARY' menu") is followed by a line naming what to type instead.
TEST_F(CliHabits, EveryErrorLineIsNamedAndWindowWordsGetTheCommandLine)
{
    writeBytes(m_dir / "junk.mdb", std::string(5000, 'x'));
    writeBytes(m_dir / "words.txt", "zebra\n");
    fs::create_directories(userFolder());
    writeBytes(userFolder() + "junk.dct", "not a database");
    const char* commands[] = {
        "generate --count 5 --min 8 --max 4",
        "generate --count 5 --min 7 --max 7 --pool number,lower --rule 7=upper",
        "generate --count 5 --strong --min 6 --max 8 --pool number,upper",
        "generate --count 5 --min 3 --max 3 --strong",
        "generate --count 5 --min 6 --max 6 --pool lower --include \"'|\" --dict whole",
        "generate --count 3 --dict whole --dictionary nosuch.dct",
        "words --count 3 --dictionary missing.dct",
        "words --count 3 --dictionary junk.dct",
        "words --count 3 --dictionary ''",
        "generate --count 5 --files 3 --dir .",
        "sort missing.txt",
        "convert words.txt out.doc",
        "repair junk.mdb",
        "dict search abc",
        "dict build words.txt none.dct",
        "dict download ../x.dct",
    };
    std::size_t windowWorded = 0;
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        const CliResult r = run(command);
        const std::vector<std::string> lines = splitLines(r.err);
        EXPECT_FALSE(lines.empty());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].starts_with("quorlix-cli: ")) << lines[i];
            EXPECT_GT(lines[i].size(), 13u) << "an empty line";
            EXPECT_NE(lines[i][13], ' ') << lines[i];
            EXPECT_NE(lines[i].back(), ' ') << lines[i];
            const bool inWindowWords = lines[i].find("' menu") != std::string::npos ||
                                       lines[i].find("' window") != std::string::npos ||
                                       lines[i].find("'DICTIONARY' menu") != std::string::npos;
            if (inWindowWords) {
                ++windowWorded;
                ASSERT_LT(i + 1, lines.size()) << "nothing follows: " << lines[i];
                EXPECT_TRUE(lines[i + 1].find("--") != std::string::npos ||
                            lines[i + 1].find("quorlix-cli dict") != std::string::npos)
                    << lines[i + 1];
            }
        }
    }
    EXPECT_GE(windowWorded, 5u);
}

TEST_F(CliHabits, StandardOutputGetsLfAndFilesKeepTheirLineEnds)
{
    CliResult r = run("generate --defaults --count 20 --length 8");
    EXPECT_EQ(splitLines(r.out).size(), 20u);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);

    // contents, sorted
    const std::pair<const char*, const char*> files[] = {
        {"b\na\nc\n", "a\nb\nc\n"},
        {"b\r\na\r\nc\r\n", "a\r\nb\r\nc\r\n"},
        {"b\ra\rc", "a\rb\rc\r"},
        {"b", "b\r\n"}, // no line end to keep: the lists' own CR LF
    };
    for (const auto& [before, after] : files) {
        SCOPED_TRACE(before);
        writeBytes(m_dir / "list.txt", before);
        r = run("sort list.txt");
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(read("list.txt"), after);
        r = run("sort - < list.txt");
        EXPECT_EQ(r.out.find('\r'), std::string::npos);
    }
}

TEST_F(CliHabits, DictBuildReadsStandardInputAndReportsOnStandardError)
{
    writeBytes(m_dir / "words.txt", "alpha\nbravo\ncharlie\nxy\n");
    const CliResult r = run("dict build - mine.dct < words.txt");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "quorlix-cli: 3 words from 4 lines into " + userFolder() + "mine.dct\n");
    EXPECT_EQ(run("words --count 1 --words 1 --no-digits --dictionary mine.dct").code, 0);
}

// A terminal 40 columns wide gets one progress line that never wraps; -q gets none.
TEST_F(CliHabits, ProgressLineFitsTheTerminalAndQuietHidesIt_slow)
{
    for (const bool quiet : {false, true}) {
        SCOPED_TRACE(quiet);
        const std::string inner = "stty cols 40 rows 10; '" + std::string(QUORLIX_CLI_PATH) +
                                  "' generate --defaults -n 1500000 --min 20 --max 20 --no-dups -o big.txt" +
                                  (quiet ? " -q" : "");
        const std::string cmd = "cd '" + m_dir.string() + "' && XDG_CONFIG_HOME=config script -qfc \"" + inner +
                                "\" /dev/null > terminal.txt";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        const std::string screen = read("terminal.txt");
        std::vector<std::string> drawn;
        std::string line;
        for (const char c : screen + "\n") {
            if (c == '\r' || c == '\n') {
                if (!line.empty())
                    drawn.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        if (quiet) {
            EXPECT_EQ(screen.find('\r'), std::string::npos) << screen;
            continue;
        }
        ASSERT_GE(drawn.size(), 2u) << screen;
        for (const std::string& l : drawn) {
            EXPECT_LE(l.size(), 39u) << l;
            if (l.find_first_not_of(' ') == std::string::npos)
                continue; // the line wiped at the end
            EXPECT_NE(l.find("% "), std::string::npos) << l;
        }
    }
}

TEST_F(CliHabits, EachCommandsHelpHasItsOwnFooterWithItsExitCodes)
{
    // command, a line it must have, a text it must not have
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"generate", "Exit codes: 0 done; 1 failed", ""},
        {"words", "Exit codes: 0 done; 1 failed", ""},
        {"sort", "Exit codes: 0 sorted, 1 failed", "last settings"},
        {"convert", "Exit codes: 0 converted, 1 failed", "last settings"},
        {"compact", "Exit codes: 0 compacted, 1 failed", "last settings"},
        {"repair", "Exit codes: 0 repaired", "last settings"},
        {"dict search", "Exit codes: 0 found, 1 not found", "last settings"},
        {"dict download", "Exit codes: 0 done, 1 failed", "last settings"},
        {"dict build", "Exit codes: 0 built, 1 failed", "last settings"},
        {"dict list", "Exit codes: 0 listed, 1 none found.", "last settings"},
    };
    for (const auto& [command, has, hasNot] : rows) {
        SCOPED_TRACE(command);
        const CliResult r = run(std::string(command) + " --help");
        EXPECT_EQ(r.code, 0);
        EXPECT_NE(r.out.find(has), std::string::npos) << r.out;
        if (*hasNot) {
            EXPECT_EQ(r.out.find(hasNot), std::string::npos) << r.out;
        }
        EXPECT_EQ(r.out.find(" INT"), std::string::npos) << r.out; // value names are the manual page's
    }
}

// Sorted output starts with the passwords that begin with digits: at a first
// start the command line does not sort (the window keeps sorting), and its
// help says why.
TEST_F(CliHabits, FirstStartDoesNotSortAndHelpSaysWhy)
{
    const auto sorted = [](const std::string& out) {
        const std::vector<std::string> rows = splitLines(out);
        return rows.size() == 300 && std::is_sorted(rows.begin(), rows.end());
    };
    const std::string args = "generate --count 300 --length 10";
    EXPECT_FALSE(sorted(run(args).out));
    EXPECT_FALSE(sorted(run(args + " --defaults").out));
    EXPECT_TRUE(sorted(run(args + " --sort").out));
    const CliResult help = run("generate --help");
    EXPECT_NE(help.out.find("[now off, the first-start value]"), std::string::npos);
    EXPECT_NE(help.out.find("(head -1)"), std::string::npos);

    // Sorting stored by the desktop program is followed; --defaults leaves it.
    writeIni("[LastSettings]\nSortPass=1\n");
    EXPECT_TRUE(sorted(run(args + " -q").out));
    EXPECT_FALSE(sorted(run(args + " --defaults").out));
    EXPECT_NE(run("generate --help").out.find("[now on, from the last settings]"), std::string::npos);
}

} // namespace
