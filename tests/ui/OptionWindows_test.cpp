// Each option window edits a working copy: Cancel leaves the options as they
// were, Accept writes them back (and the readouts follow).

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "UiInput.h"
#include "UiTestSupport.h"
#include "output/MultiFileWindow.h"
#include "ui/OptionDialogs.h"

namespace fs = std::filesystem;

namespace quorlix::testing
{
namespace
{

struct OptionWindowsTest : UiFixture {
    ui::MainWindow* w = nullptr;
    void SetUp() override { w = open(); }

    QWidget* window(const char* name)
    {
        // A window closed a moment ago may still wait for its deletion.
        for (QWidget* found : w->findChildren<QWidget*>(QString::fromLatin1(name)))
            if (found->isVisible())
                return found;
        return nullptr;
    }
    void press(const char* windowName, const char* button)
    {
        QWidget* win = window(windowName);
        ASSERT_NE(win, nullptr) << windowName;
        find<QPushButton>(win, button)->click();
    }
    static QString label(QWidget* in, const char* name) { return find<QLabel>(in, name)->text(); }
};

// Each option window in the words the user reads: its caption, headings,
// labels and buttons, spelled out.
TEST_F(OptionWindowsTest, EachWindowShowsItsWording)
{
    struct Case {
        const char* menu;
        const char* window;
        std::vector<std::string> texts;
        const char* help = "&Help"; // the Help button, with its access key
    };
    const Case cases[] = {
        {"mnuCharacters",
         "Characters",
         {"Characters", "Available Character Set", "Numbers", "Special Symbols", "Letters Lowercase",
          "Letters Uppercase", "Al&l", "&Default", "No &Numbers", "No L&etters (LC)", "No Letters (&UC)",
          "No  Special &Symbols"}},
        {"mnuHyphens",
         "Hyphens",
         {"Add Hyphens", "Hyphen Set-Up Menu", " After Character 1", " After Character 59", "Clear Al&l",
          "&Select All"}},
        {"mnuBlankSpaces",
         "Hyphens",
         {"Add Blank Spaces", "Blank Spaces Set-Up Menu", " After Character 1", " After Character 59", "Clear Al&l",
          "&Select All"}},
        {"mnuPasswordRules", "frmPassRules", {"Password Rules", "Position 1", "Position 60", "&No Rules"}},
        {"mnuRandomWordsSettings",
         "frmPasswordType",
         {"Random Words - Settings",
          "Select the dictionary file you wish to be used and total number of passwords you wish to create. In "
          "addtion, select whether you wish multiple words to be sepeated by the character of your choice. If no "
          "dictionary files are listed, this means that they need to be downloaded. Select the 'DOWNLOAD "
          "DICTIONARIES' button below.",
          "NOTE: Only the options listed in this window apply to Random Words. The options listed on the main form "
          "apply to just Random Characters.",
          "Select Available Dictionary File:", "Total Passwords:", "Quantity of Words to Select Per Password:",
          "Separate Selected Words With This Character:", "Duplication Check", "Add",
          "Random Numbers to Generated Words.", "Word Lengths Min", "Max", "Randomly Uppercase",
          "&Download Dictionaries"}},
        {"MultiCreateMenu",
         "MultiFile",
         {"Multi-File Create", "File Name:", "Total Files", " Act&ivate", "Select File type:", "Save as .&TXT",
          "Save as .&MDB", "Save as .&HTM", "Save as .C&SV", "Selected Directory\\Path"},
         "He&lp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu);
        action(w, c.menu)->trigger();
        QWidget* win = window(c.window);
        ASSERT_NE(win, nullptr);
        std::vector<std::string> expected = c.texts;
        expected.insert(expected.end(), {"&Accept", "&Cancel", c.help});
        EXPECT_THAT(shownTexts(win), ::testing::IsSupersetOf(expected));
        win->close();
    }
}

TEST_F(OptionWindowsTest, CharactersEditsAWorkingCopy)
{
    const CharacterPool before = w->options().pool;
    action(w, "mnuCharacters")->trigger();
    press("Characters", "cmdNoNumbers");
    EXPECT_FALSE(find<QCheckBox>(window("Characters"), "chkChar48")->isChecked());
    press("Characters", "cmdCancel");
    EXPECT_EQ(w->options().pool, before);
    EXPECT_EQ(window("Characters"), nullptr);

    action(w, "mnuCharacters")->trigger();
    press("Characters", "cmdNoNumbers");
    find<QCheckBox>(window("Characters"), "chkChar38")->click(); // the ampersand
    EXPECT_EQ(find<QCheckBox>(window("Characters"), "chkChar38")->text(), " &&");
    press("Characters", "cmdAccept");
    EXPECT_FALSE(w->options().pool.isAvailable('0'));
    EXPECT_TRUE(w->options().pool.isAvailable('&'));
    EXPECT_EQ(label(w, "Label8"), "53");
    EXPECT_EQ(window("Characters"), nullptr);

    action(w, "mnuCharacters")->trigger();
    press("Characters", "cmdDefault");
    press("Characters", "cmdAccept");
    EXPECT_EQ(label(w, "Label8"), "88");
}

TEST_F(OptionWindowsTest, HyphensAndBlankSpacesEditTheirOwnSets)
{
    find<QLineEdit>(w, "Text3")->setText("5");
    action(w, "mnuHyphens")->trigger();
    QWidget* win = window("Hyphens");
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->windowTitle(), "Add Hyphens");
    EXPECT_EQ(label(win, "lblHeading"), "Hyphen Set-Up Menu");
    EXPECT_TRUE(find<QCheckBox>(win, "chkAfter4")->isEnabled());
    EXPECT_FALSE(find<QCheckBox>(win, "chkAfter5")->isEnabled());
    find<QCheckBox>(win, "chkAfter2")->click();
    press("Hyphens", "cmdAccept");
    EXPECT_EQ(w->options().inserts.hyphen[2], 1);

    action(w, "mnuBlankSpaces")->trigger();
    win = window("Hyphens");
    EXPECT_EQ(win->windowTitle(), "Add Blank Spaces");
    EXPECT_FALSE(find<QCheckBox>(win, "chkAfter2")->isChecked()); // the other set
    press("Hyphens", "cmdSelectAll");
    press("Hyphens", "cmdCancel");
    EXPECT_EQ(w->options().inserts.blank, (InsertSettings{}.blank));

    find<QLineEdit>(w, "Text4")->setText("1");
    find<QLineEdit>(w, "Text3")->setText("1");
    action(w, "mnuBlankSpaces")->trigger();
    EXPECT_EQ(prompts.texts().back(), " Max Total characters must be greater than 1 in order to select blank spaces.");
    EXPECT_EQ(window("Hyphens"), nullptr);
}

TEST_F(OptionWindowsTest, PasswordRulesSetTheLight)
{
    action(w, "mnuPasswordRules")->trigger();
    QWidget* win = window("frmPassRules");
    ASSERT_NE(win, nullptr);
    EXPECT_FALSE(find<QComboBox>(win, "cboRule11")->isEnabled()); // past the maximum of 10
    find<QComboBox>(win, "cboRule2")->setCurrentIndex(1);
    press("frmPassRules", "cmdAccept");
    EXPECT_EQ(w->options().rules.rule[2], 1);
    EXPECT_TRUE(find<QLabel>(w, "imgRules1")->isVisibleTo(w));

    action(w, "mnuPasswordRules")->trigger();
    press("frmPassRules", "cmdNoRules");
    EXPECT_EQ(find<QComboBox>(window("frmPassRules"), "cboRule2")->currentIndex(), 0);
    press("frmPassRules", "cmdCancel");
    EXPECT_EQ(w->options().rules.rule[2], 1);

    action(w, "mnuPasswordRules")->trigger();
    press("frmPassRules", "cmdNoRules");
    press("frmPassRules", "cmdAccept");
    EXPECT_EQ(w->options().rules, PositionRules{});
    EXPECT_TRUE(find<QLabel>(w, "imgRules0")->isVisibleTo(w));
}

TEST_F(OptionWindowsTest, TheWheelScrollsTheRulesAndChangesOnlyTheChoiceWithTheFocus)
{
    action(w, "mnuPasswordRules")->trigger();
    QWidget* win = window("frmPassRules");
    ASSERT_NE(win, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
    auto* panel = win->findChild<QScrollArea*>();
    ASSERT_NE(panel, nullptr);
    QList<QComboBox*> choices = win->findChildren<QComboBox*>();
    ASSERT_EQ(choices.size(), 60);
    auto* fifth = find<QComboBox>(win, "cboRule5");
    // The pointer stays where the fifth choice was; the rows move under it.
    const QPoint at = fifth->mapTo(panel->viewport(), fifth->rect().center());
    QWidget* focus = win->focusWidget(); // the first choice
    for (int notch = 0; notch < 4; ++notch)
        turnWheel(panel->viewport(), -1, at);
    EXPECT_GT(panel->verticalScrollBar()->value(), 0);
    EXPECT_EQ(win->focusWidget(), focus);
    for (QComboBox* choice : choices)
        EXPECT_EQ(choice->currentIndex(), 0) << choice->objectName().toStdString();

    panel->verticalScrollBar()->setValue(0);
    fifth->setFocus(Qt::TabFocusReason);
    turnWheel(fifth, -1);
    EXPECT_EQ(fifth->currentText().toStdString(), "Number");
    EXPECT_EQ(panel->verticalScrollBar()->value(), 0);
    press("frmPassRules", "cmdAccept");
    PositionRules expected;
    expected.rule[5] = 1;
    EXPECT_EQ(w->options().rules, expected);
}

TEST_F(OptionWindowsTest, RandomWordsSettingsCheckAndStoreOnAccept)
{
    action(w, "mnuRandomWordsSettings")->trigger();
    QWidget* win = window("frmPasswordType");
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->windowTitle(), "Random Words - Settings");
    find<QLineEdit>(win, "txtQtyWords")->setText("11");
    EXPECT_EQ(prompts.texts().back(), "No more than 10 words are allowed per password.");
    EXPECT_EQ(find<QLineEdit>(win, "txtQtyWords")->text(), "10");
    press("frmPasswordType", "cmdCancel");
    EXPECT_EQ(w->options().words.wordsPerPassword, 2);

    action(w, "mnuRandomWordsSettings")->trigger();
    win = window("frmPasswordType");
    find<QLineEdit>(win, "txtQtyWords")->setText("3");
    find<QCheckBox>(win, "chkWordLengths")->click();
    find<QLineEdit>(win, "txtWordLengthMin")->setText("3");
    press("frmPasswordType", "cmdAccept");
    EXPECT_EQ(prompts.texts().back(), "Settings not accepted. Word Length must be at least 4 charaters.");
    ASSERT_NE(window("frmPasswordType"), nullptr);
    find<QLineEdit>(win, "txtWordLengthMin")->setText("5");
    press("frmPasswordType", "cmdAccept");
    EXPECT_EQ(window("frmPasswordType"), nullptr);
    EXPECT_EQ(w->options().words.wordsPerPassword, 3);
    EXPECT_TRUE(w->options().words.wordLengthLimit);
    EXPECT_EQ(settings.get("LastSettings", "TypeQTY", ""), "3");
    EXPECT_EQ(settings.get("LastSettings", "TypeWordLimitMin", ""), "5");
}

TEST_F(OptionWindowsTest, MultiFileCreateChecksAndActivates)
{
    const TempFolder dir;
    action(w, "MultiCreateMenu")->trigger();
    QWidget* win = window("MultiFile");
    ASSERT_NE(win, nullptr);
    find<QLineEdit>(win, "Text1")->setText("pw");
    find<QLineEdit>(win, "Text2")->setText("1");
    press("MultiFile", "cmdAccept");
    EXPECT_EQ(prompts.texts().back(), kTotalFilesTooFew);
    find<QLineEdit>(win, "Text2")->setText("3");
    find<QRadioButton>(win, "optFileType3")->click();
    static_cast<ui::MultiFileDialog*>(win)->chooseFolder(QString::fromStdString(dir.string()));
    find<QCheckBox>(win, "Check1")->click();
    prompts.answers = {Answer::Ok};
    press("MultiFile", "cmdAccept");
    EXPECT_EQ(prompts.messages.back().buttons, Buttons::OkCancel);
    EXPECT_EQ(prompts.messages.back().icon, Icon::None);
    EXPECT_TRUE(prompts.texts().back().starts_with("You have activated multi-file mode. When executed 3 files will "
                                                   "be created starting with: \r\n\r\npw1.csv"));
    EXPECT_EQ(window("MultiFile"), nullptr);
    MultiFileSettings& files = w->multiFile();
    EXPECT_EQ(files.active, 1);
    EXPECT_EQ(files.fileType, "csv");
    EXPECT_EQ(files.directory, dir.folder());

    // Cancel keeps the fields typed meanwhile but not the activation.
    files.active = 0;
    action(w, "MultiCreateMenu")->trigger();
    find<QLineEdit>(window("MultiFile"), "Text1")->setText("other");
    press("MultiFile", "cmdCancel");
    EXPECT_EQ(files.filePreface, "other");
    EXPECT_EQ(files.active, 0);
}

// A preface typed with a folder in it is refused on Accept; the window stays open.
TEST_F(OptionWindowsTest, MultiFileCreateRefusesAPrefaceThatLeavesTheFolder)
{
    action(w, "MultiCreateMenu")->trigger();
    QWidget* win = window("MultiFile");
    ASSERT_NE(win, nullptr);
    auto* preface = find<QLineEdit>(win, "Text1");
    preface->clear();
    QTest::keyClicks(preface, "../x");
    find<QLineEdit>(win, "Text2")->setText("3");
    const TempFolder dir;
    static_cast<ui::MultiFileDialog*>(win)->chooseFolder(QString::fromStdString(dir.string()));
    find<QCheckBox>(win, "Check1")->click();
    press("MultiFile", "cmdAccept");
    EXPECT_EQ(prompts.texts().back(),
              " File Name Preface must be the start of a file name: no \"/\", no \"..\" and no control characters");
    EXPECT_EQ(prompts.messages.back().icon, Icon::Exclamation);
    EXPECT_EQ(window("MultiFile"), win);
    EXPECT_EQ(w->multiFile().active, 0);
    press("MultiFile", "cmdCancel");
}

} // namespace
} // namespace quorlix::testing
