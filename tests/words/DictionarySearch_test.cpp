#include "words/DictionarySearch.h"

#include <gtest/gtest.h>

#include "WordsTestSupport.h"

namespace quorlix {
namespace {

using test::CallLog;
using test::makeTables;
using test::RecordingMessageBoxes;
using test::RecordingSurface;

WordTables searchTables()
{
    return makeTables({{'A', {"at"}}, {'B', {"boat", "bat"}}, {'C', {"cat"}}, {'E', {"ease"}},
                       {'H', {"house", "HOUSEBOAT", "hose"}}, {'O', {"oat"}}, {'S', {"sea"}}, {'U', {"use"}}});
}

struct SearchRow {
    const char* typed;
    SearchType type;
    const char* before;
    const char* after;
    bool refused;
};

class Search : public ::testing::TestWithParam<SearchRow> {};

TEST_P(Search, GivesTheResultsBoxText)
{
    RecordingMessageBoxes boxes;
    std::string results = GetParam().before;
    searchDictionary(searchTables(), GetParam().typed, GetParam().type, results, boxes);
    EXPECT_EQ(results, GetParam().after);
    const std::vector<std::string> refusal = {"Only words greater than 3 characters may be searched."};
    EXPECT_EQ(boxes.texts(), GetParam().refused ? refusal : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Search,
    ::testing::Values(
        SearchRow{"Cat", SearchType::Whole, "old", "old", true},
        SearchRow{"  c-a-t  ", SearchType::Hybrid, "", "", true},
        SearchRow{"HOUSE", SearchType::Whole, "", "Found: house\r\n", false},
        SearchRow{"houseboat", SearchType::Whole, "Found: house\r\n", "Found: house\r\nFound: HOUSEBOAT\r\n", false},
        // As typed: the surrounding blanks are part of the compared text.
        SearchRow{" house", SearchType::Whole, "", "No matching words found.\r\n", false},
        SearchRow{"houseboat", SearchType::Hybrid, "old",
                  "Found: house\r\nFound: HOUSEBOAT\r\nFound: oat\r\nFound: use\r\nFound: boat\r\n", false},
        SearchRow{"bbbb", SearchType::Hybrid, "old", "No matching words found.", false},
        // H is the third letter: house counts only from there on.
        SearchRow{"housexx", SearchType::Hybrid, "", "Found: house\r\nFound: use\r\n", false},
        SearchRow{"  Boat  ", SearchType::Hybrid, "", "Found: boat\r\n", false}));

class Host : public DictionaryCommandHost {
public:
    explicit Host(CallLog& log) : m_log(log) {}
    bool internetConnected() override { return m_log.push_back("internet?"), connected; }
    bool runDownloadWindow() override { return m_log.push_back("downloadWindow"), true; }
    void openSearchWindow() override { m_log.push_back("searchWindow"); }
    void shellOpen(const std::string& address) override { m_log.push_back("shell:" + address); }
    bool connected = true;

private:
    CallLog& m_log;
};

struct SwitchRow {
    bool present;
    Answer answer;
    bool connected;
    std::vector<std::string> calls; // PROMPT: the missing-file question
};

class CheckSwitch : public ::testing::TestWithParam<SwitchRow> {};

TEST_P(CheckSwitch, SwitchingOn)
{
    const SwitchRow& row = GetParam();
    test::TempFolder dir;
    if (row.present)
        dir.touch("check.dct");
    CallLog log;
    RecordingSurface surface(&log);
    RecordingMessageBoxes boxes(&log);
    boxes.answers = {row.answer};
    Host host(log);
    host.connected = row.connected;
    DictionaryCheckControls controls;
    controls.checkBox = true;
    dictionaryCheckClicked(dir.folder(), "check.dct", "https://dl.example", controls, surface, boxes, host);
    EXPECT_EQ(controls.checkBox && controls.menuChecked && controls.modeOptionsEnabled, row.present);
    EXPECT_EQ(controls.checkBox || controls.menuChecked || controls.modeOptionsEnabled, row.present);
    std::vector<std::string> expected;
    for (const auto& c : row.calls)
        expected.push_back(c != "PROMPT" ? c
                                         : "message:The default Dictionary File does not exist in your program "
                                           "path:\r\n" + dir.folder() +
                                               "check.dct\r\n\r\nIf you wish to use the Dictionary Check feature, "
                                               "you must either change to a different dictionary file (if you have "
                                               "any) or download a free dictionary file to use. Do you wish to "
                                               "download a dictionary file now?\r\n\r\nPlease make sure you are "
                                               "connected to the Internet prior to selecting 'YES'.");
    EXPECT_EQ(log, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckSwitch,
    ::testing::Values(
        SwitchRow{true, Answer::Yes, true, {"setStatus:Dictionary: check.dct"}},
        SwitchRow{false, Answer::No, true, {"PROMPT", "setStatus:No Dictionary Check"}},
        SwitchRow{false, Answer::Yes, false,
                  {"PROMPT", "internet?", "message:You are Not connected To the Internet. Please connect and try again.",
                   "setStatus:No Dictionary Check"}},
        SwitchRow{false, Answer::Yes, true,
                  {"PROMPT", "internet?", "downloadWindow", "shell:https://dl.example/software/check.dct",
                   "setStatus:No Dictionary Check"}}));

TEST(DictionaryCommands, ChangeFileKeepsBareName)
{
    CallLog log;
    RecordingSurface surface(&log);
    std::string file = "old.dct";
    changeActiveDictionaryFile("/home/me/elsewhere/mine.dct", file, surface);
    EXPECT_EQ(file, "mine.dct");
    EXPECT_EQ(log, std::vector<std::string>{"setStatus:Dictionary: mine.dct"});
}

} // namespace
} // namespace quorlix
