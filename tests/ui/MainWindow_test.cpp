// The main window: start-up from stored settings, paired switches, the method
// switch, the number fields.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include <string>
#include <vector>

#include "LayoutCheck.h"
#include "UiTestSupport.h"
#include "ui/Widgets.h"

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
                         "  &Copy", "  Select &All",
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

TEST_F(MainWindowTest, PossiblePasswordsFollowEveryOptionThatCountsIn)
{
    ui::MainWindow* w = open();
    // Read as one line: a long text shows the count and the bits on a line each.
    auto possible = [w] { return text(w, "lblSpace").replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString(); };
    EXPECT_EQ(possible(), "Possible: 8.39E+17, 59.5 bits");

    // A rule: position 1 a number.
    action(w, "mnuPasswordRules")->trigger();
    QWidget* rules = w->findChild<QWidget*>(QStringLiteral("frmPassRules"));
    ASSERT_NE(rules, nullptr);
    find<QComboBox>(rules, "cboRule1")->setCurrentIndex(1);
    find<QPushButton>(rules, "cmdAccept")->click();
    EXPECT_EQ(possible(), "Possible: 1.35E+17, 56.9 bits");

    // A check that refuses candidates: the count becomes a bound.
    find<QCheckBox>(w, "chkSPW")->click();
    EXPECT_EQ(possible(), "Possible: at most 1.35E+17, at most 56.9 bits");
    action(w, "mnuStrongPasswords")->trigger();
    EXPECT_EQ(possible(), "Possible: 1.35E+17, 56.9 bits");
    action(w, "mnuSideBySideCheck")->trigger();
    EXPECT_EQ(possible(), "Possible: at most 1.35E+17, at most 56.9 bits");
    find<QCheckBox>(w, "Check1")->click();

    // The characters.
    action(w, "mnuCharacters")->trigger();
    QWidget* characters = w->findChild<QWidget*>(QStringLiteral("Characters"));
    ASSERT_NE(characters, nullptr);
    find<QPushButton>(characters, "cmdNoUppercase")->click();
    find<QPushButton>(characters, "cmdAccept")->click();
    EXPECT_EQ(possible(), "Possible: 1.02E+15, 49.9 bits"); // 10 x 36^9

    // Back from Random Words, the readout is there again.
    find<QRadioButton>(w, "optType1")->click();
    EXPECT_EQ(possible(), "");
    find<QRadioButton>(w, "optType0")->click();
    EXPECT_EQ(possible(), "Possible: 1.02E+15, 49.9 bits");

    // Pronounceable counts its own, and follows its settings window.
    find<QRadioButton>(w, "optType2")->click();
    EXPECT_EQ(possible(), "Possible: 4.5E+18, 62.0 bits");
    QWidget* settingsWindow = w->findChild<QWidget*>(QStringLiteral("frmPronounceable"));
    ASSERT_NE(settingsWindow, nullptr);
    find<QCheckBox>(settingsWindow, "chkSymbol")->click();
    find<QPushButton>(settingsWindow, "cmdAccept")->click();
    EXPECT_EQ(possible(), "Possible: 2.64E+19, 64.5 bits");
    find<QRadioButton>(w, "optType0")->click();
    EXPECT_EQ(possible(), "Possible: 1.02E+15, 49.9 bits");
}

TEST_F(MainWindowTest, TheWindowKeepsTheSizeTheUserGaveIt)
{
    ui::MainWindow* w = open();
    // As small as it goes: no text may need more.
    w->resize(w->minimumSize());
    const QSize size = w->minimumSize();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QTest::qWait(0);
    ASSERT_EQ(w->size(), size);
    QWidget* checks = find<QWidget>(w, "fraChecks");
    const QRect checksAt = checks->geometry();
    const QRect fieldAt = find<QWidget>(w, "Text2")->geometry();

    // The longest readouts: all 94 characters, lengths 1 to 60, a check that
    // makes the count a bound, the dictionary check's status line.
    action(w, "mnuCharacters")->trigger();
    QWidget* characters = w->findChild<QWidget*>(QStringLiteral("Characters"));
    ASSERT_NE(characters, nullptr);
    find<QPushButton>(characters, "cmdAll")->click();
    find<QPushButton>(characters, "cmdAccept")->click();
    find<QLineEdit>(w, "Text3")->setText("1");
    find<QLineEdit>(w, "Text4")->setText("60");
    find<QCheckBox>(w, "Check2")->click();
    find<QCheckBox>(w, "chkDictionary")->click();
    ASSERT_TRUE(find<QCheckBox>(w, "chkDictionary")->isChecked());
    // A status text longer than the window is shortened, whole in its tooltip.
    const std::string longStatus = "Saving Database File: " + std::string(200, 'x') + ".mdb";
    w->surface().setStatus(longStatus);
    QTest::qWait(0);
    EXPECT_EQ(w->size(), size);
    EXPECT_EQ(checks->geometry(), checksAt);
    EXPECT_EQ(find<QWidget>(w, "Text2")->geometry(), fieldAt);
    EXPECT_EQ(layoutFaultText(w), "");
    auto* status = find<QLabel>(w, "Label2");
    EXPECT_EQ(status->text().toStdString(), longStatus);
    EXPECT_EQ(status->toolTip().toStdString(), longStatus);
    EXPECT_TRUE(static_cast<ui::ElidedLabel*>(status)->shownText().endsWith(QStringLiteral("xx…")))
        << static_cast<ui::ElidedLabel*>(status)->shownText().toStdString();
    w->surface().setStatus("Complete");
    EXPECT_EQ(status->toolTip(), "");

    // Smaller lengths, then the other methods: the left column stays where it was.
    find<QLineEdit>(w, "Text3")->setText("8");
    find<QLineEdit>(w, "Text4")->setText("8");
    for (const auto& [method, settingsWindow] :
         {std::pair{"optType1", "frmPasswordType"}, std::pair{"optType2", "frmPronounceable"}}) {
        find<QRadioButton>(w, method)->click();
        if (QWidget* settingsShown = w->findChild<QWidget*>(QString::fromLatin1(settingsWindow)))
            settingsShown->close();
        QTest::qWait(0);
        EXPECT_EQ(w->size(), size) << method;
        EXPECT_EQ(checks->geometry(), checksAt) << method;
        EXPECT_EQ(find<QWidget>(w, "Text2")->geometry(), fieldAt) << method;
        EXPECT_EQ(layoutFaultText(w), "") << method;
    }
}

TEST_F(MainWindowTest, EachMenuOpensByItsAccessKeyAndItsItemsByTheirs)
{
    ui::MainWindow* w = open();
    auto activeMain = [w] {
        w->activateWindow();
        return QTest::qWaitFor([w] { return w->isActiveWindow(); }, 5000);
    };
    auto openWindow = [](const char* name) {
        QWidget* found = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (top->isVisible() && top->objectName() == QLatin1String(name))
                        found = top;
                return found != nullptr;
            },
            5000);
        return found;
    };
    // Alt and the menu's letter, then the item's letters in the menus that open.
    struct Case {
        Qt::Key menu;
        const char* title;
        std::vector<Qt::Key> items;
        const char* opens; // the window the item opens
    };
    const Case cases[] = {
        {Qt::Key_F, "&File", {Qt::Key_M}, "MultiFile"},
        {Qt::Key_O, "&Options", {Qt::Key_H}, "Characters"},
        {Qt::Key_O, "&Options", {Qt::Key_S, Qt::Key_Y}, "Hyphens"},
        {Qt::Key_O, "&Options", {Qt::Key_P}, "frmPassRules"},
        {Qt::Key_D, "&Dictionary", {Qt::Key_V}, "frmDictionary"},
        {Qt::Key_H, "&Help", {Qt::Key_A}, "frmAbout"},
        {Qt::Key_H, "&Help", {Qt::Key_H}, "HelpContents"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opens);
        ASSERT_TRUE(activeMain());
        QTest::keyClick(w, c.menu, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title().toStdString(), c.title);
        for (Qt::Key item : c.items)
            QTest::keyClick(QApplication::activePopupWidget(), item);
        QWidget* window = openWindow(c.opens);
        ASSERT_NE(window, nullptr);
        window->close();
    }

    // Edit and Tools open too; Escape closes a menu without choosing.
    for (const auto& [key, title] : {std::pair{Qt::Key_E, "&Edit"}, std::pair{Qt::Key_T, "&Tools"}}) {
        ASSERT_TRUE(activeMain());
        QTest::keyClick(w, key, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << title;
        EXPECT_EQ(menu->title().toStdString(), title);
        QTest::keyClick(menu, Qt::Key_Escape);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << title;
    }
    // Tools > Sort TXT File asks for its file.
    QTest::keyClick(w, Qt::Key_T, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_O);
    ASSERT_TRUE(waitIdle(w));
    ASSERT_FALSE(prompts.fileRequests.empty());
    EXPECT_EQ(prompts.fileRequests.back().title, "Select Text File to Sort");

    // File > Names from Roster asks for the roster.
    ASSERT_TRUE(activeMain());
    QTest::keyClick(w, Qt::Key_F, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_R);
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(prompts.fileRequests.back().title, "Names from Roster");

    // The two settings items without an access key are reached by the arrows:
    // Execute, Insert Seperators, Characters, Password Rules, Random Words
    // Settings, Pronounceable Settings.
    for (const auto& [downs, opens] : {std::pair{4, "frmPasswordType"}, std::pair{5, "frmPronounceable"}}) {
        ASSERT_TRUE(activeMain());
        QTest::keyClick(w, Qt::Key_O, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QWidget* window = openWindow(opens);
        ASSERT_NE(window, nullptr) << opens;
        window->close();
    }
}

} // namespace
} // namespace quorlix::testing
