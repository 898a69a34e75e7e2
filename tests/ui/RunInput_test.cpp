// Runs driven as the user drives them: Execute by mouse and by keys, the
// shortcuts.

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

#include "RealInput.h"
#include "UiTestSupport.h"
#include "ui/HelpWindows.h"

namespace fs = std::filesystem;

namespace quorlix::testing
{
namespace
{

struct RunInputTest : UiFixture {
    fs::path dir;
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("quorlix-ui-input-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        settings.set("Settings", "SaveAsBox", "True");
    }
    void TearDown() override
    {
        UiFixture::TearDown();
        fs::remove_all(dir);
    }
    // Types the total into its field, as the user would.
    static void typeTotal(ui::MainWindow* w, const char* total)
    {
        auto* field = find<QLineEdit>(w, "Text2");
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, total);
    }
    static QString label(ui::MainWindow* w, const char* name) { return find<QLabel>(w, name)->text(); }
    static QPushButton* button(ui::MainWindow* w, const char* name) { return find<QPushButton>(w, name); }
    static int rows(ui::MainWindow* w) { return find<QAbstractItemView>(w, "List1")->model()->rowCount(); }
    static bool running(ui::MainWindow* w)
    {
        return QTest::qWaitFor([w] { return label(w, "Label15").contains(QStringLiteral(" of 10000000")); }, 10000);
    }
};

TEST_F(RunInputTest, ExecuteStartsByMouseAndByEveryKey)
{
    ui::MainWindow* w = open();
    ASSERT_TRUE(activate(w));
    struct Way {
        const char* name;
        const char* total;
        std::function<void()> start;
    };
    const Way ways[] = {
        {"mouse click", "10", [w] { click(button(w, "Command1")); }},
        {"F5", "11", [w] { press(w, Qt::Key_F5); }},
        {"Ctrl+Return", "12", [w] { press(w, Qt::Key_Return, Qt::ControlModifier); }},
        {"Ctrl+Enter", "13", [w] { press(w, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier); }},
        {"Alt+X", "14", [w] { press(w, Qt::Key_X, Qt::AltModifier); }},
        {"Options > Execute", "15", [w] { ASSERT_TRUE(chooseByKeys(w, 'O', 'E')); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        typeTotal(w, way.total);
        way.start();
        // A mnemonic clicks its button a moment later, as it shows the press.
        const int total = QString::fromLatin1(way.total).toInt();
        ASSERT_TRUE(QTest::qWaitFor([&] { return rows(w) == total && !w->worker().busy(); }));
        EXPECT_EQ(label(w, "Label2"), "Complete");
    }
    // The menu shows the key beside the item.
    EXPECT_EQ(action(w, "mnuExecute")->shortcut(), QKeySequence(Qt::Key_F5));
}

TEST_F(RunInputTest, ShortcutsOpenANewWindowSaveAsAndHelp)
{
    ui::MainWindow* w = open();
    ASSERT_TRUE(activate(w));
    EXPECT_FALSE(action(w, "SaveAsMenu")->isEnabled()); // nothing to save: Ctrl+S does nothing
    press(w, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(prompts.fileRequests.empty());

    typeTotal(w, "5");
    press(w, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(waitIdle(w));
    prompts.files = {std::nullopt};
    press(w, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(waitIdle(w));
    ASSERT_EQ(prompts.fileRequests.size(), 1u);
    EXPECT_EQ(prompts.fileRequests[0].title, "Enter File Name and Select File Type");

    press(w, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(program->windows().size(), 2u);

    ASSERT_TRUE(activate(w));
    press(w, Qt::Key_F1);
    QWidget* help = ui::HelpCenter::instance().contentsWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());

    // Each is shown beside its menu item.
    EXPECT_EQ(action(w, "SaveAsMenu")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(action(w, "mnuNewWindow")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(action(w, "mnuHelp")->shortcut(), QKeySequence(Qt::Key_F1));
}

} // namespace
} // namespace quorlix::testing
