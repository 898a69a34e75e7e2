// The main window: start-up from stored settings, paired switches, the method
// switch, the number fields.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include <string>
#include <vector>

#include "UiTestSupport.h"

namespace quorlix::testing
{
namespace
{

using MainWindowTest = UiFixture;

QString text(QWidget* w, const char* name)
{
    return UiFixture::find<QLabel>(w, name)->text();
}

TEST_F(MainWindowTest, StartsFromStoredSettingsAndPlaysTheSoundUnlessSwitchedOff)
{
    settings.set("LastSettings", "PasswordAmount", "300");
    settings.set("LastSettings", "Dups", "0");
    settings.set("LastSettings", "Counter", "0");
    settings.set("LastSettings", "Rules3", "2");
    ui::MainWindow* w = open();
    EXPECT_EQ(find<QLineEdit>(w, "Text2")->text(), "300");
    EXPECT_FALSE(find<QCheckBox>(w, "Check6")->isChecked());
    EXPECT_FALSE(action(w, "mnuDuplicationCheck")->isChecked());
    EXPECT_EQ(text(w, "Label15"), "Counter Off");
    EXPECT_EQ(text(w, "Label8"), "62");
    EXPECT_EQ(text(w, "Label12"), "1 in 839299365868340000 Min\n1 in 839299365868340000 Max");
    EXPECT_EQ(text(w, "lblCountDown"), "0:00:00");
    EXPECT_EQ(text(w, "Label2"), "For Quick Help, Right-Click Objects");
    EXPECT_TRUE(find<QLabel>(w, "imgRules1")->isVisibleTo(w)); // a rule at position 3 of 10
    EXPECT_FALSE(find<QLabel>(w, "imgRules0")->isVisibleTo(w));
    // No PlaySound key: the sound plays and the item is checked.
    EXPECT_EQ(sound.played, 1);
    EXPECT_TRUE(action(w, "mnuPlayMusic")->isChecked());
    EXPECT_TRUE(find<QPushButton>(w, "Command1")->isEnabled());
    EXPECT_FALSE(find<QPushButton>(w, "Command5")->isEnabled());
    EXPECT_FALSE(action(w, "SaveAsMenu")->isEnabled()); // nothing to save yet

    action(w, "mnuPlayMusic")->trigger();
    EXPECT_EQ(settings.get("Settings", "PlaySound", ""), "False");
    w->close();
    sound.played = 0;
    open();
    EXPECT_EQ(sound.played, 0);
}

// The menu bar as the user reads it: each menu, its items in order (a
// submenu's items after it, indented), separators as "--".
std::vector<std::string> menuLines(QMenu* menu, const std::string& indent)
{
    std::vector<std::string> lines;
    for (QAction* a : menu->actions()) {
        lines.push_back(indent + (a->isSeparator() ? "--" : a->text().toStdString()));
        if (a->menu())
            for (const std::string& line : menuLines(a->menu(), indent + "  "))
                lines.push_back(line);
    }
    return lines;
}

TEST_F(MainWindowTest, MenusNameTheirItems)
{
    ui::MainWindow* w = open();
    std::vector<std::string> lines;
    for (QAction* top : w->menuBar()->actions()) {
        lines.push_back(top->text().toStdString());
        for (const std::string& line : menuLines(top->menu(), "  "))
            lines.push_back(line);
    }
    // clang-format off
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "&File",
                         "  &New Window", "  Open Text File", "  Save &As",
                         "  Names from &Roster\u2026", "  Names in &Text Files", "  --",
                         "  &Open Settings", "  &Save Settings", "  --",
                         "  &Clear Display", "  &Multi-File Create", "  --",
                         "  Close &Password Tool", "  &Exit",
                         "&Edit",
                         "  &Copy",
                         "&Options",
                         "  &Execute", "  --",
                         "  Insert &Seperators", "    H&yphens", "    &Blank Spaces",
                         "  C&haracters", "  &Password Rules", "  Random Words Settings", "  Pronounceable Settings", "  --",
                         "  Dup&lication Check", "  Dictio&nary Check", "  Side-&By-Side Check", "  Se&quential Check",
                         "  Stron&g Passwords", "  Sor&t Display", "  --",
                         "  Play &Music at Startup",
                         "&Tools",
                         "  Co&nvert TXT to MDB File", "  Con&vert TXT to CSV File", "  Conv&ert TXT to HTML File",
                         "  S&ort TXT File", "  --",
                         "  View/Edit &MDB File", "    Using Default &Application", "    Using &Quorlix",
                         "  View/Edit &TXT File", "    Using Default &Text Viewer", "    Using &Quorlix",
                         "  View/Edit &HTML File", "    Using Default &Browser", "    Using Default &Text Viewer",
                         "  View/Edit &CSV File", "    Using Default &Application", "    Using Default &Text Viewer",
                         "  --",
                         "  Com&pact MDB File", "  Repa&ir MDB File",
                         "&Dictionary",
                         "  &Download Dictionary File", "  &Change Active Dictionary File", "  &View Dictionary",
                         "&Help",
                         "  &Help", "  Help (&Context Sensitive)", "  &About Quorlix"}));
    // clang-format on
}

TEST_F(MainWindowTest, PairedSwitchesFollowEachOtherAndToggleBack)
{
    ui::MainWindow* w = open();
    struct Pair {
        const char* box;
        const char* item;
    };
    for (const Pair& p : {Pair{"Check6", "mnuDuplicationCheck"}, Pair{"Check1", "mnuSideBySideCheck"},
                          Pair{"Check2", "mnuSequentialCheck"}, Pair{"chkSPW", "mnuStrongPasswords"},
                          Pair{"chkSort", "mnuSortDisplay"}}) {
        auto* box = find<QCheckBox>(w, p.box);
        QAction* item = action(w, p.item);
        const bool start = box->isChecked();
        ASSERT_EQ(item->isChecked(), start) << p.box;
        item->trigger();
        EXPECT_EQ(box->isChecked(), !start) << p.box;
        EXPECT_EQ(item->isChecked(), !start) << p.box;
        item->trigger();
        EXPECT_EQ(box->isChecked(), start) << p.box;
        box->click();
        EXPECT_EQ(item->isChecked(), !start) << p.box;
        box->click();
        EXPECT_EQ(item->isChecked(), start) << p.box;
    }
    // The options follow the boxes.
    find<QCheckBox>(w, "Check1")->click();
    EXPECT_TRUE(w->options().checks.sideBySide);
    EXPECT_EQ(text(w, "Label15"), "Counter On");
    find<QCheckBox>(w, "chkCounter")->click();
    EXPECT_EQ(text(w, "Label15"), "Counter Off");
    EXPECT_FALSE(w->options().checks.counter);
    find<QCheckBox>(w, "chkCounter")->click();
    EXPECT_EQ(text(w, "Label15"), "Counter On");
}

TEST_F(MainWindowTest, RandomWordsDisablesWhatOnlyRandomCharactersReads)
{
    ui::MainWindow* w = open();
    find<QRadioButton>(w, "optType1")->click();
    for (const char* name : {"Text2", "Text3", "Text4", "Check6", "chkDictionary", "Check1", "Check2", "chkSPW",
                             "optFull", "optHybrid", "Label8", "Label44", "Label5", "Label7", "Label13", "lblMax"})
        EXPECT_FALSE(find<QWidget>(w, name)->isEnabled()) << name;
    EXPECT_EQ(text(w, "Label12"), " Disabled for 'Random Words' method.");
    EXPECT_EQ(text(w, "lblSpace"), ""); // counts character passwords only
    // Its settings window opens in front, and leaves the main window usable.
    auto* settingsWindow = w->findChild<QWidget*>(QStringLiteral("frmPasswordType"));
    ASSERT_NE(settingsWindow, nullptr);
    EXPECT_TRUE(settingsWindow->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(settingsWindow));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    find<QRadioButton>(w, "optType0")->click();
    EXPECT_TRUE(find<QWidget>(w, "Text2")->isEnabled());
    EXPECT_EQ(text(w, "Label12"), "1 in 839299365868340000 Min\n1 in 839299365868340000 Max");
    EXPECT_EQ(text(w, "lblSpace"), "Possible: 8.39E+17, 59.5 bits");
    EXPECT_EQ(w->options().method, GenerationMethod::RandomCharacters);
}

TEST_F(MainWindowTest, NumberFieldsTakeDigitsOnlyAndRefuseOutOfRange)
{
    ui::MainWindow* w = open();
    auto* max = find<QLineEdit>(w, "Text4");
    max->clear();
    QTest::keyClicks(max, "6a1");
    EXPECT_EQ(max->text(), ""); // 61 is over 60: the field empties
    EXPECT_EQ(text(w, "Label2"), "Number must be between 1-60");
    EXPECT_FALSE(find<QPushButton>(w, "Command1")->isEnabled());
    QTest::keyClicks(max, "12");
    EXPECT_EQ(max->text(), "12");
    EXPECT_EQ(w->options().run.maxLength, 12);
    EXPECT_TRUE(find<QPushButton>(w, "Command1")->isEnabled());
}

} // namespace
} // namespace quorlix::testing
