// The display tools: Open Text File (append or replace), Clear Display, Copy,
// the numbered tooltip and the list's right-click menu, quick help.

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <filesystem>
#include <fstream>

#include "UiInput.h"
#include "UiTestSupport.h"
#include "output/DisplayTools.h"
#include "ui/HelpWindows.h"

namespace fs = std::filesystem;

namespace quorlix::testing
{
namespace
{

struct DisplayToolsTest : UiFixture {
    TempFolder dir;
    fs::path file = dir / "open.txt";
    static QStringList rows(ui::MainWindow* w)
    {
        QStringList out;
        auto* model = find<QAbstractItemView>(w, "List1")->model();
        for (int i = 0; i < model->rowCount(); ++i)
            out << model->index(i, 0).data().toString();
        return out;
    }
    static QString label(ui::MainWindow* w, const char* name) { return find<QLabel>(w, name)->text(); }
    void openFile(ui::MainWindow* w)
    {
        prompts.files = {chosen(file.string())};
        action(w, "mnuOpenTxt")->trigger();
        ASSERT_TRUE(waitIdle(w));
    }
};

TEST_F(DisplayToolsTest, OpenTextFileAsksBeforeAppendingAndReplaces)
{
    std::ofstream(file, std::ios::binary) << "bb\r\naa\rcc\n";
    ui::MainWindow* w = open();
    openFile(w);
    EXPECT_TRUE(prompts.messages.empty()); // an empty display asks nothing
    EXPECT_EQ(prompts.fileRequests.back().title, "Select Text File");
    EXPECT_EQ(rows(w), (QStringList{"bb", "aa", "cc"})); // in file order: the display is not sorted yet
    EXPECT_EQ(label(w, "Label15"), "3");
    EXPECT_EQ(label(w, "Label2"), "Opened file: " + QString::fromStdString(file.filename().string()));
    auto* model = find<QAbstractItemView>(w, "List1")->model();
    EXPECT_EQ(model->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 0));
    EXPECT_EQ(model->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 255));
    EXPECT_TRUE(action(w, "SaveAsMenu")->isEnabled());

    prompts.answers = {Answer::Yes};
    openFile(w);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              "Current Display is not empty. Do you wish to append text file contents to the existing display?\r\n\r\n"
              "Selecting 'NO' will clear the contents of the display and then display only the contents of the "
              "requested text file.");
    EXPECT_EQ(prompts.messages[0].icon, Icon::Critical);
    EXPECT_EQ(prompts.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(rows(w).size(), 6);

    prompts.answers = {Answer::No};
    std::ofstream(file, std::ios::binary | std::ios::trunc).flush(); // now empty
    openFile(w);
    EXPECT_TRUE(rows(w).isEmpty());
    EXPECT_EQ(label(w, "Label15"), "0");
    for (const char* name : {"SaveAsMenu", "CopyMenu", "ClearDisplayMenu"})
        EXPECT_FALSE(action(w, name)->isEnabled()) << name;
}

TEST_F(DisplayToolsTest, ClearDisplayEmptiesItAndShowsTheCounterState)
{
    ui::MainWindow* w = open();
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    find<QCheckBox>(w, "chkCounter")->click(); // off
    action(w, "ClearDisplayMenu")->trigger();
    EXPECT_TRUE(rows(w).isEmpty());
    EXPECT_EQ(w->list().count(), 0u);
    EXPECT_EQ(label(w, "Label15"), "Counter Off");
    for (const char* name : {"SaveAsMenu", "CopyMenu", "ClearDisplayMenu"})
        EXPECT_FALSE(action(w, name)->isEnabled()) << name;
    find<QCheckBox>(w, "chkCounter")->click(); // on
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    action(w, "ClearDisplayMenu")->trigger();
    EXPECT_EQ(label(w, "Label15"), "0");
}

TEST_F(DisplayToolsTest, CopyTakesTheSelectedPasswordOnly)
{
    ui::MainWindow* w = open();
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    auto* list = find<QAbstractItemView>(w, "List1");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    list->clearSelection();
    action(w, "CopyMenu")->trigger();
    EXPECT_EQ(clipboard->text(), "before");

    const QModelIndex third = list->model()->index(2, 0);
    list->setCurrentIndex(third);
    action(w, "CopyMenu")->trigger();
    EXPECT_EQ(clipboard->text(), third.data().toString());

    // A click numbers the row in the list's tooltip.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(third).center());
    EXPECT_EQ(list->toolTip(), "3.  " + third.data().toString());
    action(w, "mnuDummyEditCopy")->trigger();
    EXPECT_EQ(clipboard->text(), third.data().toString());
}

// Two passwords copied one after the other, the clipboard to be cleared after
// a second: when the first one's second is up, the clipboard holds something
// else (the second password), which stays; when the second one's is up, it goes.
TEST_F(DisplayToolsTest, CopiedPasswordLeavesTheClipboardWhenAsked)
{
    settings.set("Settings", "ClipboardClearSeconds", "1");
    ui::MainWindow* w = open();
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* list = find<QAbstractItemView>(w, "List1");
    std::vector<std::string> held; // what the clipboard holds as each timer fires
    const SingleShotWatch clearing(std::chrono::seconds(1), [&] { held.push_back(clipboard->text().toStdString()); });

    list->setCurrentIndex(list->model()->index(0, 0));
    action(w, "CopyMenu")->trigger();
    const std::string first = clipboard->text().toStdString();
    list->setCurrentIndex(list->model()->index(1, 0));
    action(w, "CopyMenu")->trigger();
    const std::string second = clipboard->text().toStdString();
    ASSERT_FALSE(first.empty());
    ASSERT_NE(first, second);

    ASSERT_TRUE(QTest::qWaitFor([&clearing] { return clearing.fired() == 2; }, 5000));
    EXPECT_EQ(held, (std::vector<std::string>{second, second}));
    EXPECT_TRUE(clipboard->text().isEmpty());
}

TEST_F(DisplayToolsTest, RightClickShowsTheControlsHelpTopic)
{
    ui::MainWindow* w = open();
    struct Case {
        const char* control;
        const char* topic;
    };
    for (const Case& c : {Case{"chkSPW", "Strong Passwords"}, Case{"Text2", "Total Passwords"},
                          Case{"Text4", "Total Characters Min/Max"}, Case{"optType1", "Password Type"},
                          Case{"lblRules", "Rules Activated"}, Case{"Label12", "Min/Max Probability"}}) {
        QWidget* control = find<QWidget>(w, c.control);
        QTest::mouseClick(control, Qt::RightButton);
        EXPECT_EQ(ui::HelpCenter::instance().lastTopic(), c.topic) << c.control;
        EXPECT_TRUE(ui::topicHtml(c.topic).contains(QStringLiteral("<p>"))) << c.topic; // it has a text
    }
    EXPECT_FALSE(find<QRadioButton>(w, "optType1")->isChecked()); // a right-click does not choose
}

TEST_F(DisplayToolsTest, CopyTakesEverySelectedRowOnePerLine)
{
    ui::MainWindow* w = open();
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    auto* list = find<QAbstractItemView>(w, "List1");
    QAbstractItemModel* model = list->model();
    ASSERT_EQ(model->rowCount(), 25);
    auto row = [model](int r) { return model->index(r, 0).data().toString(); };
    auto rowsText = [&](std::initializer_list<int> rows) {
        QStringList out;
        for (int r : rows)
            out << row(r);
        return out.join(QLatin1Char('\n')).toStdString();
    };
    auto click = [list](int r, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, list->visualRect(list->model()->index(r, 0)).center());
    };
    QClipboard* clipboard = QGuiApplication::clipboard();

    // A click, then Shift and Ctrl clicks; Ctrl+C in the list.
    click(1);
    click(4, Qt::ShiftModifier);
    click(7, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text().toStdString(), rowsText({1, 2, 3, 4, 7}));

    // One row: as it was, without a line break.
    click(2);
    action(w, "CopyMenu")->trigger();
    EXPECT_EQ(clipboard->text(), row(2));

    // Shift and the arrow keys.
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    action(w, "mnuDummyEditCopy")->trigger();
    EXPECT_EQ(clipboard->text().toStdString(), rowsText({2, 3, 4}));

    // Ctrl+A selects every row, Edit > Copy copies them.
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    action(w, "CopyMenu")->trigger();
    QStringList all;
    for (int r = 0; r < 25; ++r)
        all << row(r);
    EXPECT_EQ(clipboard->text(), all.join(QLatin1Char('\n')));
    ASSERT_NE(w->findChild<QAction*>(QStringLiteral("mnuSelectAll")), nullptr); // Edit > Select All
    EXPECT_EQ(action(w, "mnuSelectAll")->shortcut(), QKeySequence(QKeySequence::SelectAll));
    EXPECT_EQ(action(w, "CopyMenu")->shortcut(), QKeySequence(QKeySequence::Copy));

    // In a number field the keys are the field's.
    auto* amount = find<QLineEdit>(w, "Text2");
    amount->setFocus();
    list->clearSelection();
    QTest::keyClick(amount, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(amount->selectedText(), amount->text());
    EXPECT_FALSE(list->selectionModel()->hasSelection());
}

TEST_F(DisplayToolsTest, SeveralCopiedPasswordsLeaveTheClipboardWhenAsked)
{
    settings.set("Settings", "ClipboardClearSeconds", "1");
    ui::MainWindow* w = open();
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    auto* list = find<QAbstractItemView>(w, "List1");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    action(w, "CopyMenu")->trigger();
    QClipboard* clipboard = QGuiApplication::clipboard();
    ASSERT_EQ(clipboard->text().count(QLatin1Char('\n')), 24);
    EXPECT_TRUE(QTest::qWaitFor([clipboard] { return clipboard->text().isEmpty(); }, 5000));
}

TEST_F(DisplayToolsTest, PageDownEndHomeAndTheWheelMoveThroughTheDisplay)
{
    ui::MainWindow* w = open();
    find<QLineEdit>(w, "Text2")->setText("500");
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    auto* list = find<QAbstractItemView>(w, "List1");
    QScrollBar* bar = list->verticalScrollBar();
    const int page = bar->pageStep(); // rows that fit
    ASSERT_GT(page, 5);
    list->setFocus();
    ASSERT_EQ(list->currentIndex().row(), 0);

    QTest::keyClick(list, Qt::Key_PageDown);
    EXPECT_EQ(list->currentIndex().row(), page);
    EXPECT_EQ(bar->value(), 1); // the new row is the last shown
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->currentIndex().row(), 499);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->maximum(), 500 - page);
    QTest::keyClick(list, Qt::Key_PageUp);
    EXPECT_EQ(list->currentIndex().row(), 499 - page);
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_EQ(bar->value(), 0);

    // The wheel scrolls three rows a notch and leaves the selection.
    turnWheel(list->viewport(), -2);
    EXPECT_EQ(bar->value(), 2 * QApplication::wheelScrollLines());
    turnWheel(list->viewport(), 1);
    EXPECT_EQ(bar->value(), QApplication::wheelScrollLines());
    EXPECT_EQ(list->currentIndex().row(), 0);
}

} // namespace
} // namespace quorlix::testing
