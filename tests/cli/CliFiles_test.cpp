// quorlix-cli and the files it reads and writes: what it refuses before a
// password is made, what a failure says, what it leaves behind.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace quorlix::testing {
namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

const std::string kErrorText =
    " Error Occured...Results may be less than requested. Please Investigate Possible Causes:\n\n     - Too many "
    "passwords requested for the amount of characters requested.\n     - Out of Memory (lower amount).\n     - "
    "Invalid characters used (i.e letters not numbers).\n";

// What quorlix-cli writes to standard error for text: each line with the
// program's name before it, trimmed, blank lines left out.
std::string said(const std::string& text)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        const std::size_t first = line.find_first_not_of(' ');
        if (first != std::string::npos)
            out += "quorlix-cli: " + line.substr(first, line.find_last_not_of(' ') - first + 1) + "\n";
        at = end + 1;
    }
    return out;
}

class CliFilesTest : public TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        fs::create_directories(m_dir / "config");
        fs::create_directories(m_dir / "tmp");
    }

    // Runs the CLI in the test's folder with its own settings store and
    // $TMPDIR; launcher goes before it, input is the shell's redirection.
    Result run(const std::string& args, const std::string& launcher = "", const std::string& input = "</dev/null")
    {
        const std::string cmd = "cd '" + m_dir.string() + "' && XDG_CONFIG_HOME='" + path("config") +
                                "' XDG_DATA_HOME='" + path("data") + "' TMPDIR='" + path("tmp") + "' " + launcher +
                                " '" + QUORLIX_CLI_PATH + "' " + args + " " + input + " >'" + path("out") + "' 2>'" +
                                path("err") + "'";
        // Through bash, for $'...' in the arguments.
        writeBytes(path("run.sh"), cmd + "\n");
        const int status = std::system(("bash '" + path("run.sh") + "'").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read("out"), read("err")};
    }

    // A full disk, as far as this run is concerned: files stop growing at kib KiB.
    static std::string diskOf(int kib)
    {
        return "bash -c 'trap \"\" XFSZ; ulimit -f " + std::to_string(kib) + "; exec \"$@\"' _";
    }
};

// A conversion that fails leaves no new file (a part of a list would pass for
// the whole); standard input is kept in no named file, whatever the command.
TEST_F(CliFilesTest, ConvertAndSortLeaveNothingBehind)
{
    writeBytes(path("long.txt"), "ok\r\n" + std::string(300, 'x') + "\r\n");
    Result r = run("convert long.txt new.mdb");
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(fs::exists(path("new.mdb")));
    r = run("convert - new.mdb", "", "<long.txt");
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(fs::exists(path("new.mdb")));

    writeBytes(path("in.txt"), "b\na\nc\n");
    r = run("sort - --case-sensitive", "", "<in.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "a\nb\nc\n"); // standard output gets LF
    r = run("convert - piped.csv", "", "<in.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(read("piped.csv").find("\"\",\"\",\"c\"\r\n"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(path("tmp")));
    EXPECT_EQ(read("in.txt"), "b\na\nc\n");
}

// The Part's error text stays; the real cause and the file follow it. A
// database's failure names the user's file, not its temporary one.
TEST_F(CliFilesTest, FailuresNameTheRealCauseAndTheUsersFile)
{
    fs::create_directories(path("series"));
    Result r = run("generate --defaults -n 3000 -l 8 --files 2 --preface p --dir series", diskOf(16));
    EXPECT_EQ(r.code, 1);
    const std::string p1 = path("series") + "/p1.txt";
    EXPECT_EQ(r.err, said(kErrorText + "\n" + p1 + " could not be written. Could not write " + p1 +
                         ": File too large\nFiles finished before this one are complete; no earlier file of this "
                         "name was replaced.\n"));
    EXPECT_TRUE(fs::is_empty(path("series")));

    r = run("generate --defaults -n 20000 -l 8 -o list.mdb", diskOf(16));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, said("Could not save list.mdb: Could not write list.mdb: File too large\n"));
    EXPECT_FALSE(fs::exists(path("list.mdb")));
}

// A file without a single setting, or one so large that its first MiB does
// not hold the lines of one, is refused; lines that cannot be read are named.
TEST_F(CliFilesTest, SettingsFilesThatHoldNoSettingsAreRefused)
{
    ASSERT_EQ(run("generate --defaults -n 1 --save-settings good.set").code, 0);
    const std::string good = read("good.set");
    std::string utf16 = "\xFF\xFE";
    for (char c : good)
        utf16 += std::string{c, '\0'};
    writeBytes(path("utf16.set"), utf16);
    writeBytes(path("list.set"), "x7Kq2mWp\r\nAb3dEf9h\r\nzzTop-12\r\n");
    std::string noise(100000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    writeBytes(path("noise.set"), noise);
    const std::pair<std::string, std::string> refused[] = {
        {"list.set", "list.set is not a settings file: none of its lines holds a setting"},
        {"utf16.set", "utf16.set is not a settings file: none of its lines holds a setting"},
        {"noise.set", "noise.set is not a settings file: none of its lines holds a setting"},
        {"/dev/null", "/dev/null is not a settings file: none of its lines holds a setting"},
    };
    for (const auto& [file, message] : refused) {
        SCOPED_TRACE(file);
        const Result r = run("generate -n 2 --settings " + file);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, said("--settings: " + message + "\n"));
        EXPECT_EQ(r.out, "");
    }
    Result r = run("generate -n 2 --settings /dev/zero", "timeout 60");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, said("--settings: /dev/zero is not a settings file: its first 1 MiB does not hold the 306 lines "
                          "of one.\n"));

    // A file cut short, with one number spoiled: the rest is used, the lines named.
    std::vector<std::size_t> ends{0}; // where each line of good starts
    for (std::size_t at = good.find("\r\n"); at != std::string::npos; at = good.find("\r\n", at + 2))
        ends.push_back(at + 2);
    writeBytes(path("short.set"), good.substr(0, ends[1]) + "abc\r\n" + good.substr(ends[2], ends[100] - ends[2]));
    r = run("generate -n 2 --settings short.set");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, said("--settings: short.set: line 2 (minimum total characters) could not be read; kept as it was\n"
                     "--settings: short.set: lines 101 to 297 (blank after position 38 to rule of position 60) are "
                     "missing; kept as it was\n"));
}

// Only a run that was accepted writes --save-settings.
TEST_F(CliFilesTest, SaveSettingsOnlyForAcceptedRuns)
{
    for (const char* args : {"generate -n 0 --save-settings r.set", "generate -n 5 --min 9 --max 4 --save-settings r.set",
                             "words -n 2 --dictionary missing.dct --save-settings r.set"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(run(args).code, 2);
        EXPECT_FALSE(fs::exists(path("r.set")));
    }
    const Result r = run("generate --defaults -n 2 -l 9 --save-settings r.set");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(read("r.set").substr(0, 15), " 2 \r\n 9 \r\n 9 \r\n");
}

// Numbers are decimal digits: 010 is ten, not eight; hexadecimal, exponents,
// blanks and empty values are refused, naming the option.
TEST_F(CliFilesTest, NumbersAreDecimalDigitsOnly)
{
    Result r = run("generate --defaults -n 003 -l 010");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.size(), 3u * 11u);
    const std::pair<const char*, const char*> refused[] = {
        {"generate -n 0x10", "--count: takes a whole number in decimal digits, not \"0x10\""},
        {"generate -n ''", "--count: takes a whole number in decimal digits, not \"\""},
        {"generate -n 5 --min ' 4'", "--min: takes a whole number in decimal digits, not \" 4\""},
        {"generate -n 5 --max 1e1", "--max: takes a whole number in decimal digits, not \"1e1\""},
        {"generate -n 5 --files 0b10 --preface p", "--files: takes a whole number in decimal digits, not \"0b10\""},
        {"generate -n 5 -l -8", "--length: takes a whole number in decimal digits, not \"-8\""},
        {"generate -n 99999999999999999999", "--count: 99999999999999999999 is out of range"},
        {"words --words 0x2", "--words: takes a whole number in decimal digits, not \"0x2\""},
        {"words --digits ''", "--digits: takes a whole number in decimal digits, not \"\""},
        {"words --min-word 05.0", "--min-word: takes a whole number in decimal digits, not \"05.0\""},
        {"words --max-word +9", "--max-word: takes a whole number in decimal digits, not \"+9\""},
    };
    for (const auto& [args, message] : refused) {
        SCOPED_TRACE(args);
        r = run(args);
        EXPECT_EQ(r.code, 2);
        const std::string command(args, std::string_view(args).find(' '));
        EXPECT_EQ(r.err, said(std::string(message) + "\nRun 'quorlix-cli " + command + " --help' for more.\n"));
        EXPECT_EQ(r.out, "");
    }
}

// A separator the output cannot hold is refused before the run, naming the
// file type; one it can hold is written.
TEST_F(CliFilesTest, SeparatorsTheOutputCannotHoldAreRefused)
{
    const std::pair<std::string, std::string> refused[] = {
        {"-o x.mdb --separator 😀",
         "--separator: the character 0x1F600 cannot be stored in .mdb files (Access 97 databases hold the characters "
         "of code page 1252)"},
        {"-o x.mdb --separator Ж",
         "--separator: the character 0x0416 cannot be stored in .mdb files (Access 97 databases hold the characters "
         "of code page 1252)"},
        {"-o x.txt --separator $'\\xff'", "--separator: the byte 0xFF is not a UTF-8 character; .txt files take UTF-8 "
                                          "text"},
        {"--separator $'\\xff'", "--separator: the byte 0xFF is not a UTF-8 character; standard output takes UTF-8 "
                                 "text"},
        {"-o x.csv --separator $'\\n'", "--separator: a line end cannot go into .csv files, where every password is "
                                        "one line"},
        {"--files 2 --preface w --type mdb --separator 😀",
         "--separator: the character 0x1F600 cannot be stored in .mdb files (Access 97 databases hold the characters "
         "of code page 1252)"},
    };
    for (const auto& [args, message] : refused) {
        SCOPED_TRACE(args);
        const Result r = run("words --defaults -n 3 --words 2 " + args);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, said(message + "\n"));
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"config", "err", "out", "run.sh", "tmp"}));
    const Result r = run("words --defaults -n 3 --words 2 --separator é -o x.mdb");
    EXPECT_EQ(r.code, 0) << r.err;
}

// A preface that would leave --dir, or make names no one can type, is refused.
TEST_F(CliFilesTest, PrefaceThatIsNoPlainNameIsRefused)
{
    fs::create_directories(path("series"));
    for (const char* preface : {"../x", "a/b", "$'a\\nb'", "..", "$'\\t'"}) {
        SCOPED_TRACE(preface);
        const Result r = run(std::string("generate --defaults -n 2 --files 2 --dir series --preface ") + preface);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, said(" File Name Preface must be the start of a file name: no \"/\", no \"..\" and no control "
                         "characters\nGive --preface the start of a file name, such as batch; --dir chooses the "
                         "folder.\n"));
    }
    EXPECT_TRUE(fs::is_empty(path("series")));
    EXPECT_FALSE(fs::exists(path("x1.txt")));
}

// -q keeps the notes that let a run go on off standard error; a series of
// Random Words files says which options it does not use.
TEST_F(CliFilesTest, NotesAndQuiet)
{
    const std::string series = "words --defaults -n 2 --files 2 --preface w --type csv --sort --dups ";
    const std::string warning =
        "Because Multi-File passwords are written directly to the disk as they are created, only text (.TXT) file "
        "formats can be sorted. In addition, duplication check cannot be performed in multi-file mode when using "
        "the 'Random Words' method.\n";
    Result r = run(series + "--min-word 5 --upper --digits 3");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, said("Note: a series of files ignores --min-word, --upper and the number of --digits (words of any "
                     "length, all in lower case, 2 to 4 digits).\n" +
                         warning));
    r = run(series + "--min-word 5 --upper --digits 3 -q");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, said(""));
    r = run("generate --defaults -n 2 -l 6 --files 2 --preface g --type csv --sort -q");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, said(""));
    r = run("generate --defaults -n 2 -l 6 --files 2 --preface g --type csv --sort");
    EXPECT_EQ(r.err, said("Because Multi-File passwords are written directly to the disk as they are created, only text "
                     "(.TXT) file formats can be sorted.\n"));
}

} // namespace
} // namespace quorlix::testing
