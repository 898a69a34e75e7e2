// Runs driven as the user drives them: Execute by mouse and by keys, Stop and
// its question on the real message box, what the window shows at the end of
// a big run, Stop's state around Save As and conversions, the shortcuts.

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
    TempFolder dir;
    void SetUp() override { settings.set("Settings", "SaveAsBox", "True"); }
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

TEST_F(RunInputTest, StopAsksOnTheRealBoxEscapeGoesOnAndReturnStops)
{
    ui::QtPrompts real;
    realPrompts = &real;
    ui::MainWindow* w = open();
    ASSERT_TRUE(activate(w));
    typeTotal(w, "10000000");
    press(w, Qt::Key_F5);
    ASSERT_TRUE(running(w));
    // The readouts of the run stay readable; Stop is the only way out.
    EXPECT_TRUE(find<QLabel>(w, "Label15")->isEnabled());
    EXPECT_TRUE(find<QLabel>(w, "Label2")->isEnabled());
    EXPECT_FALSE(button(w, "Command1")->isEnabled());
    ASSERT_TRUE(button(w, "Command5")->isEnabled());

    click(button(w, "Command5"));
    QMessageBox* box = boxOnScreen();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Quorlix");
    EXPECT_TRUE(box->text().startsWith("Warning:  You have selected to stop the password generation process. This "
                                       "run has produced "))
        << box->text().toStdString();
    EXPECT_TRUE(box->text().endsWith(" of 10000000 requested passwords at the time you have elected to stop.\n\n"
                                     "Select 'OK' to terminate this run.\n\nSelect 'Cancel' to continue with this "
                                     "run."));
    ASSERT_TRUE(answerBox(box, Qt::Key_Escape)); // Cancel
    const QString counter = label(w, "Label15");
    ASSERT_TRUE(QTest::qWaitFor([&] { return label(w, "Label15") != counter; })); // it goes on
    EXPECT_TRUE(w->worker().busy());

    click(button(w, "Command5"));
    box = boxOnScreen();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(answerBox(box, Qt::Key_Return)); // OK
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(label(w, "Label2"), "Stopped by User");
    EXPECT_GT(rows(w), 0);
    EXPECT_FALSE(button(w, "Command5")->isEnabled());
    EXPECT_TRUE(button(w, "Command1")->isEnabled());
}

// What the window shows at each change from the moment a run's rows are held
// back (from 5000 on) to the finished list.
struct Moment {
    std::string what;
    QString status;
    int rows;
    bool stop, execute;
};

class Watcher final : public QObject
{
public:
    Watcher(ui::MainWindow* w, std::vector<Moment>& seen) : m_w(w), m_seen(seen)
    {
        UiFixture::find<QPushButton>(w, "Command5")->installEventFilter(this);
        UiFixture::find<QPushButton>(w, "Command1")->installEventFilter(this);
        QAbstractItemModel* model = UiFixture::find<QAbstractItemView>(w, "List1")->model();
        connect(model, &QAbstractItemModel::modelReset, this, [this] { note("list shown"); });
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange) {
            auto* b = static_cast<QPushButton*>(watched);
            note(b->objectName().toStdString() + (b->isEnabled() ? " on" : " off"));
        }
        return false;
    }

private:
    void note(const std::string& what)
    {
        m_seen.push_back({what, UiFixture::find<QLabel>(m_w, "Label2")->text(),
                          UiFixture::find<QAbstractItemView>(m_w, "List1")->model()->rowCount(),
                          UiFixture::find<QPushButton>(m_w, "Command5")->isEnabled(),
                          UiFixture::find<QPushButton>(m_w, "Command1")->isEnabled()});
    }
    ui::MainWindow* m_w;
    std::vector<Moment>& m_seen;
};

TEST_F(RunInputTest, TheEndOfABigRunShowsTheUpdatingTextThenTheListThenComplete)
{
    ui::MainWindow* w = open();
    ASSERT_TRUE(activate(w));
    typeTotal(w, "5000");
    std::vector<Moment> seen;
    Watcher watcher(w, seen);
    click(button(w, "Command1"));
    ASSERT_TRUE(waitIdle(w));
    ASSERT_EQ(rows(w), 5000);
    EXPECT_EQ(label(w, "Label2"), "Complete");
    EXPECT_FALSE(button(w, "Command5")->isEnabled());
    EXPECT_TRUE(button(w, "Command1")->isEnabled());

    const auto at = [&](const std::string& what, auto&& also) {
        return std::find_if(seen.begin(), seen.end(), [&](const Moment& m) { return m.what == what && also(m); });
    };
    const auto any = [](const Moment&) { return true; };
    const auto stopOn = at("Command5 on", any);
    ASSERT_NE(stopOn, seen.end());
    // The run ends: Stop goes off at once, and the updating text stands until the list is shown.
    const auto stopOff = std::find_if(stopOn, seen.end(), [](const Moment& m) { return m.what == "Command5 off"; });
    ASSERT_NE(stopOff, seen.end());
    EXPECT_EQ(stopOff->status, "Updating List....Please Wait");
    EXPECT_EQ(stopOff->rows, 0);
    EXPECT_FALSE(stopOff->execute);
    const auto shown = at("list shown", [](const Moment& m) { return m.rows == 5000; });
    ASSERT_NE(shown, seen.end());
    EXPECT_GT(shown, stopOff);
    EXPECT_EQ(shown->status, "Updating List....Please Wait");
    EXPECT_FALSE(shown->stop);
    EXPECT_FALSE(shown->execute);
    // Execute comes back with the list, not before; Stop never again.
    const auto executeOn = at("Command1 on", any);
    ASSERT_NE(executeOn, seen.end());
    EXPECT_GT(executeOn, shown);
    EXPECT_TRUE(std::none_of(stopOff, seen.end(), [](const Moment& m) { return m.stop; }));
}

TEST_F(RunInputTest, StopStaysOffThroughSaveAsAConversionAndTheirQuestions)
{
    ui::MainWindow* w = open();
    ASSERT_TRUE(activate(w));
    typeTotal(w, "20");
    press(w, Qt::Key_F5);
    ASSERT_TRUE(waitIdle(w));
    const std::string list = (dir / "list.txt").string();
    const std::string csv = (dir / "list.csv").string();

    // Ctrl+S is Save As; the "view this file?" question waits for its answer.
    prompts.hold = true;
    prompts.files = {chosen(list)};
    press(w, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.pending.empty(); }));
    EXPECT_EQ(prompts.messages.back().text, "Do you wish to View/Edit this file now using your default text viewer?");
    EXPECT_FALSE(button(w, "Command5")->isEnabled());
    prompts.answer(Answer::No);
    ASSERT_TRUE(waitIdle(w));
    EXPECT_FALSE(button(w, "Command5")->isEnabled());

    prompts.files = {chosen(list), chosen(csv)};
    action(w, "ConverTXTtoCSV")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.pending.empty(); }));
    EXPECT_EQ(prompts.messages.back().text,
              "Do you wish to launch your default CSV application to view this file now?");
    EXPECT_FALSE(button(w, "Command5")->isEnabled());
    prompts.answer(Answer::No);
    ASSERT_TRUE(waitIdle(w));
    EXPECT_TRUE(fs::exists(csv));
    EXPECT_FALSE(button(w, "Command5")->isEnabled());
    EXPECT_TRUE(button(w, "Command1")->isEnabled());
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
