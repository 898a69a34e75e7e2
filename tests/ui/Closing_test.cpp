// Closing a main window, which closes the program: idle windows close at once;
// work in progress in any window (a run, a save, a download...) is named in a
// question first, on the real message box, answered by key.

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "RealInput.h"
#include "UiTestSupport.h"
#include "ui/ToolDialogs.h"

namespace quorlix::testing
{
namespace
{

using Kind = ui::TaskInProgress::Kind;

TEST(CloseQuestion, NamesEachTaskWithItsPasswordsAndWindow)
{
    const std::vector<ui::TaskInProgress> tasks = {
        {Kind::Run, false, 5312345, 10000000, 0},
        {Kind::MultiFileRun, true, 0, 500, 3},
        {Kind::SaveAs, true},
        {Kind::Convert, false},
        {Kind::Compact, false},
        {Kind::Download, false},
    };
    EXPECT_EQ(ui::closeQuestionText(tasks),
              "Closing this window closes every Quorlix window and ends the work in progress:\r\n"
              "\r\n- a run of 10000000 passwords, 5312345 made so far in another window"
              "\r\n- a multi-file run of 3 files of 500 passwords in this window"
              "\r\n- a password list being saved in this window"
              "\r\n- a text file being converted in another window"
              "\r\n- a database being compacted in another window"
              "\r\n- a dictionary file being downloaded in another window"
              "\r\n\r\nSelect 'Yes' to stop them and close.\r\n\r\nSelect 'No' to close nothing.");
    EXPECT_EQ(ui::closeQuestionText({{Kind::Sort, true}}),
              "Closing this window closes every Quorlix window and ends the work in progress:\r\n"
              "\r\n- a text file being sorted in this window"
              "\r\n\r\nSelect 'Yes' to stop it and close.\r\n\r\nSelect 'No' to close nothing.");
}

struct ClosingTest : UiFixture {
    ui::QtPrompts real;
    void SetUp() override { realPrompts = &real; }

    static void typeTotal(ui::MainWindow* w, const char* total)
    {
        auto* field = find<QLineEdit>(w, "Text2");
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, total);
    }
    static QString label(ui::MainWindow* w, const char* name) { return find<QLabel>(w, name)->text(); }
    static bool running(ui::MainWindow* w)
    {
        return QTest::qWaitFor([w] { return label(w, "Label15").contains(QStringLiteral(" of 10000000")); }, 10000);
    }
    // File > Exit by keys.
    static void exitByKeys(ui::MainWindow* w)
    {
        ASSERT_TRUE(activate(w));
        ASSERT_TRUE(chooseByKeys(w, 'F', 'E'));
    }
    static bool gone(const QPointer<ui::MainWindow>& w)
    {
        return QTest::qWaitFor([&] { return !w || !w->isVisible(); }, 20000);
    }
};

TEST_F(ClosingTest, TheOnlyWindowDuringARunAsksNoKeepsTheRunAndYesStopsItAndSaves)
{
    QPointer<ui::MainWindow> w = open();
    ASSERT_TRUE(activate(w));
    typeTotal(w, "10000000");
    press(w, Qt::Key_F5);
    ASSERT_TRUE(running(w));

    // The menus are off during a run: the title bar's close button.
    closeByTitleBar(w);
    QMessageBox* box = boxOnScreen();
    ASSERT_NE(box, nullptr);
    const QString text = box->text();
    EXPECT_TRUE(text.startsWith("Closing this window closes every Quorlix window and ends the work in progress:\n\n"
                                "- a run of 10000000 passwords, "))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(" made so far in this window\n\nSelect 'Yes' to stop it and close.\n\n"
                              "Select 'No' to close nothing."))
        << text.toStdString();
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    ASSERT_TRUE(answerBox(box, Qt::Key_N));
    // Nothing closed, nothing saved; the run goes on.
    const QString counter = label(w, "Label15");
    ASSERT_TRUE(QTest::qWaitFor([&] { return label(w, "Label15") != counter; }));
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_TRUE(w->worker().busy());
    EXPECT_EQ(settings.get("LastSettings", "PasswordAmount", ""), "");

    closeByTitleBar(w);
    box = boxOnScreen();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(answerBox(box, Qt::Key_Y));
    ASSERT_TRUE(gone(w));
    EXPECT_EQ(settings.get("LastSettings", "PasswordAmount", ""), "10000000");
    EXPECT_EQ(boxOnScreen(100), nullptr); // the stop prompt was answered for the user
}

TEST_F(ClosingTest, AnIdleWindowBesideARunAsksAndYesClosesBothWithItsOwnOptions)
{
    QPointer<ui::MainWindow> first = open();
    ASSERT_TRUE(activate(first));
    press(first, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(program->windows().size(), 2u);
    QPointer<ui::MainWindow> second = program->windows()[1];
    ASSERT_TRUE(activate(first));
    typeTotal(first, "10000000");
    press(first, Qt::Key_F5);
    ASSERT_TRUE(running(first));
    ASSERT_TRUE(activate(second));
    typeTotal(second, "25");

    exitByKeys(second);
    QMessageBox* box = boxOnScreen();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), second.data());
    EXPECT_TRUE(box->text().contains(" made so far in another window\n")) << box->text().toStdString();
    ASSERT_TRUE(answerBox(box, Qt::Key_Escape)); // No
    const QString counter = label(first, "Label15");
    ASSERT_TRUE(QTest::qWaitFor([&] { return label(first, "Label15") != counter; }));
    ASSERT_TRUE(first && first->isVisible() && second && second->isVisible());
    EXPECT_TRUE(first->worker().busy());

    closeByTitleBar(second);
    box = boxOnScreen();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(answerBox(box, Qt::Key_Y));
    ASSERT_TRUE(gone(second));
    ASSERT_TRUE(gone(first));
    // The closed window's options become the last settings.
    EXPECT_EQ(settings.get("LastSettings", "PasswordAmount", ""), "25");
}

TEST_F(ClosingTest, AWindowWithADialogOpenClosesWithoutAQuestionAndTheDialogCancelled)
{
    QPointer<ui::MainWindow> first = open();
    ASSERT_TRUE(activate(first));
    typeTotal(first, "30");
    press(first, Qt::Key_F5);
    ASSERT_TRUE(waitIdle(first));
    settings.set("Settings", "SaveAsBox", "True");
    press(first, Qt::Key_S, Qt::ControlModifier); // Save As: its file dialog opens
    QPointer<QFileDialog> dialog;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        dialog = first->findChild<QFileDialog*>();
        return dialog && dialog->isVisible();
    }));
    action(first, "mnuNewWindow")->trigger();
    QPointer<ui::MainWindow> second = program->windows()[1];

    exitByKeys(second);
    ASSERT_TRUE(gone(second));
    ASSERT_TRUE(gone(first));
    EXPECT_TRUE(!dialog || !dialog->isVisible());
    EXPECT_EQ(boxOnScreen(100), nullptr);
    EXPECT_EQ(settings.get("LastSettings", "PasswordAmount", ""), "25"); // the second window's, as it opened
}

// A download that waits for its data: a named pipe served as a file:// address.
struct ClosingDownloadTest : UiFixture {
    TempFolder dir;
    int pipe = -1;
    void SetUp() override
    {
        std::filesystem::create_directories(dir / "site" / "software");
        std::filesystem::create_directories(dir / "program");
        ASSERT_EQ(::mkfifo((dir / "site" / "software" / "slow.dct").c_str(), 0600), 0);
        // Read and write: opening does not wait for a reader, and the reader
        // waits for data until the test writes or closes it.
        pipe = ::open((dir / "site" / "software" / "slow.dct").c_str(), O_RDWR);
        ASSERT_GE(pipe, 0);
        ASSERT_EQ(::write(pipe, "Standard Jet DB", 15), 15);
        settings.set("Settings", "DownloadBase", "file://" + (dir / "site").string());
    }
    void TearDown() override
    {
        if (pipe >= 0)
            ::close(pipe);
        UiFixture::TearDown();
    }
};

TEST_F(ClosingDownloadTest, ADownloadUnderWayIsNamedAndYesCancelsItAndClosesEverything)
{
    QPointer<ui::MainWindow> w = open((dir / "program").string() + "/");
    QPointer<ui::MainWindow> other = program->openWindow();
    bool wasDownloading = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = w->findChild<ui::DownloadDialog*>(QStringLiteral("frmDictLanguage"));
        ASSERT_NE(dialog, nullptr);
        find<QLineEdit>(dialog, "Text1")->setText("slow.dct");
        // While the transfer waits: the other window is closed, the question
        // gets Yes; then data comes, and the transfer sees it is cancelled.
        QTimer::singleShot(0, [&, dialog] {
            wasDownloading = dialog->downloading();
            other->close();
            auto* feed = new QTimer(w);
            QObject::connect(feed, &QTimer::timeout, [&, feed] {
                if (other && other->isVisible())
                    return;
                feed->stop();
                (void)!::write(pipe, "more", 4);
                ::close(pipe);
                pipe = -1;
            });
            feed->start(10);
        });
        find<QPushButton>(dialog, "Command1")->click(); // "Download now?" gets Yes
    });
    action(w, "mnuDictionaryDownload")->trigger(); // returns when the download window has closed
    EXPECT_TRUE(wasDownloading);
    ASSERT_TRUE(QTest::qWaitFor([&] { return (!w || !w->isVisible()) && (!other || !other->isVisible()); }));
    const auto texts = prompts.texts();
    const auto question = std::find_if(texts.begin(), texts.end(), [](const std::string& t) {
        return t.starts_with("Closing this window closes every Quorlix window");
    });
    ASSERT_NE(question, texts.end());
    EXPECT_NE(question->find("\r\n- a dictionary file being downloaded in another window\r\n"), std::string::npos)
        << *question;
    EXPECT_FALSE(std::filesystem::exists(dir / "program" / "slow.dct"));
}

} // namespace
} // namespace quorlix::testing
