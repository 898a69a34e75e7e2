// Help: the help file's format, a text for every topic a window names, the
// contents window's search, context mode, and About's system information.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>

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

TEST_F(HelpTest, AboutShowsAndCopiesTheSystemInformation)
{
    ui::MainWindow* w = open();
    action(w, "mnuAbout")->trigger();
    QWidget* about = w->findChild<QWidget*>(QStringLiteral("frmAbout"));
    ASSERT_NE(about, nullptr);
    find<QPushButton>(about, "cmdSysInfo")->click();
    const QString info = QGuiApplication::clipboard()->text();
    for (const char* part : {"Operating system: ", "Qt: ", "libsodium: ", "libmdb (mdbtools): ", "CPUs: ", "Memory: ",
                             "Program folder: ", "Settings file: memory", "Dictionary folders: "})
        EXPECT_TRUE(info.contains(QString::fromLatin1(part))) << part;
}

} // namespace
} // namespace quorlix::testing
