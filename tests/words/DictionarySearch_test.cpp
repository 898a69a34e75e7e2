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

TEST(DictionarySearch, GivesTheResultsBoxText)
{
    const auto W = SearchType::Whole, H = SearchType::Hybrid;
    // Every search, a refused one too, starts from an empty results box.
    const std::vector<std::tuple<const char*, SearchType, const char*, const char*, bool>> rows{
        {"Cat", W, "old", "", true},
        {"  c-a-t  ", H, "old", "", true},
        {"HOUSE", W, "", "Found: house\r\n", false},
        {"houseboat", W, "Found: house\r\n", "Found: HOUSEBOAT\r\n", false},
        // As typed: the surrounding blanks are part of the compared text.
        {" house", W, "old", "No matching words found.\r\n", false},
        {"houseboat", H, "old", "Found: house\r\nFound: HOUSEBOAT\r\nFound: oat\r\nFound: use\r\nFound: boat\r\n",
         false},
        {"bbbb", H, "old", "No matching words found.", false},
        // H is the third letter: house counts only from there on.
        {"housexx", H, "", "Found: house\r\nFound: use\r\n", false},
        {"  Boat  ", H, "", "Found: boat\r\n", false}};
    for (const auto& [typed, type, before, after, refused] : rows) {
        RecordingMessageBoxes boxes;
        std::string results = before;
        searchDictionary(searchTables(), typed, type, results, boxes);
        EXPECT_EQ(results, after) << typed;
        const std::vector<std::string> refusal{"Only words greater than 3 characters may be searched."};
        EXPECT_EQ(boxes.texts(), refused ? refusal : std::vector<std::string>{});
    }
}

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

TEST(DictionaryCommands, SwitchingTheCheckOnAndChangingItsFile)
{
    const std::string prompt = "The default Dictionary File does not exist in your program path:\r\n";
    const std::string promptTail =
        "check.dct\r\n\r\nIf you wish to use the Dictionary Check feature, you must either change to a different "
        "dictionary file (if you have any) or download a free dictionary file to use. Do you wish to download a "
        "dictionary file now?\r\n\r\nPlease make sure you are connected to the Internet prior to selecting 'YES'.";
    // present, answer, connected, calls (PROMPT: the missing-file question)
    const std::vector<std::tuple<bool, Answer, bool, std::vector<std::string>>> rows{
        {true, Answer::Yes, true, {"setStatus:Dictionary: check.dct"}},
        {false, Answer::No, true, {"PROMPT", "setStatus:No Dictionary Check"}},
        {false, Answer::Yes, false,
         {"PROMPT", "internet?", "message:You are Not connected To the Internet. Please connect and try again.",
          "setStatus:No Dictionary Check"}},
        {false, Answer::Yes, true,
         {"PROMPT", "internet?", "downloadWindow", "shell:https://dl.example/software/check.dct",
          "setStatus:No Dictionary Check"}}};
    for (const auto& [present, answer, connected, calls] : rows) {
        test::TempFolder dir;
        if (present)
            dir.write("check.dct", "x");
        CallLog log;
        RecordingSurface surface(&log);
        RecordingMessageBoxes boxes(&log);
        boxes.answers = {answer};
        Host host(log);
        host.connected = connected;
        DictionaryCheckControls controls;
        controls.checkBox = true;
        dictionaryCheckClicked(dir.folder(), "check.dct", "https://dl.example", controls, surface, boxes, host);
        EXPECT_EQ(controls.checkBox && controls.menuChecked && controls.modeOptionsEnabled, present);
        EXPECT_EQ(controls.checkBox || controls.menuChecked || controls.modeOptionsEnabled, present);
        std::vector<std::string> expected = calls;
        for (auto& c : expected)
            if (c == "PROMPT")
                c = "message:" + prompt + dir.folder() + promptTail;
        EXPECT_EQ(log, expected);
    }
    // Changing the check's file keeps the bare name.
    CallLog log;
    RecordingSurface surface(&log);
    std::string file = "old.dct";
    changeActiveDictionaryFile("/home/me/elsewhere/mine.dct", file, surface);
    EXPECT_EQ(file, "mine.dct");
    EXPECT_EQ(log, std::vector<std::string>{"setStatus:Dictionary: mine.dct"});
}

} // namespace
} // namespace quorlix
