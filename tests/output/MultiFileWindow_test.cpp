#include "output/MultiFileWindow.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/RecordingMessageBoxes.h"

namespace quorlix {
namespace {

// Each box as "title|icon|buttons|text".
std::vector<std::string> boxLog(const testing::RecordingMessageBoxes& boxes)
{
    std::vector<std::string> out;
    for (const auto& b : boxes.shown)
        out.push_back(b.title + "|" + std::to_string(static_cast<int>(b.icon)) + "|" +
                      std::to_string(static_cast<int>(b.buttons)) + "|" + b.text);
    return out;
}

const std::string kExcl = "Quorlix|1|0|"; // exclamation icon, OK button

struct AcceptCase {
    const char* name;
    std::string preface;
    std::string total;
    bool activate;
    int type; // -1: never chosen
    Answer answer;
    MultiFileWindow::Outcome outcome;
    std::string message;
    std::int16_t active;
    std::int16_t totalFiles;
    std::string fileType;
};

class MultiFileAccept : public ::testing::TestWithParam<AcceptCase> {};

std::string confirmation(const std::string& total, const std::string& first, const std::string& last)
{
    return "Quorlix|0|1|You have activated multi-file mode. When executed " + total +
           " files will be created starting with: \r\n\r\n" + first +
           "\r\n\r\nCompleting with: \r\n\r\n" + last +
           "\r\n\r\nThey will be saved in the following directory/path: \r\n\r\n/tmp/lists/";
}

TEST_P(MultiFileAccept, ChecksAndStores)
{
    const AcceptCase& c = GetParam();
    MultiFileSettings settings;
    settings.totalFiles = 7;
    testing::RecordingMessageBoxes boxes;
    boxes.answers = {c.answer};
    MultiFileWindow window(settings, boxes);
    window.open();
    window.chooseFolder("/tmp/lists");
    window.setPrefaceText(c.preface);
    window.setTotalFilesText(c.total);
    window.setActivateChecked(c.activate);
    if (c.type >= 0)
        window.chooseType(c.type);
    EXPECT_EQ(window.accept(), c.outcome);
    EXPECT_EQ(boxLog(boxes), std::vector<std::string>{c.message});
    EXPECT_EQ(settings.active, c.active);
    EXPECT_EQ(settings.totalFiles, c.totalFiles);
    EXPECT_EQ(settings.fileType, c.fileType);
}

using O = MultiFileWindow::Outcome;
const std::string kTooFew = kExcl + " Total Files field must be greater than 1";
const std::string kNotWhole = kExcl + " Total Files must be a whole number from 2 to 32,767";
const std::string kNotAName =
    kExcl + " File Name Preface must be the start of a file name: no \"/\", no \"..\" and no control characters";
const std::string kNotActive = kExcl + "Multi-file mode is not in effect. To activate it, select the ACTIVATE "
                                       "check-box. Multi-file mode is NOT in effect.";

INSTANTIATE_TEST_SUITE_P(
    Rows, MultiFileAccept,
    ::testing::Values(
        AcceptCase{"NoPreface", "", "5", true, 0, Answer::Ok, O::StayOpen,
                   kExcl + " File Name Preface field must be filled-in", 0, 5, "txt"},
        AcceptCase{"EmptyTotal", "pw", "", true, 0, Answer::Ok, O::StayOpen, kTooFew, 0, 7, "txt"},
        AcceptCase{"TotalOne", "pw", "1", true, 0, Answer::Ok, O::StayOpen, kTooFew, 0, 1, "txt"},
        AcceptCase{"TotalLetters", "pw", "abc", true, 0, Answer::Ok, O::StayOpen, kNotWhole, 0, 7, "txt"},
        AcceptCase{"TotalTooLarge", "pw", "32768", true, 0, Answer::Ok, O::StayOpen, kNotWhole, 0, 7, "txt"},
        AcceptCase{"TotalMax", "pw", "32767", true, 3, Answer::Ok, O::Close,
                   confirmation("32767", "pw1.csv", "pw32767.csv"), 1, 32767, "csv"},
        AcceptCase{"TwoTypeNeverChosen", "pw", "2", true, -1, Answer::Ok, O::Close,
                   confirmation("2", "pw1.txt", "pw2.txt"), 1, 2, "txt"},
        AcceptCase{"BlankPrefaceAccepted", " ", " 3 ", true, 1, Answer::Ok, O::Close,
                   confirmation("3", " 1.mdb", " 3.mdb"), 1, 3, "mdb"},
        AcceptCase{"CancelStaysOpenButInForce", "pw", "3", true, 2, Answer::Cancel, O::StayOpen,
                   confirmation("3", "pw1.htm", "pw3.htm"), 1, 3, "htm"},
        AcceptCase{"NotTicked", "pw", "4", false, -1, Answer::Ok, O::Close, kNotActive, 0, 4, "txt"},
        // A preface that would leave the folder or make names no one can type.
        AcceptCase{"PrefaceWithFolder", "../x", "3", true, 0, Answer::Ok, O::StayOpen, kNotAName, 0, 3, "txt"},
        AcceptCase{"PrefaceWithSlash", "a/b", "3", true, 0, Answer::Ok, O::StayOpen, kNotAName, 0, 3, "txt"},
        AcceptCase{"PrefaceDotDot", "..", "3", true, 0, Answer::Ok, O::StayOpen, kNotAName, 0, 3, "txt"},
        AcceptCase{"PrefaceWithLineEnd", "pw\n", "3", true, 0, Answer::Ok, O::StayOpen, kNotAName, 0, 3, "txt"},
        AcceptCase{"PrefaceWithDelete", "pw\x7f", "3", true, 0, Answer::Ok, O::StayOpen, kNotAName, 0, 3, "txt"},
        AcceptCase{"PrefaceWithDotsAndUnicode", "pw.v2-é", "2", true, 0, Answer::Ok, O::Close,
                   confirmation("2", "pw.v2-é1.txt", "pw.v2-é2.txt"), 1, 2, "txt"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MultiFileWindow, OpeningShowsTheSettingsLiveUpdatesSurviveCancel)
{
    MultiFileSettings s;
    testing::RecordingMessageBoxes boxes;
    MultiFileWindow w(s, boxes);
    w.open(); // nothing chosen yet
    EXPECT_EQ(std::tuple(w.activateChecked(), w.totalFilesText(), w.typeIndex()), std::tuple(false, "", std::nullopt));
    s = {.active = 1, .filePreface = "pre", .totalFiles = 12, .directory = "", .fileType = "htm"};
    w.open();
    EXPECT_EQ(std::tuple(w.activateChecked(), w.totalFilesText(), w.typeIndex(), w.prefaceText()),
              std::tuple(true, "12", std::optional<int>(2), "pre"));
    w.setPrefaceText("new");
    w.setTotalFilesText("9");
    w.setTotalFilesText("x9"); // does not convert: keeps 9
    w.chooseType(3);
    w.chooseFolder("/data/out");
    w.setActivateChecked(false);
    EXPECT_EQ(w.cancel(), MultiFileWindow::Outcome::Close);
    EXPECT_EQ(s.filePreface, "new");
    EXPECT_EQ(s.totalFiles, 9);
    EXPECT_EQ(s.fileType, "csv");
    EXPECT_EQ(s.directory, "/data/out/");
    EXPECT_EQ(w.shownDirectory(), "/data/out/ ");
    EXPECT_EQ(s.active, 1);
    EXPECT_EQ(s.filePath(2), "/data/out/new2.csv");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(MultiFileWindow, HandOutTypesNameTheirFilesByTheirEnding)
{
    MultiFileSettings s;
    testing::RecordingMessageBoxes boxes;
    MultiFileWindow w(s, boxes);
    w.open();
    const std::pair<int, std::string> types[] = {{4, "pdf"}, {5, "chpasswd"}, {7, "bitwarden-csv"}, {6, "manager-csv"}};
    for (const auto& [index, type] : types) {
        w.chooseType(index);
        EXPECT_EQ(s.fileType, type);
        EXPECT_EQ(w.typeIndex(), index);
    }
    w.chooseFolder("/data/out");
    w.setPrefaceText("vault");
    w.setTotalFilesText("2");
    w.setActivateChecked(true);
    boxes.answers = {Answer::Ok};
    EXPECT_EQ(w.accept(), MultiFileWindow::Outcome::Close);
    EXPECT_EQ(s.filePath(2), "/data/out/vault2.csv");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxLog(boxes)[0].find("vault1.csv\r\n"), std::string::npos) << boxLog(boxes)[0];
}

TEST(MultiFileWindow, TotalFilesConversionAndPathSeparator)
{
    struct Row {
        const char* text;
        std::optional<std::int16_t> value;
    };
    for (const Row& r : {Row{" 12 ", 12}, Row{"-3", -3}, Row{"2.5", 2}, Row{"3.5", 4}, Row{"32767", 32767},
                         Row{"32768", std::nullopt}, Row{"", std::nullopt}, Row{"1e3", std::nullopt}})
        EXPECT_EQ(convertTotalFiles(r.text), r.value) << r.text;
    for (const auto& [folder, dir] : std::vector<std::pair<std::string, std::string>>{
             {"/", "/"}, {"/home/u", "/home/u/"}, {"/home/u/", "/home/u/"}, {"", ""}})
        EXPECT_EQ(withPathSeparator(folder), dir) << folder;
}

TEST(MultiFileWindow, NoFolderAndDriveErrorMessages)
{
    MultiFileSettings s;
    testing::RecordingMessageBoxes boxes;
    MultiFileWindow w(s, boxes);
    w.setPrefaceText("pw");
    w.setTotalFilesText("2");
    w.setActivateChecked(true);
    EXPECT_EQ(w.accept(), MultiFileWindow::Outcome::StayOpen);
    EXPECT_EQ(s.active, 0);
    w.driveFailed();
    EXPECT_EQ(boxLog(boxes), (std::vector<std::string>{kExcl + " Select the directory/path for the files",
                                                   kExcl + "Drive error occured. Please investigate."}));
}

} // namespace
} // namespace quorlix
