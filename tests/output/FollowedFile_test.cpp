#include "output/FollowedFile.h"

#include <gtest/gtest.h>

#include "OutputTestKit.h"
#include "support/RecordingMessageBoxes.h"

namespace quorlix {
namespace {

using testing::CallLog;
namespace fs = std::filesystem;

class FollowedFileTest : public testing::OutputTest {
protected:
    // The file Save As writes from the list alone, for comparison.
    std::string savedPlainly(const ResultList& list, const std::string& title)
    {
        SaveContext plain{boxes, window, shell, {}};
        saveChosenFile(list, 100000, {path("plain-" + title), "plain-" + title}, plain);
        return read("plain-" + title);
    }

    CallLog log;
    testing::RecordingSurface window{&log};
    testing::RecordingMessageBoxes boxes{&log};
    testing::RecordingShell shell{&log};
};

// Rows followed while a run adds them make the same file, byte for byte, as
// Save As writing the finished list, with the same texts and questions; the
// file appears only when Save As completes it.
TEST_F(FollowedFileTest, MakesTheFileSaveAsWouldWrite)
{
    for (const std::string title : {"list.txt", "list.csv", "list.htm"}) {
        ResultList list;
        FollowedFile followed(path(title), *formatFromFileName(title));
        list.setFollower(&followed);
        list.clear(); // the run's first step: nothing followed yet, nothing lost
        for (int i = 0; i < 70000; ++i)
            list.add("pw\"" + std::to_string(i * 7919 % 100003) + std::string(static_cast<std::size_t>(i % 40), 'z'));
        list.setFollower(nullptr);
        EXPECT_FALSE(fs::exists(path(title))) << title;
        log.clear();
        SaveContext context{boxes, window, shell, {}, nullptr, {}, &followed};
        saveChosenFile(list, 100000, {path(title), title}, context);
        const CallLog followedCalls = log;
        log.clear();
        const std::string plain = savedPlainly(list, title);
        EXPECT_EQ(read(title), plain) << title;
        CallLog plainCalls = log;
        for (std::string& call : plainCalls)
            if (const auto at = call.find("plain-"); at != std::string::npos)
                call.erase(at, 6);
        EXPECT_EQ(followedCalls, plainCalls) << title;
        EXPECT_EQ(followed.rowsFollowed(), 70000u);
    }
}

// When the rows saved are not the rows followed, the followed file is
// dropped and Save As writes the list as usual.
TEST_F(FollowedFileTest, OtherRowsAreSavedAsUsual)
{
    enum class Change { Cleared, RowRemoved, Sorted, OtherFile };
    for (const Change change : {Change::Cleared, Change::RowRemoved, Change::Sorted, Change::OtherFile}) {
        ResultList list;
        FollowedFile followed(path("f.txt"), ListFormat::Txt);
        list.setFollower(&followed);
        for (const char* row : {"c3", "a1", "b2"})
            list.add(row);
        if (change == Change::Cleared) {
            list.clear();
            list.add("d4");
        }
        if (change == Change::RowRemoved)
            list.removeRows({0});
        if (change == Change::Sorted)
            list.setSorted(true);
        list.setFollower(nullptr);
        const std::string title = change == Change::OtherFile ? "g.txt" : "f.txt";
        SaveContext context{boxes, window, shell, {}, nullptr, {}, &followed};
        saveChosenFile(list, 3, {path(title), title}, context);
        const std::string expected = change == Change::Cleared      ? "d4\r\n"
                                     : change == Change::RowRemoved ? "a1\r\nb2\r\n"
                                     : change == Change::Sorted     ? "a1\r\nb2\r\nc3\r\n"
                                                                    : "c3\r\na1\r\nb2\r\n";
        EXPECT_EQ(read(title), expected) << static_cast<int>(change);
        // No temporary file is left behind.
        EXPECT_EQ(files(), std::vector<std::string>{title}) << static_cast<int>(change);
        fs::remove(path(title));
    }
}

} // namespace
} // namespace quorlix
