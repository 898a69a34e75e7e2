// Help: the help file's format, a text for every topic a window names, the
// contents window's search, context mode, and About's system information.

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>

#include <cstdlib>
#include <set>

#include "UiTestSupport.h"
#include "ui/HelpBook.h"
#include "ui/HelpWindows.h"

namespace quorlix::testing
{
namespace
{

using HelpTest = UiFixture;

TEST(HelpBook, ParsesTopicsParagraphsAndSeeAlso)
{
    const auto book = ui::HelpBook::parse("# a comment\n"
                                          "= First\r\n"
                                          "One line\n"
                                          "  joined.\n"
                                          "\n"
                                          "Second paragraph.\n"
                                          "See also: Second; Missing \n"
                                          "= Second\n"
                                          "Other words here.\n");
    ASSERT_EQ(book.topics().size(), 2u);
    const ui::HelpTopic* first = book.find("first");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->paragraphs, (std::vector<std::string>{"One line joined.", "Second paragraph."}));
    EXPECT_EQ(first->seeAlso, (std::vector<std::string>{"Second", "Missing"}));
    EXPECT_EQ(book.search("words"), std::vector<std::string>{"Second"});
    EXPECT_EQ(book.search("SECOND"), (std::vector<std::string>{"Second", "First"})); // titles first
    EXPECT_EQ(book.search("").size(), 2u);
}

TEST_F(HelpTest, EveryTopicTheWindowsNameHasAText)
{
    ui::MainWindow* w = open();
    // Open every window that names topics.
    for (const char* item : {"mnuCharacters", "mnuHyphens", "mnuPasswordRules", "mnuRandomWordsSettings",
                             "mnuPronounceableSettings", "MultiCreateMenu", "mnuDictionaryView", "mnuAbout"})
        action(w, item)->trigger();
    std::set<QString> topics;
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QWidget* child : top->findChildren<QWidget*>())
            if (const QString topic = child->property("helpTopic").toString(); !topic.isEmpty())
                topics.insert(topic);
    for (const char* button : {"Characters", "Hyphen/Blank Spaces Menu", "Password Rules", "Multi-File Create Menu",
                               "File Name Preface", "Total Files"})
        topics.insert(QString::fromLatin1(button));
    EXPECT_GT(topics.size(), 40u);
    const ui::HelpBook& book = ui::HelpBook::builtIn();
    for (const QString& topic : topics)
        EXPECT_NE(book.find(topic.toStdString()), nullptr) << topic.toStdString();
    for (const ui::HelpTopic& t : book.topics()) {
        EXPECT_FALSE(t.paragraphs.empty()) << t.title;
        for (const auto& other : t.seeAlso)
            EXPECT_NE(book.find(other), nullptr) << t.title << " -> " << other;
    }
}

TEST_F(HelpTest, ContentsSearchAndContextMode)
{
    ui::MainWindow* w = open();
    action(w, "mnuHelp")->trigger();
    QWidget* contents = ui::HelpCenter::instance().contentsWindow();
    ASSERT_NE(contents, nullptr);
    find<QLineEdit>(contents, "helpSearch")->setText("separator");
    auto* list = find<QListWidget>(contents, "helpTopics");
    ASSERT_GT(list->count(), 0);
    for (int i = 0; i < list->count(); ++i)
        EXPECT_TRUE(ui::topicHtml(list->item(i)->text()).contains(QStringLiteral("separator"), Qt::CaseInsensitive));
    find<QLineEdit>(contents, "helpSearch")->setText("separator xylophone");
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(find<QTextBrowser>(contents, "helpText")->toPlainText(), "No topic holds all of these words.");
    EXPECT_EQ(ui::topicHtml(QStringLiteral("Nothing Here")),
              "<h3>Nothing Here</h3><p>There is no help on this topic.</p>");

    action(w, "mnuHelpContext")->trigger();
    EXPECT_TRUE(ui::HelpCenter::instance().inContextMode());
    QTest::mouseClick(find<QWidget>(w, "Check1"), Qt::LeftButton);
    EXPECT_FALSE(ui::HelpCenter::instance().inContextMode());
    EXPECT_EQ(ui::HelpCenter::instance().lastTopic(), "Side-By-Side Check");
    EXPECT_FALSE(w->options().checks.sideBySide); // the click only asked
}

TEST_F(HelpTest, AboutClosesOnEnterAndCopiesTheSystemInformationOnlyOnCopy)
{
    ui::MainWindow* w = open();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("a password just copied"));

    action(w, "mnuAbout")->trigger();
    auto* about = w->findChild<QDialog*>(QStringLiteral("frmAbout"));
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(about));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([about] { return !about->isVisible(); }, 1000));
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("SystemInformation")), nullptr);

    action(w, "mnuAbout")->trigger();
    QTest::qWait(0);
    about = nullptr;
    for (auto* found : w->findChildren<QDialog*>(QStringLiteral("frmAbout")))
        if (found->isVisible())
            about = found;
    ASSERT_NE(about, nullptr);
    QTest::mouseClick(find<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
    auto* system = about->findChild<QDialog*>(QStringLiteral("SystemInformation"));
    ASSERT_NE(system, nullptr);
    EXPECT_TRUE(system->isVisible());
    EXPECT_EQ(clipboard->text(), "a password just copied"); // shown, not copied
    const QString info = find<QPlainTextEdit>(system, "txtSystemInformation")->toPlainText();
    for (const char* part : {"Operating system: ", "Qt: ", "libsodium: ", "libmdb (mdbtools): ", "CPUs: ", "Memory: ",
                             "Program folder: ", "Settings file: memory", "Dictionary folders: "})
        EXPECT_TRUE(info.contains(QString::fromLatin1(part))) << part;
    QTest::mouseClick(find<QPushButton>(system, "cmdCopy"), Qt::LeftButton);
    EXPECT_EQ(clipboard->text(), info);
    EXPECT_EQ(find<QLabel>(system, "lblCopied")->text(), "Copied to the clipboard.");
    EXPECT_TRUE(system->isVisible());
    QTest::keyClick(system, Qt::Key_Escape);
    EXPECT_FALSE(system->isVisible());
    EXPECT_TRUE(about->isVisible());
}

TEST(HelpBook, TellsWhereDictionaryFilesAreKept)
{
    const ui::HelpBook& book = ui::HelpBook::builtIn();
    for (const char* title : {"Random Words", "Dictionary Check", "Select Available Dictionary File",
                              "Download Dictionary File", "Change Active Dictionary File", "Dictionary Files"}) {
        const ui::HelpTopic* topic = book.find(title);
        ASSERT_NE(topic, nullptr) << title;
        for (const std::string& paragraph : topic->paragraphs)
            EXPECT_EQ(paragraph.find("program folder"), std::string::npos) << title << ": " << paragraph;
    }
    // The folders it names are the ones the program looks in.
    const char* home = std::getenv("HOME");
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string wasHome = home ? home : "";
    const std::string wasData = data ? data : "";
    ::setenv("HOME", "/home/someone", 1);
    ::unsetenv("XDG_DATA_HOME");
    const DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
    home ? ::setenv("HOME", wasHome.c_str(), 1) : ::unsetenv("HOME");
    if (data)
        ::setenv("XDG_DATA_HOME", wasData.c_str(), 1);
    EXPECT_EQ(places.userFolder(), "/home/someone/.local/share/quorlix/");
    const std::string text = book.find("Dictionary Files")->paragraphs.front();
    EXPECT_NE(text.find("your own data folder, ~/.local/share/quorlix (or quorlix in $XDG_DATA_HOME"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("then the dictionaries installed with the program, in share/quorlix beside its bin folder"),
              std::string::npos)
        << text;
    ASSERT_GE(places.folders().size(), 2u);
    EXPECT_TRUE(places.folders()[1].ends_with("/share/quorlix/")) << places.folders()[1];
}

} // namespace
} // namespace quorlix::testing
