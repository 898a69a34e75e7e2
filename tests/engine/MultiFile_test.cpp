#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "engine/CharacterDraw.h"
#include "output/SortTextFile.h"
#include "support/TempFolder.h"

namespace quorlix::testing {
namespace {

namespace fs = std::filesystem;

// The file's lines; a last line without CR LF is marked so it fails comparisons.
std::vector<std::string> crlfLines(const fs::path& path)
{
    const std::string text = readBytes(path);
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 2)
        if ((end = text.find("\r\n", at)) == std::string::npos)
            return lines.push_back(text.substr(at) + "<no CRLF>"), lines;
        else
            lines.push_back(text.substr(at, end - at));
    return lines;
}

const std::string kErrorText =
    " Error Occured...Results may be less than requested. Please Investigate Possible Causes:\r\n\r\n     - Too many "
    "passwords requested for the amount of characters requested.\r\n     - Out of Memory (lower amount).\r\n     - "
    "Invalid characters used (i.e letters not numbers).";

class MultiFileTest : public EngineFixture {
protected:
    void SetUp() override
    {
        multiFile.active = 1;
        multiFile.filePreface = "pw";
        multiFile.directory = dir.folder();
        values.totalPasswords = 10;
        values.minLength = values.maxLength = 8;
        surface.logRepaint = false;
        boxes.answers = {Answer::Yes};
    }
    void series(int files, const char* type)
    {
        multiFile.totalFiles = static_cast<std::int16_t>(files);
        multiFile.fileType = type;
    }
    fs::path file(int n, const char* type) const { return dir / ("pw" + std::to_string(n) + "." + type); }

    TempFolder dir;
};

// A csv series holds the writer's own lines around the passwords; a txt series
// is sorted after all its files are written.
TEST_F(MultiFileTest, SeriesWritesEveryFileThenSortsText)
{
    for (const char* type : {"csv", "txt"}) {
        SCOPED_TRACE(type);
        const bool text = type == std::string("txt");
        series(3, type);
        checks.duplication = checks.sortDisplay = text;
        boxes.shown.clear();
        log.clear();
        execute();
        ASSERT_EQ(boxes.shown.size(), 1u); // the question only: no sort warning
        for (int f = 1; f <= 3; ++f) {
            EXPECT_EQ(fs::status(file(f, type)).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write);
            const auto lines = crlfLines(file(f, type));
            ASSERT_EQ(lines.size(), text ? 10u : 18u);
            if (text) { // sorted, and no duplicate within the file
                EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
                EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end());
            } else {
                EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.size() == 16; }), 10);
            }
        }
        EXPECT_FALSE(fs::exists(file(4, type)));
        EXPECT_EQ(list.count(), 0u);
        EXPECT_EQ(surface.callsStartingWith("setProgress:"),
                  (CallLog{"setProgress:0", "setProgress:33", "setProgress:67", "setProgress:100", "setProgress:100"}));
        CallLog statuses;
        for (const char* step : {"Writing to File: pw", "Sorting File: pw"})
            for (int f = 1; f <= (step[0] == 'W' || text ? 3 : 0); ++f)
                statuses.push_back("setStatus:" + std::string(step) + std::to_string(f) + "." + type);
        statuses.push_back("setStatus:Complete");
        EXPECT_EQ(surface.callsStartingWith("setStatus:"), statuses);
        EXPECT_TRUE(surface.called("setCountdown:Deactivated"));
        EXPECT_FALSE(surface.called("setCountdownTimerEnabled:1"));
        EXPECT_EQ(surface.counter, "10");
        EXPECT_EQ(log.back(), "setMethodOptionsEnabled:1");
    }
}

// Only a txt series can be sorted: the others warn when duplication or sort is
// on. A writer that cannot be opened (here none at all) ends with the error.
TEST_F(MultiFileTest, OnlyTextSortsWarning)
{
    const std::vector<std::tuple<const char*, bool, bool, bool>> rows{{"csv", true, false, true},
                                                                      {"htm", false, true, true},
                                                                      {"csv", false, false, false},
                                                                      {"txt", true, true, false},
                                                                      {"mdb", true, false, true}};
    const MultiFileHooks hooks{[](const std::string&, ListFormat, Status*) { return std::unique_ptr<ListWriter>(); },
                               nullptr};
    for (const auto& [type, duplication, sort, warned] : rows) {
        SCOPED_TRACE(std::string(type) + (duplication ? " dup" : "") + (sort ? " sort" : ""));
        series(2, type);
        checks.duplication = duplication;
        checks.sortDisplay = sort;
        boxes.shown.clear();
        boxes.answers = {Answer::Yes};
        execute(nullptr, nullptr, &hooks);
        ASSERT_EQ(boxes.shown.size(), warned ? 3u : 2u);
        if (warned) {
            EXPECT_EQ(boxes.shown[1].text, "Because Multi-File passwords are written directly to the disk as they are "
                                           "created, only text (.TXT) file formats can be sorted.");
        }
        EXPECT_EQ(boxes.shown.back().text, kErrorText + "\r\n\r\n" + file(1, type).string() +
                                               " could not be written. It could not be created.\r\nFiles finished "
                                               "before this one are complete; no earlier file of this name was "
                                               "replaced.");
    }
}

// Stop while password 7 of file 2 is drawn: the prompt reports the 6 the file
// holds; OK keeps what was written, Cancel still writes every password.
TEST_F(MultiFileTest, StopDuringSecondFile)
{
    series(4, "txt");
    checks.sortDisplay = true;
    for (const Answer answer : {Answer::Ok, Answer::Cancel}) {
        surface.onProcessEvents = [this, pressed = false]() mutable {
            if (!pressed && surface.status == "Writing to File: pw2.txt" && surface.counter == "6")
                pressed = true, state.stopRequested = 1;
        };
        boxes.shown.clear();
        boxes.answers = {Answer::Yes, answer};
        execute();
        ASSERT_EQ(boxes.shown.size(), 2u);
        const std::string prompt = boxes.shown[1].text;
        EXPECT_EQ(prompt, "Warning:  You have selected to stop the password generation process. This run has produced "
                          "1 of 4 Files. The current file has produced 6 of 10 requested passwords at the time you "
                          "have elected to stop.\r\n\r\nSelect 'OK' to terminate this run.\r\n\r\nSelect 'Cancel' to "
                          "continue with this run.");
        EXPECT_EQ(boxes.shown[1].buttons, Buttons::OkCancel);
        EXPECT_EQ(crlfLines(file(1, "txt")).size(), 10u);
        if (answer == Answer::Cancel) {
            for (int f = 2; f <= 4; ++f)
                EXPECT_EQ(crlfLines(file(f, "txt")).size(), 10u);
            EXPECT_EQ(surface.status, "Complete");
            break;
        }
        EXPECT_EQ(crlfLines(file(2, "txt")).size(), 6u);
        EXPECT_FALSE(fs::exists(file(3, "txt")));
        EXPECT_EQ(callsAfter("message:" + prompt),
                  "setCounter:6|enableOn|setStopEnabled:0|setExecuteEnabled:1|setStatus:Stopped By User");
        fs::remove(file(1, "txt")), fs::remove(file(2, "txt"));
    }
}

// The strong check filters every file, on the drawn characters alone: the
// hyphen separator is no special symbol.
TEST_F(MultiFileTest, StrongCheckFiltersEveryFile)
{
    series(2, "txt");
    values.totalPasswords = 30;
    values.minLength = values.maxLength = 6;
    inserts.hyphen[3] = 1;
    checks.strong = true;
    execute();
    for (int f = 1; f <= 2; ++f) {
        const auto lines = crlfLines(file(f, "txt"));
        ASSERT_EQ(lines.size(), 30u);
        for (const auto& line : lines) {
            ASSERT_EQ(line.size(), 7u) << line;
            EXPECT_TRUE(hasThreeClasses(line.substr(0, 3) + line.substr(4))) << line;
        }
    }
}

// Checks that reject every candidate (side-by-side switched on with one
// character available) end the run after a long stretch of rejections: the
// file being written is closed with what it holds, later files are not made.
TEST_F(MultiFileTest, EndlessRejectionsKeepTheFileBeingWritten)
{
    series(2, "csv");
    onlyAvailable("0");
    values.totalPasswords = 10'000'000;
    values.minLength = values.maxLength = 2;
    checks.duplication = checks.sortDisplay = false;
    sliced = true;
    script({0.05}); // every draw gives the length 2, the Number class and the digit 0
    std::string written;
    surface.onProcessEvents = [&] {
        if (written.empty() && !surface.counter.empty())
            checks.sideBySide = true, written = surface.counter;
        if (surface.processEventsCount == 2400)
            state.stopRequested = 1; // the fuse, after a minute
    };
    execute();
    const std::string message =
        "Error: Cannot continue. Every password drawn for a long stretch was rejected by the checks that are "
        "switched on, so these settings cannot make the passwords requested. The passwords made so far are kept. "
        "Make more characters, words or lengths available, or switch off some of the checks.";
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, message);
    const auto lines = crlfLines(file(1, "csv"));
    ASSERT_FALSE(written.empty());
    ASSERT_EQ(lines.size(), 4u + std::stoul(written) + 4u); // header, passwords, closing lines
    EXPECT_EQ(lines[4], R"("","","00")");
    EXPECT_FALSE(fs::exists(file(2, "csv")));
    EXPECT_EQ(callsAfter("message:" + message),
              "enableOn|setExecuteEnabled:1|setStopEnabled:0|setMethodOptionsEnabled:1");
}

// A writer that fails part-way: the run ends with the error text, the file is
// discarded and an earlier file of that name is left as it was.
class FailingWriter : public ListWriter {
public:
    void begin() override {}
    void add(std::string_view) override
    {
        if (++m_added == 3)
            throw std::runtime_error("disk full");
    }
    Status finish() override { return Status::ok(); }
    Status closeUnfinished() override { return Status::ok(); }
    void discard() override { ++discarded; }
    static inline int discarded = 0;

private:
    int m_added = 0;
};

TEST_F(MultiFileTest, WriterFailureEndsWithErrorAndKeepsOldFile)
{
    series(3, "txt");
    std::ofstream(file(2, "txt"), std::ios::binary) << "old list\r\n";
    const MultiFileHooks hooks{[](const std::string& path, ListFormat format, Status* error) {
                                   if (path.ends_with("pw2.txt"))
                                       return std::unique_ptr<ListWriter>(new FailingWriter);
                                   return openListFile(path, format, error);
                               },
                               nullptr};
    FailingWriter::discarded = 0;
    execute(nullptr, nullptr, &hooks);
    ASSERT_EQ(boxes.shown.size(), 2u);
    const std::string message = kErrorText + "\r\n\r\n" + file(2, "txt").string() +
                                " could not be written. disk full\r\nFiles finished before this one are complete; no "
                                "earlier file of this name was replaced.";
    EXPECT_EQ(boxes.shown[1].text, message);
    EXPECT_EQ(FailingWriter::discarded, 1);
    EXPECT_EQ(crlfLines(file(1, "txt")).size(), 10u);
    EXPECT_EQ(readBytes(file(2, "txt")), "old list\r\n");
    EXPECT_FALSE(fs::exists(file(3, "txt")));
    EXPECT_EQ(callsAfter("message:" + message),
              "enableOn|setExecuteEnabled:1|setStopEnabled:0|setMethodOptionsEnabled:1");
}

// The error message lists causes that are guesses; the real one follows it:
// a file the disk had no room for, a folder that is gone, a finished text file
// that could not be sorted.
TEST_F(MultiFileTest, ErrorEndNamesTheRealCauseAndTheFile)
{
    struct Row {
        const char* name;
        // The series folder, the settings and hooks to change.
        std::function<void(const fs::path&, MultiFileSettings&, CheckOptions&, MultiFileHooks&)> prepare;
        std::function<std::string(const fs::path&)> cause;
    };
    const Row rows[] = {
        {"full disk",
         [](const fs::path&, MultiFileSettings&, CheckOptions&, MultiFileHooks& hooks) {
             hooks.open = [](const std::string& path, ListFormat format, Status* error) -> std::unique_ptr<ListWriter> {
                 if (!path.ends_with("pw2.txt"))
                     return openListFile(path, format, error);
                 struct Full : ListWriter {
                     void begin() override {}
                     void add(std::string_view) override {}
                     Status finish() override { return Status::ioError("Could not write: No space left on device"); }
                     Status closeUnfinished() override { return finish(); }
                     void discard() override {}
                 };
                 return std::make_unique<Full>();
             };
         },
         [](const fs::path& d) {
             return (d / "pw2.txt").string() +
                    " could not be written. Could not write: No space left on device\r\nFiles finished before this "
                    "one are complete; no earlier file of this name was replaced.";
         }},
        {"folder gone",
         [](const fs::path& d, MultiFileSettings& files, CheckOptions&, MultiFileHooks&) {
             files.directory = (d / "gone").string() + "/";
         },
         [](const fs::path& d) {
             const std::string path = (d / "gone" / "pw1.txt").string();
             return path + " could not be written. Could not create a file in the folder of " + path +
                    ": No such file or directory\r\nFiles finished before this one are complete; no earlier file "
                    "of this name was replaced.";
         }},
        {"sort failed",
         [](const fs::path&, MultiFileSettings&, CheckOptions& options, MultiFileHooks& hooks) {
             options.sortDisplay = true;
             hooks.sort = [](const std::string& path, bool, Status* error) {
                 *error = Status::ioError(path + " can't be replaced safely: the folder F is not writable");
                 return false;
             };
         },
         [](const fs::path& d) {
             const std::string path = (d / "pw1.txt").string();
             return path + " could not be sorted. " + path +
                    " can't be replaced safely: the folder F is not writable\r\nIt is kept as it was written, "
                    "unsorted.";
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        series(2, "txt");
        checks.sortDisplay = false;
        MultiFileHooks hooks{openListFile, SortTextFile};
        row.prepare(dir, multiFile, checks, hooks);
        boxes.shown.clear();
        boxes.answers = {Answer::Yes};
        execute(nullptr, nullptr, &hooks);
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_EQ(boxes.shown.back().text, kErrorText + "\r\n\r\n" + row.cause(dir));
        multiFile.directory = dir.string() + "/";
    }
}

// A file of the series that cannot be replaced safely is refused before a
// password is made: one in a folder that takes no new file, or (for root, who
// may write any folder) one another user planted in a sticky folder open to all.
TEST_F(MultiFileTest, SeriesFileThatCannotBeReplacedSafelyIsRefusedBeforeTheRun)
{
    series(3, "txt");
    const std::string second = file(2, "txt").string();
    std::ofstream(second, std::ios::binary) << "old list\r\n";
    std::string expected;
    if (::geteuid() == 0) {
        fs::permissions(dir, static_cast<fs::perms>(01777));
        ASSERT_EQ(::chown(second.c_str(), 65534, 65534), 0);
        expected = second + " belongs to another user (nobody) in " + dir.string() +
                   "/, a folder everyone may write to: passwords are not written into a file someone may have "
                   "planted there.";
    } else {
        fs::permissions(dir, static_cast<fs::perms>(0555));
        expected = second + " can't be replaced safely: the folder " + dir.string() + "/ is not writable";
    }
    execute();
    fs::permissions(dir, static_cast<fs::perms>(0700));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, expected);
    EXPECT_EQ(readBytes(second), "old list\r\n");
    EXPECT_FALSE(fs::exists(file(1, "txt")));
    EXPECT_TRUE(std::find(log.begin(), log.end(), "enableOff") == log.end());
}

// A preface that would put files outside the folder, or make names no one can
// type, is refused before a file is written, for either method; the window
// refuses it on Accept, but a change kept by Cancel still reaches Execute.
TEST_F(MultiFileTest, PrefaceThatIsNoPlainNameIsRefused)
{
    for (const char* preface : {"../x", "a/b", "x\ny", "..", "tab\there"}) {
        for (const GenerationMethod each : {GenerationMethod::RandomCharacters, GenerationMethod::RandomWords}) {
            SCOPED_TRACE(preface);
            series(2, "txt");
            multiFile.filePreface = preface;
            method = each;
            boxes.shown.clear();
            boxes.answers = {Answer::Yes};
            execute();
            ASSERT_EQ(boxes.shown.size(), 2u);
            EXPECT_EQ(boxes.shown[1].text, " File Name Preface must be the start of a file name: no \"/\", no "
                                           "\"..\" and no control characters");
        }
    }
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_FALSE(fs::exists(dir.root().parent_path() / "x1.txt"));
}

} // namespace
} // namespace quorlix::testing
