// Drives quorlix-cli as a person's script would: arguments in, exit code,
// standard output and standard error out.

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <regex>
#include <set>
#include <signal.h>
#include <sstream>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
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

// What the CLI writes to standard error for these lines: each with the
// program's name before it, trimmed.
std::string said(const std::vector<std::string>& texts)
{
    std::string out;
    for (const std::string& t : texts)
        if (!t.empty())
            out += "quorlix-cli: " + t.substr(t.find_first_not_of(' ')) + "\n";
    return out;
}

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "config");
        fs::create_directories(dir / "data");
    }

    // Runs the CLI (under launcher, if given) with its own empty settings
    // store, inside dir.
    Result run(const std::string& args, const std::string& launcher = "")
    {
        const std::string cmd = "cd '" + dir.string() + "' && XDG_CONFIG_HOME='" + (dir / "config").string() +
                                "' XDG_DATA_HOME='" + (dir / "data").string() + "' exec " + launcher + " '" +
                                QUORLIX_CLI_PATH + "' " + args + " >'" + (dir / "out").string() + "' 2>'" +
                                (dir / "err").string() + "'";
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir / "out"), slurp(dir / "err")};
    }

    // Starts the CLI in dir with its own settings and its standard output
    // into dir/out; standard error goes to the terminal named, raw and 80
    // columns wide, or into dir/err. Returns at once with its pid.
    pid_t start(const std::vector<std::string>& args, const std::string& terminal = "")
    {
        // Everything is made before the fork: the child only opens, duplicates and runs.
        std::vector<std::string> environment{"XDG_CONFIG_HOME=" + (dir / "config").string(),
                                             "XDG_DATA_HOME=" + (dir / "data").string()};
        for (char** e = environ; *e; ++e)
            if (!std::string_view(*e).starts_with("XDG_CONFIG_HOME=") &&
                !std::string_view(*e).starts_with("XDG_DATA_HOME="))
                environment.emplace_back(*e);
        std::vector<char*> envp;
        for (std::string& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> words{"quorlix-cli"};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        const std::string where = dir.string();
        const std::string out = (dir / "out").string();
        const std::string err = terminal.empty() ? (dir / "err").string() : terminal;

        const pid_t child = ::fork();
        if (child == 0) {
            const int rows = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int errors = terminal.empty() ? ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)
                                                : ::open(err.c_str(), O_RDWR | O_NOCTTY);
            if (!terminal.empty()) {
                struct termios raw {
                };
                ::tcgetattr(errors, &raw);
                ::cfmakeraw(&raw); // the bytes as written, no CR added
                ::tcsetattr(errors, TCSANOW, &raw);
                const struct winsize size {
                    24, 80, 0, 0
                };
                ::ioctl(errors, TIOCSWINSZ, &size);
            }
            if (rows < 0 || errors < 0 || ::dup2(rows, 1) < 0 || ::dup2(errors, 2) < 0 || ::chdir(where.c_str()) != 0)
                ::_exit(127);
            ::execve(QUORLIX_CLI_PATH, argv.data(), envp.data());
            ::_exit(127);
        }
        EXPECT_GT(child, 0);
        return child;
    }

    quorlix::testing::TempFolder dir;
};

TEST_F(CliTest, RefusalsPrintTheExactMessageThenTheOptionAndExitTwo)
{
    const std::string user = (dir / "data" / "quorlix").string() + "/";
    fs::create_directories(user);
    std::ofstream(user + "junk.dct") << "not a database";
    std::ofstream(dir / "noa.txt") << "zebra\nboat\n";
    const std::string notFoundTail =
        " not found in folder. This file is necessary in order to select words from. This file may have been moved "
        "or renamed. In order to use this dictionary file you should download it into the Quorlix directory. Select "
        "the 'DOWNLOAD DICTIONARY FILE' option from the 'DICTIONARY' menu.";
    // The command, the window's own text, and the line naming the option to change.
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"generate --count 5 --min 8 --max 4", "Maximum 'Total Characters' number must be greater than minimum number",
         "Set --min to at most --max (or both with --length)."},
        {"generate --count 10000001", " Password amount must be between 1 and 10,000,000 (10 Million)",
         "Set --count to 1 to 10,000,000."},
        {"generate --count 5 --strong --min 6 --max 8 --pool number,upper",
         "Lowercase Letters and Special Symbols are deactivated while the Strong Passwords are activated. Strong "
         "Passwords CANNOT be created unless 3 out the four character types are available for selection. Please make "
         "one or both of these character types availabe from the 'Characters' menu item or deactivate the Strong "
         "Passwords option below.",
         "Make those characters available (--pool, --include) or leave strong passwords off (--no-strong)."},
        {"generate --count 5 --min 7 --max 7 --pool number,lower --rule 7=upper",
         "Position 7, from the 'Password Rules' menu requires only uppercase letters. However, no uppercase letters "
         "have been selected from the 'Characters' menu. Either make atleast one uppercase letter available or do not "
         "require uppercase letters as a rule.",
         "Change that --rule, or make its characters available (--pool, --include)."},
        {"generate --count 5 -o list.html",
         "Unrecognized file type. Please verify the type of file you wish to save these password with and try "
         "again.",
         "End the -o file name in .txt, .csv, .htm or .mdb."},
        {"generate --count 5 --files 1 --preface pw", " Total Files field must be greater than 1",
         "Set --files to 2 or more."},
        {"words --min-word 3", "Settings not accepted. Word Length must be at least 4 charaters.",
         "Set --min-word to 4 or more."},
        {"words --separator é-", "--separator: one character, or \"\" for none", ""},
        {"words --count 3 --dictionary missing.dct",
         user + "missing.dct not found in folder. This file is necessary in order to select words from. This file "
                "may have been moved or renamed. In order to use this dictionary file you should download it into "
                "the Quorlix directory. Select the 'DOWNLOAD DICTIONARY FILE' option from the 'DICTIONARY' menu.",
         "Get it with: quorlix-cli dict download missing.dct, or name another with --dictionary (dict list shows "
         "those present)."},
        // Refused before anything is made: the output cannot be written.
        {"generate --count 5 -o nosuch/list.txt", "-o: folder not found: nosuch", ""},
        {"generate --count 5 --files 3 --preface pw --dir nosuch",
         "--dir: folder not found: " + dir.string() + "/nosuch/", ""},
        {"generate --count 5 --length 8 --min 4", "--length sets --min and --max both: give one or the others", ""},
        {"dict download ../x.dct",
         "dict download: ../x.dct is not a file name; give the name alone, e.g. "
         "wordlist_dutch.dct",
         ""},
        {"dict download '..\\x.dct'",
         "dict download: ..\\x.dct is not a file name; give the name alone, e.g. wordlist_dutch.dct", ""},
        {"dict search abc", "Only words greater than 3 characters may be searched.", ""},
        {"dict build noa.txt noa.dct",
         "The word lists hold no word beginning with A. A dictionary needs one: the program recognises a dictionary "
         "by the first word of its table A.",
         ""},
        // A dictionary check that cannot read its file would pass every password.
        {"generate --count 3 --dict whole --dictionary nosuch.dct", user + "nosuch.dct" + notFoundTail,
         "Get it with: quorlix-cli dict download nosuch.dct, or name another with --dictionary (dict list shows "
         "those present)."},
        {"generate --count 3 --dict hybrid --dictionary nosuch.dct --files 2 --preface pw",
         user + "nosuch.dct" + notFoundTail,
         "Get it with: quorlix-cli dict download nosuch.dct, or name another with --dictionary (dict list shows "
         "those present)."},
        {"generate --count 3 --dict whole --dictionary junk.dct",
         user + "junk.dct file triggered an unknown error. This file may be damaged. please re-download this "
                "dictionary file and try again.",
         "Get it again with: quorlix-cli dict download junk.dct, or name another with --dictionary (dict list shows "
         "those present)."},
    };
    for (const auto& [args, message, hint] : rows) {
        SCOPED_TRACE(args);
        const Result r = run(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, said({message, hint}));
        EXPECT_EQ(r.out, "");
    }
    // A dictionary named by nothing: the window's words, and how to name one.
    const Result r = run("words --count 3 --dictionary ''");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err,
              said({"It appears that no dictionary file has been selected (from the 'Random Words' window) to create "
                    "random words with. You must first select a dictionary file before executing this request. If "
                    "you do not have any dictionary files listed to select from, this means that you must download "
                    "(free) one or more in order to use them. Select the 'DOWNLOAD DICTIONARY FILE' option from the "
                    "'DICTIONARY' menu.",
                    "Name one with --dictionary: quorlix-cli dict list shows those present, dict download --list "
                    "what can be had."}));
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(dir / "pw1.txt"));
    EXPECT_FALSE(fs::exists(user + "noa.dct"));
    EXPECT_FALSE(fs::exists(dir / "pw1.txt"));
}

TEST_F(CliTest, VersionDefaultsStatsAndStandardStreams)
{
    Result r = run("--version");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, std::string("quorlix-cli ") + QUORLIX_VERSION + "\n");

    // Help tells each option's value now and where it comes from.
    r = run("generate --help");
    EXPECT_NE(r.out.find("[now 25, the first-start value]"), std::string::npos);
    EXPECT_NE(r.out.find("Examples:"), std::string::npos);

    // Stored last settings drive a run, with a note; --defaults ignores them.
    std::ofstream(dir / "config" / "Quorlix" / "Quorlix.ini", std::ios::app).flush();
    fs::create_directories(dir / "config" / "Quorlix");
    std::ofstream(dir / "config" / "Quorlix" / "Quorlix.ini") << "[LastSettings]\nPasswordAmount=3\n";
    r = run("generate --help");
    EXPECT_NE(r.out.find("[now 3, from the last settings]"), std::string::npos);
    r = run("generate --length 6");
    EXPECT_EQ(lines(r.out).size(), 3u);
    EXPECT_EQ(r.err, "quorlix-cli: options not given come from the last settings of the desktop program (" +
                         (dir / "config" / "Quorlix" / "Quorlix.ini").string() + "); --defaults ignores them\n");
    EXPECT_EQ(run("generate --length 6 --quiet").err, "");
    r = run("generate --length 6 --defaults");
    EXPECT_EQ(lines(r.out).size(), 25u);
    EXPECT_EQ(r.err, "");

    const struct {
        const char* args;
        const char* out;
    } stats[] = {
        {"generate --defaults --length 4 --pool number --stats",
         "Possible passwords: 10000\nEntropy per password: 13.3 bits\n"},
        {"generate --defaults --min 1 --max 2 --pool number --rule 2=number --stats",
         "Possible passwords: 110\nEntropy per password: 6.0 bits\n"},
        {"generate --defaults --length 8 --pool all --side --stats",
         "Possible passwords: at most 6095689385410816\nEntropy per password: at most 52.4 bits\n(The "
         "side-by-side, sequential, strong-password and dictionary checks leave some out.)\n"},
    };
    for (const auto& row : stats) {
        SCOPED_TRACE(row.args);
        r = run(row.args);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out, row.out);
    }
    r = run("generate --defaults --count 200 --length 12 --pool unambiguous");
    for (const auto& pw : lines(r.out))
        EXPECT_EQ(pw.find_first_of("0OoQD1lIij|!'`\",.:;2Z5S8B6G"), std::string::npos) << pw;

    // "-": standard input and output.
    r = run("generate --defaults --count 4 --length 5 -o -");
    EXPECT_EQ(lines(r.out).size(), 4u);
    std::ofstream(dir / "in.txt") << "b\na\nc\n";
    r = run("sort - --case-sensitive < in.txt");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "a\nb\nc\n"); // standard output gets LF
    r = run("convert - piped.csv < in.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(slurp(dir / "piped.csv").find("\"\",\"\",\"c\"\r\n"), std::string::npos);
}

struct Shape {
    const char* args;
    int count;
    const char* pattern;
    bool sortedDistinct = false;
};

TEST_F(CliTest, GeneratedPasswordsFollowTheOptions)
{
    const Shape rows[] = {
        {"--count 200 --min 10 --max 10 --pool default62", 200, "[0-9A-Za-z]{10}"},
        {"--count 50 --min 6 --max 6 --hyphens 2,4 --blanks 4 --pool number", 50, "[0-9]{2}-[0-9]{2}- [0-9]{2}"},
        {"--count 100 --min 3 --max 5 --pool lower --rule 1=upper --include A --exclude B", 100, "A[a-zA]{2,4}"},
        {"--count 100 --min 4 --max 4 --pool default88", 100, "[^ljiO01]{4}"},
        {"--count 20 --min 8 --max 8 --pool all --strong", 20, ".{8}"},
        // 100 from 100 possible: only the duplication check makes them all distinct.
        {"--count 100 --min 2 --max 2 --pool number --dups --sort", 100, "[0-9]{2}", true},
        // The saved settings drive the next run.
        {"--count 4 --min 7 --max 7 --pool upper --save-settings my.set", 4, "[A-Z]{7}"},
        {"--settings my.set", 4, "[A-Z]{7}"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const Result r = run(std::string("generate ") + row.args);
        ASSERT_EQ(r.code, 0) << r.err;
        const auto got = lines(r.out);
        ASSERT_EQ(static_cast<int>(got.size()), row.count);
        const std::regex re(row.pattern);
        for (const auto& pw : got)
            EXPECT_TRUE(std::regex_match(pw, re)) << pw;
        if (row.sortedDistinct) {
            EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
            EXPECT_EQ(std::adjacent_find(got.begin(), got.end()), got.end());
        }
    }
}

TEST_F(CliTest, SavesEveryFormatByItsEndingOwnerOnly)
{
    const std::pair<const char*, const char*> files[] = {
        {"a.txt", ""}, {"b.CSV", "\"Quorlix\"\r\n\"Password List\"\r\n"}, {"c.htm", "<HTML>\r\n"}};
    for (const auto& [name, head] : files) {
        SCOPED_TRACE(name);
        const Result r = run(std::string("generate --count 3 --min 5 --max 5 -o ") + name);
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string text = slurp(dir / name);
        EXPECT_TRUE(text.starts_with(head) && text.ends_with("\r\n")) << text;
        EXPECT_EQ(fs::status(dir / name).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write)
            << name;
    }
    EXPECT_EQ(slurp(dir / "a.txt").size(), 3u * 7u);
}

TEST_F(CliTest, MultiFileSeriesLandsInTheFolder)
{
    fs::create_directories(dir / "series");
    const Result r = run("generate --count 10 --min 6 --max 6 --files 3 --preface pw --dir series --type csv");
    ASSERT_EQ(r.code, 0) << r.err;
    for (int f = 1; f <= 3; ++f) {
        const auto text = slurp(dir / "series" / ("pw" + std::to_string(f) + ".csv"));
        EXPECT_EQ(lines(text).size(), 4u + 10u + 4u);
    }
    EXPECT_FALSE(fs::exists(dir / "series" / "pw4.csv"));
    EXPECT_EQ(r.out, "");
}

// Handing passwords out from a script: the roster sets the count, lists go to
// files or straight into chpasswd, and what cannot work is refused before a
// password is made (exit 2, nothing written).
TEST_F(CliTest, RostersHandPasswordsOutToFilesAndPipes)
{
    std::ofstream(dir / "class.csv", std::ios::binary)
        << "Last Name,First Name,Username\r\nDoe,Jane,jdoe\r\n\"O'Brien, Jr.\",S\xC3\xA9" "an,sobrien\r\n";
    std::ofstream(dir / "names.txt") << "Doe, Jane\nRoe, Rich\nRoe, Rich\n";
    std::ofstream(dir / "bad.csv") << "last,first,user\na,b,x\nc,d,x\n";
    std::ofstream(dir / "polish.txt") << "Nowak, Anna\nW\xC3\xB3jcik, \xC5\x81ukasz\n";

    Result r = run("generate --defaults --roster class.csv -l 10 --format chpasswd");
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(lines(r.out).size(), 2u);
    EXPECT_TRUE(std::regex_match(lines(r.out)[0], std::regex("jdoe:[0-9A-Za-z]{10}"))) << r.out;
    EXPECT_TRUE(lines(r.out)[1].starts_with("sobrien:")) << r.out;

    r = run("generate --defaults --roster names.txt --names -l 8");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(lines(r.out).size(), 3u); // a name given twice is fine without user names
    EXPECT_TRUE(lines(r.out)[1].starts_with("Roe, Rich\t")) << r.out;

    r = run("generate --defaults --roster class.csv -l 10 --hash sha512crypt -o list.csv");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(slurp(dir / "list.csv").find("\"Last Name\",\"First Name\",\"Password\",\"Hash\"\r\n\"Doe\",\"Jane\","),
              std::string::npos);

    // A series: each file is the whole roster.
    fs::create_directories(dir / "series");
    r = run("generate --defaults --roster class.csv -l 10 --files 2 --preface v --dir series --type manager-csv");
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* name : {"v1.csv", "v2.csv"}) {
        const auto rows = lines(slurp(dir / "series" / name));
        ASSERT_EQ(rows.size(), 3u) << name;
        EXPECT_EQ(rows[0], "title,username,password,notes\r");
        EXPECT_TRUE(rows[2].starts_with("\"S\xC3\xA9" "an O'Brien, Jr.\",\"sobrien\",\"")) << rows[2];
    }

    const std::pair<std::string, std::string> refusals[] = {
        {"generate --defaults --roster bad.csv -o x.txt",
         "The roster bad.csv: line 3 gives the user name \"x\" again, already given on line 2.\n"},
        {"generate --defaults --roster polish.txt -o x.mdb",
         "The roster polish.txt: the name \"\xC5\x81ukasz\" of person 2 has the character 0x0141, which .mdb files "
         "cannot hold (Access 97 databases hold the characters of code page 1252)\n"},
        {"generate --defaults --roster class.csv --count 5 -o x.txt",
         "--count 5: the roster class.csv names 2 people, and the count follows the roster; leave --count out\n"},
        {"generate --defaults -n 3 --format chpasswd",
         "A list for chpasswd needs user names: a roster with a user-name column, or a user-name prefix (pupil "
         "makes pupil001, pupil002, ...).\n"},
        {"generate --defaults -n 3 --hash md5 -o x.csv", "--hash: choose yescrypt, sha512crypt or bcrypt\n"},
        {"generate --defaults -n 3 --qr -o x.txt",
         "--qr, --heading, --slips-per-page and --paper shape slips: save to a .pdf file or use --format pdf\n"},
        {"generate --defaults -n 3 --slips-per-page 6 -o x.pdf", "--slips-per-page: choose 1, 4, 8 or 10\n"},
        {"generate --defaults -n 3 --format pdf", "--format pdf makes a file, not text: name it with -o FILE\n"},
    };
    for (const auto& [args, message] : refusals) {
        r = run(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_EQ(r.err.substr(0, message.size() + 13), "quorlix-cli: " + message) << args;
        EXPECT_FALSE(fs::exists(dir / "x.txt") || fs::exists(dir / "x.csv") || fs::exists(dir / "x.pdf") ||
                     fs::exists(dir / "x.mdb")) << args;
    }

    // Slips: owner-only, a PDF.
    r = run("generate --defaults -n 3 -l 10 --user-prefix guest --qr --heading Wi-Fi -o codes.pdf");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(slurp(dir / "codes.pdf").starts_with("%PDF-"));
    EXPECT_EQ(fs::status(dir / "codes.pdf").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// Ctrl-C in a terminal: the run stops at once and what was made is written.
// Standard error is a terminal, so the run draws its progress line; the
// signal goes as soon as that line counts passwords made. Rows are printed at
// the end, so a process killed by the signal would print none.
TEST_F(CliTest, InterruptStopsTheRunAndKeepsWhatWasMade)
{
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const pid_t child =
        start({"generate", "--count", "10000000", "--min", "32", "--max", "32", "--pool", "default62", "--no-sort"},
              ::ptsname(terminal));
    ASSERT_GT(child, 0);

    std::string err;
    bool interrupted = false;
    const std::regex counted("([1-9][0-9]*) of 10000000");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    char buffer[4096];
    for (pollfd ready{terminal, POLLIN, 0}; std::chrono::steady_clock::now() < deadline;) {
        if (::poll(&ready, 1, 1000) <= 0)
            continue;
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0)
            break; // the program has ended: its side of the terminal is closed
        err.append(buffer, static_cast<std::size_t>(n));
        if (!interrupted && std::regex_search(err, counted)) {
            ::kill(child, SIGINT);
            interrupted = true;
        }
    }
    if (std::chrono::steady_clock::now() >= deadline)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);

    ASSERT_TRUE(interrupted) << err;
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130);
    const std::size_t made = lines(slurp(dir / "out")).size();
    EXPECT_GT(made, 0u);
    EXPECT_LT(made, 10000000u);
    // The progress line is cleared before the last word.
    EXPECT_EQ(err.substr(err.find_last_of('\r') + 1),
              said({"Stopped: " + std::to_string(made) + " passwords written to standard output."}))
        << err;
}

// Runs that could never finish: more distinct passwords asked for than can
// exist is refused before the run; a position that nothing can follow starts
// the password again instead of drawing for ever.
TEST_F(CliTest, RunsThatCouldNeverFinish)
{
    Result r = run("generate --count 10001 --min 4 --max 4 --pool number --dups", "timeout 120");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, said({"Cannot make 10001 different passwords: the current settings allow at most 10000 different "
                           "passwords, and the duplication check allows no repeats. Request 10000 or fewer, allow more "
                           "characters, words or lengths, or switch off the duplication check.",
                           "Lower --count, allow more characters, words or lengths, or leave the duplication check off "
                           "(--no-dups)."}));
    r = run("generate --count 1000 --min 6 --max 6 --pool upper --include 5 --rule 2=number --side", "timeout 120");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto got = lines(r.out);
    EXPECT_EQ(got.size(), 1000u);
    for (const auto& pw : got)
        EXPECT_TRUE(std::regex_match(pw, std::regex("[A-Z]5[A-Z5]{4}"))) << pw;
}

// SIGTERM as soon as the save writes into its temporary file (the kernel's
// notice of the first write says when): the write is cut short, and its
// temporary file goes with the process.
TEST_F(CliTest, ATerminatingSignalLeavesNoTemporaryFile_slow)
{
    const int notices = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(notices, 0);
    ASSERT_GE(::inotify_add_watch(notices, dir.string().c_str(), IN_MODIFY), 0);
    const pid_t child = start(
        {"generate", "--count", "1500000", "--min", "60", "--max", "60", "--no-dups", "--no-sort", "-o", "big.txt"});
    ASSERT_GT(child, 0);

    bool killed = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    alignas(inotify_event) char buffer[4096];
    for (pollfd ready{notices, POLLIN, 0}; !killed && std::chrono::steady_clock::now() < deadline;) {
        if (::poll(&ready, 1, 1000) <= 0)
            continue;
        const ssize_t n = ::read(notices, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && std::string_view(event->name).starts_with(".quorlix-tmp-")) {
                ::kill(child, SIGTERM);
                killed = true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (!killed)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(notices);

    ASSERT_TRUE(killed) << "no temporary file was written: " << slurp(dir / "err");
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status; // ended by the signal
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".quorlix-tmp-"), std::string::npos) << entry.path();
    EXPECT_FALSE(fs::exists(dir / "big.txt"));
}

TEST_F(CliTest, FileCommandsSortConvertCompactRepair)
{
    std::ofstream(dir / "list.txt", std::ios::binary) << "b\r\nA\r\na\r\nB\r\n";
    Result r = run("sort list.txt --case-sensitive");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(slurp(dir / "list.txt"), "A\r\nB\r\na\r\nb\r\n");
    // Through a link: the file it points at is sorted, the link stays.
    fs::create_symlink("list.txt", dir / "link.txt");
    ASSERT_EQ(run("sort link.txt").code, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(slurp(dir / "list.txt"), "A\r\na\r\nB\r\nb\r\n");
    EXPECT_EQ(run("sort missing.txt").code, 1);
    EXPECT_FALSE(fs::exists(dir / "missing.txt"));

    r = run("generate --count 50 --min 8 --max 8 --no-sort -o list.mdb");
    ASSERT_EQ(r.code, 0) << r.err;
    std::ofstream(dir / "list.txt", std::ios::binary) << "alpha\r\n   \r\n beta \r\n";
    r = run("convert list.txt conv.mdb");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, said({"Saved Database File: conv.mdb (1 blank line skipped)"}));
    r = run("convert list.txt conv.csv");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(slurp(dir / "conv.csv").find("\"\",\"\",\" beta \"\r\n"), std::string::npos);
    EXPECT_EQ(run("convert list.txt conv.doc").code, 2);
    // A conversion that does not complete leaves the existing target as it was:
    // a refused line exits 2 with one message, an unreadable source 1.
    const std::string csvBefore = slurp(dir / "conv.csv");
    const std::string mdbBefore = slurp(dir / "conv.mdb");
    std::ofstream(dir / "long.txt", std::ios::binary) << "ok\r\n" << std::string(300, 'x') << "\r\n";
    r = run("convert long.txt conv.mdb");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
    fs::create_directories(dir / "folder.txt");
    EXPECT_EQ(run("convert folder.txt conv.csv").code, 1);
    EXPECT_EQ(slurp(dir / "conv.mdb"), mdbBefore);
    EXPECT_EQ(slurp(dir / "conv.csv"), csvBefore);
    r = run("compact list.mdb small.mdb");
    ASSERT_EQ(r.code, 0) << r.err;
    r = run("repair small.mdb");
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* name : {"list.mdb", "conv.mdb", "small.mdb"})
        EXPECT_GT(fs::file_size(dir / name), 4096u) << name;
    // What cannot be copied is refused (2) with the reason, and no file changes.
    std::string locked = slurp(dir / "list.mdb");
    locked[0x3E] = static_cast<char>(locked[0x3E] ^ 1); // the header's "encrypted" key, under its mask
    std::ofstream(dir / "locked.mdb", std::ios::binary) << locked;
    for (const char* command : {"compact locked.mdb copy.mdb", "repair locked.mdb"}) {
        r = run(command);
        EXPECT_EQ(r.code, 2) << command;
        EXPECT_EQ(r.err, said({"Encrypted databases cannot be compacted or repaired: their pages cannot be read "
                               "without Microsoft's engine."}))
            << command;
    }
    EXPECT_EQ(slurp(dir / "locked.mdb"), locked);
    EXPECT_FALSE(fs::exists(dir / "copy.mdb"));
    std::ofstream(dir / "junk.mdb", std::ios::binary) << std::string(5000, 'x');
    r = run("repair junk.mdb");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(slurp(dir / "junk.mdb"), std::string(5000, 'x')); // a failed repair keeps the original
}

TEST_F(CliTest, WordsDictionaryCheckAndSearch)
{
    Result r = run("words --count 30 --words 3 --separator - --digits 3 --no-dups --no-upper");
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(lines(r.out).size(), 30u);
    for (const auto& pw : lines(r.out))
        EXPECT_TRUE(std::regex_match(pw, std::regex("[^-0-9A-Z]{4,}-[^-0-9A-Z]{4,}-[^-0-9A-Z]{4,}[0-9]{3}"))) << pw;
    // A one-character separator of two bytes.
    r = run("words --count 3 --words 2 --separator é --no-digits");
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(lines(r.out).size(), 3u);
    for (const auto& pw : lines(r.out))
        EXPECT_NE(pw.find("é"), std::string::npos) << pw;

    // Whole-word checking takes "'" and "|" out of the pool with its notice, then runs.
    r = run("generate --count 5 --min 6 --max 6 --pool lower --include \"'|\" --dict whole");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.starts_with(said({"The following Special Symbols have been deactivated:", "'", "|"}))) << r.err;
    for (const auto& pw : lines(r.out))
        EXPECT_TRUE(std::regex_match(pw, std::regex("[a-z]{6}"))) << pw;

    r = run("dict search qzxqzxqz");
    EXPECT_EQ(r.code, 1); // not found
    EXPECT_EQ(r.out, "No matching words found.\n");
    r = run("dict search house");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Found: house\n");
    // A built dictionary without a folder lands in the user's folder; list shows where each is.
    std::ofstream(dir / "words.txt") << "zebra\nzulu\nalpha\n";
    r = run("dict build words.txt mine.dct");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "data" / "quorlix" / "mine.dct"));
    r = run("dict list");
    EXPECT_NE(r.out.find("mine.dct\t" + (dir / "data" / "quorlix").string() + "/\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("wordlist_english_abridged.dct\t"), std::string::npos);
    EXPECT_EQ(lines(run("words --count 2 --words 1 --no-digits --dictionary mine.dct").out).size(), 2u);

    // A download lands in the user's folder and becomes the dictionary check's,
    // as the download window makes it (file:// goes through the same client).
    fs::create_directories(dir / "site" / "software");
    fs::copy_file(dir / "data" / "quorlix" / "mine.dct", dir / "site" / "software" / "fetched.dct");
    fs::create_directories(dir / "config" / "Quorlix");
    std::ofstream(dir / "config" / "Quorlix" / "Quorlix.ini")
        << "[Settings]\nDownloadBase=file://" << (dir / "site").string() << "\n";
    r = run("dict download fetched.dct");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "data" / "quorlix" / "fetched.dct"));
    const std::string ini = slurp(dir / "config" / "Quorlix" / "Quorlix.ini");
    EXPECT_NE(ini.find("DictionaryFile=fetched.dct"), std::string::npos) << ini;
    EXPECT_NE(ini.find("DictionaryCheck=False"), std::string::npos) << ini;
    EXPECT_EQ(run("dict search zebra --quiet").code, 2); // no such option: refused
    r = run("dict search zebra");
    EXPECT_EQ(r.code, 0) << r.err; // the search now reads the check's dictionary
    EXPECT_EQ(r.out, "Found: zebra\n");
}

} // namespace

namespace
{

// Every --option the commands' help shows, and every one the manual page names.
std::set<std::string> longOptions(const std::string& text)
{
    std::set<std::string> out;
    const std::regex option("--[a-z][a-z-]*[a-z]");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        out.insert(it->str());
    return out;
}

TEST_F(CliTest, ManualPageNamesEveryOptionOfTheHelpAndNoOther)
{
    std::string help;
    for (const char* command : {"", "generate", "words", "pronounceable", "dict", "dict list", "dict search", "dict download",
                                "dict build", "sort", "convert", "compact", "repair"})
        help += run(std::string(command) + " --help").out;
    std::string page = slurp(fs::path(QUORLIX_SOURCE_DIR) / "man" / "quorlix-cli.1");
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    EXPECT_EQ(longOptions(page), longOptions(help));

    // The value each option takes has the same name in both (N, FILE, ...).
    const auto valueNames = [](std::string text) {
        text = std::regex_replace(text, std::regex(R"(\\f[IRB]|")"), "");
        std::map<std::string, std::set<std::string>> out;
        const std::regex pair(R"((--[a-z][a-z-]*[a-z])[ ,]+([A-Z][A-Z=]+)\b)");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), pair); it != std::sregex_iterator(); ++it)
            out[(*it)[1]].insert((*it)[2]);
        return out;
    };
    const auto inHelp = valueNames(help);
    const auto inPage = valueNames(page);
    EXPECT_GE(inHelp.size(), 15u);
    EXPECT_EQ(inHelp, inPage);

    // Help fits 80 columns; only a word longer than that (a path) stands alone past them.
    for (const std::string& line : lines(help)) {
        const std::string words = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        EXPECT_TRUE(line.size() <= 80u || words.find(' ') == std::string::npos) << line;
    }
}

} // namespace
