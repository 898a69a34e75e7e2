// Runs in the window: Execute to rows to Save As, Stop with OK and Cancel, the
// busy state, two windows at once, multi-file runs and Random Words (closing
// during a run: Closing_test).

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <functional>

#include <gmock/gmock.h>

#include "UiTestSupport.h"
#include "engine/RunTexts.h"

namespace fs = std::filesystem;

namespace quorlix::testing
{
namespace
{

struct RunsTest : UiFixture {
    TempFolder dir;
    void SetUp() override { settings.set("Settings", "SaveAsBox", "True"); }
    static void setTotal(ui::MainWindow* w, const char* total) { find<QLineEdit>(w, "Text2")->setText(total); }
    static QString label(ui::MainWindow* w, const char* name) { return find<QLabel>(w, name)->text(); }
    // Waits until a big run has rows to show in its counter.
    static bool running(ui::MainWindow* w)
    {
        return QTest::qWaitFor([w] { return label(w, "Label15").contains(QStringLiteral(" of 10000000")); }, 10000);
    }
};

TEST_F(RunsTest, ExecuteFillsTheDisplayAndSaveAsWritesItsRows)
{
    ui::MainWindow* w = open();
    setTotal(w, "50");
    find<QPushButton>(w, "Command1")->click();
    ASSERT_TRUE(waitIdle(w));
    auto* list = find<QAbstractItemView>(w, "List1");
    ASSERT_EQ(list->model()->rowCount(), 50);
    EXPECT_EQ(label(w, "Label15"), "50 of 50");
    EXPECT_EQ(label(w, "Label2"), "Complete");
    EXPECT_EQ(label(w, "Label10"), " Generated Passwords - Sorted");
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_EQ(list->model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 255));
    EXPECT_EQ(list->model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 255));
    std::string expected;
    QString previous;
    for (int i = 0; i < 50; ++i) {
        const QString row = list->model()->index(i, 0).data().toString();
        EXPECT_EQ(row.size(), 10);
        EXPECT_LT(previous, row); // sorted, no two alike
        previous = row;
        expected += row.toStdString() + "\r\n";
    }
    EXPECT_TRUE(action(w, "SaveAsMenu")->isEnabled());
    EXPECT_TRUE(action(w, "ClearDisplayMenu")->isEnabled());

    prompts.files = {chosen((dir / "list.txt").string())};
    prompts.answers = {Answer::Yes}; // view it
    action(w, "SaveAsMenu")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(readBytes(dir / "list.txt"), expected);
    EXPECT_EQ(label(w, "Label2"), "Saved Text File: list.txt");
    EXPECT_EQ(prompts.fileRequests.back().title, "Enter File Name and Select File Type");
    EXPECT_EQ(prompts.texts().back(), "Do you wish to View/Edit this file now using your default text viewer?");
    EXPECT_EQ(desktop.opened, std::vector<std::string>{"file:" + (dir / "list.txt").string()});
    EXPECT_EQ(fs::status(dir / "list.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(RunsTest, SaveAsShowsItsNoteUntilTheUserTicksNeverAgain)
{
    settings.set("Settings", "SaveAsBox", "False");
    ui::MainWindow* w = open();
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    prompts.files = {std::nullopt}; // the Save dialog is cancelled
    action(w, "SaveAsMenu")->trigger();
    QWidget* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        box = w->findChild<QWidget*>(QStringLiteral("FrmSaveAsBox"));
        return box && box->isVisible();
    }));
    EXPECT_THAT(
        shownTexts(box),
        ::testing::ElementsAre(
            "Quorlix",
            "You may save generated passwords as Text (.txt), MS-Access Database (.mdb), Comma-Seperated Values "
            "(.csv) or Hypertext Markup Language (.htm) files. Simply select the directory you wish to save "
            "your data to in the 'Save in' combo box, type in the name of the file you wish in the 'File name' "
            "field, and then select the file type you wish from the 'Save as type' como box. Once completed, "
            "select the 'Save' button to save your file to disk.",
            "Do not display this message again.", "&OK"));
    find<QCheckBox>(box, "chkMsgDisplay")->setChecked(true);
    find<QPushButton>(box, "cmdOK")->click();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(settings.get("Settings", "SaveAsBox", ""), "True");
    EXPECT_EQ(prompts.fileRequests.size(), 1u);
    EXPECT_TRUE(find<QPushButton>(w, "Command1")->isEnabled()); // a cancelled save leaves the window usable
}

TEST_F(RunsTest, StopAsksAndCancelGoesOnWhileOkKeepsWhatWasMade)
{
    ui::MainWindow* w = open();
    setTotal(w, "10000000");
    prompts.hold = true;
    w->execute();
    ASSERT_TRUE(running(w));
    // The window is busy: what touches the display or the options is off; the counter switch stays.
    EXPECT_FALSE(find<QPushButton>(w, "Command1")->isEnabled());
    EXPECT_TRUE(find<QPushButton>(w, "Command5")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>(w, "Text2")->isEnabled());
    EXPECT_FALSE(action(w, "SaveAsMenu")->isEnabled());
    EXPECT_FALSE(action(w, "mnuExecute")->isEnabled());
    EXPECT_TRUE(find<QCheckBox>(w, "chkCounter")->isEnabled());
    EXPECT_EQ(label(w, "lblCountDown"), "Calculating...");

    find<QPushButton>(w, "Command5")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.pending.empty(); }));
    const std::string prompt = prompts.messages.back().text;
    EXPECT_TRUE(prompt.starts_with("Warning:  You have selected to stop the password generation process. This run "
                                   "has produced "))
        << prompt;
    EXPECT_TRUE(prompt.ends_with(" of 10000000 requested passwords at the time you have elected to stop.\r\n\r\n"
                                 "Select 'OK' to terminate this run.\r\n\r\nSelect 'Cancel' to continue with this "
                                 "run."));
    EXPECT_EQ(prompts.messages.back().buttons, Buttons::OkCancel);
    EXPECT_EQ(prompts.messages.back().icon, Icon::Exclamation);
    // Cancel: the run goes on, and its counter with it.
    const auto made = [w] { return label(w, "Label15").section(QLatin1Char(' '), 0, 0).toLongLong(); };
    const long long atCancel = made();
    prompts.answer(Answer::Cancel);
    EXPECT_TRUE(QTest::qWaitFor([&] { return made() > atCancel; }, 10000)) << atCancel;
    EXPECT_TRUE(w->worker().busy());
    EXPECT_EQ(w->runState().stopRequested.load(), 0);

    find<QPushButton>(w, "Command5")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.pending.empty(); }));
    prompts.answer(Answer::Ok);
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(label(w, "Label2"), "Stopped by User");
    EXPECT_EQ(label(w, "lblCountDown"), "0:00:00");
    EXPECT_TRUE(find<QPushButton>(w, "Command1")->isEnabled());
    EXPECT_FALSE(find<QPushButton>(w, "Command5")->isEnabled());
    const int rows = find<QAbstractItemView>(w, "List1")->model()->rowCount();
    EXPECT_GT(rows, 0);
    EXPECT_EQ(static_cast<std::size_t>(rows), w->list().count());
    EXPECT_TRUE(action(w, "SaveAsMenu")->isEnabled());
}

TEST_F(RunsTest, TwoWindowsRunAtOnceAndTheWindowsStayLive)
{
    ui::MainWindow* first = open();
    action(first, "mnuNewWindow")->trigger();
    ASSERT_EQ(program->windows().size(), 2u);
    ui::MainWindow* second = program->windows()[1];
    setTotal(first, "10000000");
    setTotal(second, "10000000");

    first->execute();
    second->execute();
    ASSERT_TRUE(running(first));
    ASSERT_TRUE(running(second));
    // The windows' thread serves its events while both work (the lateness
    // figures are the benchmark's).
    bool servedWhileBothRun = false;
    QTimer::singleShot(0, [&] { servedWhileBothRun = first->worker().busy() && second->worker().busy(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return servedWhileBothRun; }));

    // Each has its own stop flag: stopping one leaves the other running.
    first->stop();
    ASSERT_TRUE(waitIdle(first));
    EXPECT_TRUE(second->worker().busy());
    EXPECT_EQ(label(first, "Label2"), "Stopped by User");
    second->stop();
    ASSERT_TRUE(waitIdle(second));
    EXPECT_EQ(label(second, "Label2"), "Stopped by User");
}

TEST_F(RunsTest, MultiFileRunsWriteTheSeriesForBothMethods)
{
    ui::MainWindow* w = open();
    MultiFileSettings& files = w->multiFile();
    files = MultiFileSettings{1, "pw", 3, dir.folder(), "csv"};
    setTotal(w, "10");
    w->execute(); // the confirmation gets Yes; the sort note gets OK
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(prompts.messages.front().buttons, Buttons::YesNoCancel);
    for (int f = 1; f <= 3; ++f) {
        const std::string text = readBytes(dir / ("pw" + std::to_string(f) + ".csv"));
        EXPECT_TRUE(text.starts_with("\"Quorlix\"\r\n")) << f;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 18) << f; // 4 + 10 + 4 lines
    }
    EXPECT_EQ(find<QAbstractItemView>(w, "List1")->model()->rowCount(), 0);
    EXPECT_EQ(label(w, "Label2"), "Complete");

    files.fileType = "txt";
    files.filePreface = "words";
    find<QRadioButton>(w, "optType1")->click();
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    for (int f = 1; f <= 3; ++f) {
        const std::string text = readBytes(dir / ("words" + std::to_string(f) + ".txt"));
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25) << f; // the word settings' 25 per file
        EXPECT_NE(text.find('*'), std::string::npos) << f;
    }
}

TEST_F(RunsTest, RandomWordsFillTheDisplayAndLeaveSaveAndCopyOn)
{
    ui::MainWindow* w = open();
    find<QRadioButton>(w, "optType1")->click();
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    auto* list = find<QAbstractItemView>(w, "List1");
    ASSERT_EQ(list->model()->rowCount(), 25);
    EXPECT_EQ(label(w, "Label15"), "25 of 25");
    EXPECT_EQ(list->model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
    EXPECT_TRUE(action(w, "SaveAsMenu")->isEnabled());
    EXPECT_TRUE(action(w, "CopyMenu")->isEnabled());
    EXPECT_TRUE(find<QPushButton>(w, "Command1")->isEnabled());
    EXPECT_FALSE(find<QPushButton>(w, "Command5")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>(w, "Text2")->isEnabled()); // still Random Words
}

TEST_F(RunsTest, WholeWordCheckDeactivatesTheQuoteAndRunsWithTheDictionary)
{
    ui::MainWindow* w = open();
    w->options().pool.setAvailable('\'', true);
    w->refreshReadout();
    find<QCheckBox>(w, "chkDictionary")->click();
    find<QLineEdit>(w, "Text3")->setText("4");
    find<QLineEdit>(w, "Text4")->setText("4");
    find<QCheckBox>(w, "Check6")->click(); // duplication off: four letters from 63 characters
    setTotal(w, "300");
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages[0].text,
              "The following Special Symbols have been deactivated:\r\n\r\n'\r\n|\r\n\r\nThese symbols cause errors "
              "when the Whole Word Dictionary check is activated.");
    EXPECT_FALSE(w->options().pool.isAvailable('\''));
    EXPECT_EQ(label(w, "Label8"), "62");
    EXPECT_EQ(find<QAbstractItemView>(w, "List1")->model()->rowCount(), 300);
    EXPECT_TRUE(find<QRadioButton>(w, "optFull")->isEnabled());
}

TEST_F(RunsTest, RefusalsShowTheirTextAndLeaveTheDisplay)
{
    ui::MainWindow* w = open();
    setTotal(w, "5");
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    auto* list = find<QAbstractItemView>(w, "List1");
    ASSERT_EQ(list->model()->rowCount(), 5);
    const auto minAboveMax = [w] { find<QLineEdit>(w, "Text3")->setText("12"); };
    // The state a saved setting or a deleted file leaves: the check on, its file gone.
    const auto checkFileMissing = [w] {
        find<QLineEdit>(w, "Text3")->setText("8");
        w->options().checks.dictionary = true;
        w->options().dictionaryFile = "nosuch.dct";
    };
    const std::tuple<std::function<void()>, std::string, Icon> rows[] = {
        {minAboveMax, "Maximum 'Total Characters' number must be greater than minimum number", Icon::Exclamation},
        {checkFileMissing,
         dictionaryFolder() +
             "nosuch.dct not found in folder. This file is necessary in order to select words from. This file may "
             "have been moved or renamed. In order to use this dictionary file you should download it into the "
             "Quorlix directory. Select the 'DOWNLOAD DICTIONARY FILE' option from the 'DICTIONARY' menu.",
         Icon::Critical},
    };
    for (const auto& [change, text, icon] : rows) {
        SCOPED_TRACE(text);
        change();
        prompts.messages.clear();
        w->execute();
        ASSERT_TRUE(waitIdle(w));
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, text);
        EXPECT_EQ(prompts.messages[0].icon, icon);
        EXPECT_EQ(list->model()->rowCount(), 5);
        EXPECT_TRUE(find<QPushButton>(w, "Command1")->isEnabled());
    }
}

} // namespace
} // namespace quorlix::testing
