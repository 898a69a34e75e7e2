#include "words/DictionarySearch.h"

#include <gtest/gtest.h>

#include "WordRunsTestSupport.h"

namespace quorlix {
namespace {

using test::CallLog;
using test::makeTables;
using test::RecordingBoxes;
using test::RecordingSurface;

WordTables searchTables()
{
    return makeTables({{'A', {"at"}},
                       {'B', {"boat", "bat"}},
                       {'C', {"cat"}},
                       {'E', {"ease"}},
                       {'H', {"house", "HOUSEBOAT", "hose"}},
                       {'O', {"oat"}},
                       {'S', {"sea"}},
                       {'U', {"use"}}});
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
    CallLog log;
    RecordingBoxes boxes(log);
    std::string results = GetParam().before;
    searchDictionary(searchTables(), GetParam().typed, GetParam().type, results, boxes);
    EXPECT_EQ(results, GetParam().after);
    if (GetParam().refused) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Only words greater than 3 characters may be searched.");
        EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
    } else {
        EXPECT_TRUE(boxes.shown.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Search,
    ::testing::Values(
        SearchRow{"Cat", SearchType::Whole, "old", "old", true},
        SearchRow{"  c-a-t  ", SearchType::Hybrid, "", "", true},
        SearchRow{"Cats!", SearchType::Whole, "", "No matching words found.\r\n", false},
        SearchRow{"HOUSE", SearchType::Whole, "", "Found: house\r\n", false},
        SearchRow{"houseboat", SearchType::Whole, "Found: house\r\n", "Found: house\r\nFound: HOUSEBOAT\r\n", false},
        // As typed: the surrounding blanks are part of the compared text.
        SearchRow{" house", SearchType::Whole, "", "No matching words found.\r\n", false},
        SearchRow{"houseboat", SearchType::Hybrid, "old",
                  "Found: house\r\nFound: HOUSEBOAT\r\nFound: oat\r\nFound: use\r\nFound: boat\r\n", false},
        SearchRow{"bbbb", SearchType::Hybrid, "old", "No matching words found.", false},
        // H is the third letter: house counts only from there on.
        SearchRow{"xxhouse", SearchType::Hybrid, "", "Found: house\r\n", false},
        SearchRow{"housexx", SearchType::Hybrid, "", "Found: house\r\nFound: use\r\n", false},
        SearchRow{"c-a-t-s", SearchType::Hybrid, "", "No matching words found.", false},
        SearchRow{"  Boat  ", SearchType::Hybrid, "", "Found: boat\r\n", false}));

class Host : public DictionaryCommandHost {
public:
    explicit Host(CallLog& log) : m_log(log) {}
    bool internetConnected() override
    {
        m_log.add("internet?");
        return connected;
    }
    bool runDownloadWindow() override
    {
        m_log.add("downloadWindow");
        return requested;
    }
    void openSearchWindow() override { m_log.add("searchWindow"); }
    void shellOpen(const std::string& address) override { m_log.add("shell:" + address); }
    bool connected = true;
    bool requested = true;

private:
    CallLog& m_log;
};

struct SwitchRow {
    const char* name;
    bool present;
    std::vector<Answer> answers;
    bool connected;
    bool requested;
    bool endsOn;
    std::vector<std::string> calls;
};

class CheckSwitch : public ::testing::TestWithParam<SwitchRow> {};

TEST_P(CheckSwitch, SwitchingOn)
{
    const SwitchRow& row = GetParam();
    test::TempFolder dir;
    if (row.present)
        dir.touch("check.dct");
    CallLog log;
    RecordingSurface surface(log);
    RecordingBoxes boxes(log);
    boxes.answers.assign(row.answers.begin(), row.answers.end());
    Host host(log);
    host.connected = row.connected;
    host.requested = row.requested;
    DictionaryCheckControls controls;
    controls.checkBox = true;
    dictionaryCheckClicked(dir.folder(), "check.dct", "https://dl.example", controls, surface, boxes, host);
    EXPECT_EQ(controls.checkBox, row.endsOn);
    EXPECT_EQ(controls.menuChecked, row.endsOn);
    EXPECT_EQ(controls.modeOptionsEnabled, row.endsOn);
    std::vector<std::string> expected;
    for (const auto& c : row.calls)
        expected.push_back(c == "PROMPT" ? "box:The default Dictionary File does not exist in your program path:\r\n" +
                                               dir.folder() +
                                               "check.dct\r\n\r\nIf you wish to use the Dictionary Check feature, "
                                               "you must either change to a different dictionary file (if you have "
                                               "any) or download a free dictionary file to use. Do you wish to "
                                               "download a dictionary file now?\r\n\r\nPlease make sure you are "
                                               "connected to the Internet prior to selecting 'YES'."
                                         : c);
    EXPECT_EQ(log.calls, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckSwitch,
    ::testing::Values(
        SwitchRow{"present", true, {}, true, true, true, {"status:Dictionary: check.dct"}},
        SwitchRow{"missing_no", false, {Answer::No}, true, true, false, {"PROMPT", "status:No Dictionary Check"}},
        SwitchRow{"missing_offline",
                  false,
                  {Answer::Yes},
                  false,
                  true,
                  false,
                  {"PROMPT", "internet?",
                   "box:You are Not connected To the Internet. Please connect and try again.",
                   "status:No Dictionary Check"}},
        SwitchRow{"missing_cancelled",
                  false,
                  {Answer::Yes},
                  true,
                  false,
                  false,
                  {"PROMPT", "internet?", "downloadWindow", "status:No Dictionary Check"}},
        SwitchRow{"missing_downloaded",
                  false,
                  {Answer::Yes},
                  true,
                  true,
                  false,
                  {"PROMPT", "internet?", "downloadWindow", "shell:https://dl.example/software/check.dct",
                   "status:No Dictionary Check"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DictionaryCommands, MenuTogglesAndChangeFileKeepsBareName)
{
    test::TempFolder dir;
    dir.touch("check.dct");
    CallLog log;
    RecordingSurface surface(log);
    RecordingBoxes boxes(log);
    Host host(log);
    DictionaryCheckControls controls;
    dictionaryMenuClicked(dir.folder(), "check.dct", "b", controls, surface, boxes, host);
    EXPECT_TRUE(controls.checkBox && controls.menuChecked && controls.modeOptionsEnabled);
    dictionaryMenuClicked(dir.folder(), "check.dct", "b", controls, surface, boxes, host);
    EXPECT_FALSE(controls.checkBox || controls.menuChecked || controls.modeOptionsEnabled);
    std::string file = "old.dct";
    changeActiveDictionaryFile("/home/me/elsewhere/mine.dct", file, surface);
    EXPECT_EQ(file, "mine.dct");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"status:Dictionary: check.dct", "status:No Dictionary Check",
                                                   "status:Dictionary: mine.dct"}));
    // View opens the search window only when the file is there.
    checkDictionaryFile(true, dir.folder(), "check.dct", "b", controls, boxes, host);
    EXPECT_EQ(log.calls.back(), "searchWindow");
}

} // namespace
} // namespace quorlix
