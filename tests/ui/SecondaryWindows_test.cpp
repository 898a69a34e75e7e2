// Every window besides the main one, by keys as a user presses them: each
// opens over the middle of its main window, Escape closes it (and drops what
// it edited), Enter presses its default button. Message boxes and file
// dialogs of the real prompts answer Enter and Escape too.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>

#include <fstream>
#include <functional>
#include <map>

#include "UiInput.h"
#include "UiTestSupport.h"
#include "ui/HandOutDialog.h"
#include "ui/HelpWindows.h"
#include "ui/OptionDialogs.h"
#include "ui/ViewerWindow.h"

namespace quorlix::testing
{
namespace
{

struct SecondaryWindowsTest : UiFixture {
    ui::MainWindow* w = nullptr;
    TempFolder folder{"secondary"}; // a short path: the viewer shows it

    void SetUp() override
    {
        w = open();
        w->move(500, 200); // windows wider than it still fit the screen, centred
        w->resize(w->minimumSize());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }

    // The window of that name on the screen, once it is there.
    static QWidget* shown(const QString& name)
    {
        QWidget* found = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (top->isVisible() && top->objectName() == name)
                        found = top;
                return found != nullptr;
            },
            5000);
        return found;
    }
    // Keys go to the active window.
    static bool active(QWidget* window)
    {
        return QTest::qWaitFor([window] { return window->isActiveWindow(); }, 5000);
    }
    // The window of that name once it is on the screen and active, else null.
    static QWidget* ready(const QString& name)
    {
        QWidget* window = shown(name);
        return window && active(window) ? window : nullptr;
    }
    // A key goes where the window's focus is.
    static void press(QWidget* window, Qt::Key key)
    {
        QWidget* focus = window->focusWidget();
        QTest::keyClick(focus ? focus : window, key);
    }
    static bool closes(QWidget* window)
    {
        QPointer<QWidget> guard(window);
        return QTest::qWaitFor([guard] { return !guard || !guard->isVisible(); }, 5000);
    }
    std::string textFile()
    {
        const std::string path = folder.path("list.txt");
        std::ofstream(path, std::ios::binary) << "first\r\nsecond\r\n";
        return path;
    }
};

TEST_F(SecondaryWindowsTest, EachOpensOverTheMiddleOfItsMainWindowAndEscapeClosesIt)
{
    const QPoint middle = w->frameGeometry().center();
    struct Case {
        const char* window;
        std::function<void()> open;
    };
    const Case cases[] = {
        {"QuickHelp", [&] { QTest::mouseClick(find<QWidget>(w, "chkSPW"), Qt::RightButton); }},
        {"HelpContents", [&] { action(w, "mnuHelp")->trigger(); }},
        {"ViewerWindow",
         [&] {
             prompts.files = {chosen(textFile())};
             action(w, "mnuViewQuorlix1")->trigger();
         }},
        {"ViewerWindow",
         [&] {
             prompts.files = {chosen(dictionaryFolder() + "wordlist_english_abridged.dct")};
             action(w, "mnuViewQuorlix")->trigger();
         }},
        {"Characters", [&] { action(w, "mnuCharacters")->trigger(); }},
        {"Hyphens", [&] { action(w, "mnuHyphens")->trigger(); }},
        {"frmPassRules", [&] { action(w, "mnuPasswordRules")->trigger(); }},
        {"frmPasswordType", [&] { action(w, "mnuRandomWordsSettings")->trigger(); }},
        {"frmPronounceable", [&] { action(w, "mnuPronounceableSettings")->trigger(); }},
        {"MultiFile", [&] { action(w, "MultiCreateMenu")->trigger(); }},
        {"frmDictionary", [&] { action(w, "mnuDictionaryView")->trigger(); }},
        {"frmAbout", [&] { action(w, "mnuAbout")->trigger(); }},
        {"HandOutOptions", [&] { ui::showHandOutOptions(w, ListFormat::Pdf, HandOut{}, [](auto) {}); }},
        {"HandOutOptions", [&] { ui::showHandOutOptions(w, ListFormat::Chpasswd, HandOut{}, [](auto) {}); }},
        {"FrmSaveAsBox",
         [&] {
             settings.set("Settings", "SaveAsBox", "False");
             w->execute();
             ASSERT_TRUE(waitIdle(w));
             action(w, "SaveAsMenu")->trigger();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        c.open();
        QWidget* window = ready(QString::fromLatin1(c.window));
        ASSERT_NE(window, nullptr);
        const QPoint at = window->frameGeometry().center();
        EXPECT_LE((at - middle).manhattanLength(), 2) << at.x() << "," << at.y() << " vs " << middle.x() << ","
                                                       << middle.y();
        press(window, Qt::Key_Escape);
        EXPECT_TRUE(closes(window));
    }
    ASSERT_TRUE(waitIdle(w)); // the Save As that the note's Escape went on with
}

// Opened from About, over it and so over the main window; Escape closes it,
// then About.
TEST_F(SecondaryWindowsTest, SystemInformationOpensOverTheMainWindowAndEscapeClosesIt)
{
    const QPoint middle = w->frameGeometry().center();
    action(w, "mnuAbout")->trigger();
    QWidget* about = ready(QStringLiteral("frmAbout"));
    ASSERT_NE(about, nullptr);
    QTest::mouseClick(find<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
    QWidget* info = ready(QStringLiteral("SystemInformation"));
    ASSERT_NE(info, nullptr);
    EXPECT_LE((info->frameGeometry().center() - middle).manhattanLength(), 2);
    press(info, Qt::Key_Escape);
    EXPECT_TRUE(closes(info));
    EXPECT_TRUE(about->isVisible());
    about->activateWindow(); // a window manager's part
    ASSERT_TRUE(active(about));
    press(about, Qt::Key_Escape);
    EXPECT_TRUE(closes(about));
}

TEST_F(SecondaryWindowsTest, TheDownloadWindowOpensOverTheMainWindowAndClosesOnEscape)
{
    const QPoint middle = w->frameGeometry().center();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* window = shown(QStringLiteral("frmDictLanguage"));
        ASSERT_NE(window, nullptr);
        seen = true;
        ASSERT_TRUE(active(window));
        EXPECT_LE((window->frameGeometry().center() - middle).manhattanLength(), 2);
        press(window, Qt::Key_Escape);
    });
    action(w, "mnuDictionaryDownload")->trigger(); // returns when the window has closed
    EXPECT_TRUE(seen);
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->isVisible() && top->objectName() == QStringLiteral("frmDictLanguage"));
}

TEST_F(SecondaryWindowsTest, EscapeDropsWhatTheWindowEdited)
{
    const OptionState before = w->options();
    action(w, "mnuCharacters")->trigger();
    QWidget* characters = ready(QStringLiteral("Characters"));
    ASSERT_NE(characters, nullptr);
    press(characters, Qt::Key_Space); // the first box, "0"
    EXPECT_FALSE(find<QCheckBox>(characters, "chkChar48")->isChecked());
    press(characters, Qt::Key_Escape);
    EXPECT_TRUE(closes(characters));
    EXPECT_EQ(w->options().pool, before.pool);

    action(w, "mnuPasswordRules")->trigger();
    QWidget* rules = ready(QStringLiteral("frmPassRules"));
    ASSERT_NE(rules, nullptr);
    press(rules, Qt::Key_Down); // the first position, "Number"
    EXPECT_EQ(find<QComboBox>(rules, "cboRule1")->currentIndex(), 1);
    press(rules, Qt::Key_Escape);
    EXPECT_TRUE(closes(rules));
    EXPECT_EQ(w->options().rules, before.rules);
}

TEST_F(SecondaryWindowsTest, EnterPressesTheDefaultButton)
{
    // The option windows accept what was edited.
    action(w, "mnuCharacters")->trigger();
    QWidget* window = ready(QStringLiteral("Characters"));
    ASSERT_NE(window, nullptr);
    press(window, Qt::Key_Space);
    press(window, Qt::Key_Return);
    EXPECT_TRUE(closes(window));
    EXPECT_FALSE(w->options().pool.isAvailable('0'));
    EXPECT_EQ(find<QLabel>(w, "Label8")->text(), "61");

    find<QLineEdit>(w, "Text3")->setText("5");
    action(w, "mnuHyphens")->trigger();
    window = ready(QStringLiteral("Hyphens"));
    ASSERT_NE(window, nullptr);
    press(window, Qt::Key_Space); // after character 1
    press(window, Qt::Key_Enter);
    EXPECT_TRUE(closes(window));
    EXPECT_EQ(w->options().inserts.hyphen[1], 1);

    action(w, "mnuPasswordRules")->trigger();
    window = ready(QStringLiteral("frmPassRules"));
    ASSERT_NE(window, nullptr);
    press(window, Qt::Key_Down);
    press(window, Qt::Key_Return);
    EXPECT_TRUE(closes(window));
    EXPECT_EQ(w->options().rules.rule[1], 1);

    action(w, "mnuRandomWordsSettings")->trigger();
    window = ready(QStringLiteral("frmPasswordType"));
    ASSERT_NE(window, nullptr);
    find<QLineEdit>(window, "txtQtyWords")->setFocus();
    QTest::keyClick(find<QLineEdit>(window, "txtQtyWords"), Qt::Key_Backspace);
    QTest::keyClicks(find<QLineEdit>(window, "txtQtyWords"), "3");
    press(window, Qt::Key_Return);
    EXPECT_TRUE(closes(window));
    EXPECT_EQ(w->options().words.wordsPerPassword, 3);

    // Pronounceable: Alt+P reaches the capital's box, Down picks the next.
    action(w, "mnuPronounceableSettings")->trigger();
    window = ready(QStringLiteral("frmPronounceable"));
    ASSERT_NE(window, nullptr);
    QTest::keyClick(window->focusWidget(), Qt::Key_P, Qt::AltModifier);
    auto* capital = find<QComboBox>(window, "cboCapital");
    ASSERT_TRUE(QTest::qWaitFor([capital] { return capital->hasFocus(); }, 2000));
    QTest::keyClick(capital, Qt::Key_Down);
    EXPECT_EQ(capital->currentText().toStdString(), "One letter at random");
    press(window, Qt::Key_Return);
    EXPECT_TRUE(closes(window));
    EXPECT_EQ(w->options().pronounceable.capital, CapitalStyle::Random);

    // Multi-File Create checks its fields on Enter as on Accept, and stays.
    action(w, "MultiCreateMenu")->trigger();
    window = ready(QStringLiteral("MultiFile"));
    ASSERT_NE(window, nullptr);
    find<QLineEdit>(window, "Text1")->clear();
    prompts.messages.clear();
    press(window, Qt::Key_Return);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, " File Name Preface field must be filled-in");
    EXPECT_TRUE(window->isVisible());
    press(window, Qt::Key_Escape);
    EXPECT_TRUE(closes(window));

    // View Dictionary searches once per Enter.
    action(w, "mnuDictionaryView")->trigger();
    window = ready(QStringLiteral("frmDictionary"));
    ASSERT_NE(window, nullptr);
    auto* word = find<QLineEdit>(window, "Text1");
    word->setFocus();
    QTest::keyClicks(word, "abc");
    prompts.messages.clear();
    QTest::keyClick(word, Qt::Key_Return);
    ASSERT_EQ(prompts.messages.size(), 1u); // too short, said once
    QTest::keyClick(word, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(word, "houseboat");
    QTest::keyClick(word, Qt::Key_Return);
    auto* results = find<QPlainTextEdit>(window, "Text2");
    EXPECT_TRUE(QTest::qWaitFor([results] { return results->toPlainText().contains(QStringLiteral("houseboat")); },
                                20000))
        << results->toPlainText().toStdString();
    press(window, Qt::Key_Escape);
    EXPECT_TRUE(closes(window));

    // The Save As note goes on to the file dialog.
    settings.set("Settings", "SaveAsBox", "False");
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    const std::size_t asked = prompts.fileRequests.size();
    action(w, "SaveAsMenu")->trigger();
    window = ready(QStringLiteral("FrmSaveAsBox"));
    ASSERT_NE(window, nullptr);
    press(window, Qt::Key_Return);
    EXPECT_TRUE(closes(window));
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(prompts.fileRequests.size(), asked + 1);
}

// The options asked before slips or an account list are saved: Enter keeps
// what was typed, Escape cancels the save.
TEST_F(SecondaryWindowsTest, TheHandOutOptionsAnswerEnterAndEscape)
{
    std::optional<std::optional<HandOut>> reply;
    ui::showHandOutOptions(w, ListFormat::Pdf, HandOut{}, [&](std::optional<HandOut> h) { reply = h; });
    QWidget* window = ready(QStringLiteral("HandOutOptions"));
    ASSERT_NE(window, nullptr);
    QTest::keyClick(window->focusWidget(), Qt::Key_H, Qt::AltModifier); // Heading
    ASSERT_TRUE(QTest::qWaitFor([window] { return window->focusWidget()->objectName() == "txtHeading"; }, 2000));
    QTest::keyClicks(window->focusWidget(), "Your account");
    QTest::keyClick(window->focusWidget(), Qt::Key_S, Qt::AltModifier); // Slips per page
    press(window, Qt::Key_Down);
    const int perPage = find<QComboBox>(window, "cboSlipsPerPage")->currentData().toInt();
    press(window, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reply.has_value(); }, 2000));
    ASSERT_TRUE(reply->has_value());
    EXPECT_EQ((*reply)->slips.heading, "Your account");
    EXPECT_EQ((*reply)->slips.perPage, perPage);
    EXPECT_NE(perPage, HandOut{}.slips.perPage);

    reply.reset();
    ui::showHandOutOptions(w, ListFormat::Chpasswd, HandOut{}, [&](std::optional<HandOut> h) { reply = h; });
    window = ready(QStringLiteral("HandOutOptions"));
    ASSERT_NE(window, nullptr);
    press(window, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reply.has_value(); }, 2000));
    EXPECT_FALSE(reply->has_value());
    EXPECT_TRUE(closes(window));
}

TEST_F(SecondaryWindowsTest, RealMessageBoxesAndFileDialogsAnswerEnterAndEscape)
{
    ui::QtPrompts real;
    struct Case {
        Buttons buttons;
        Qt::Key key;
        Answer answer;
    };
    for (const Case& c : {Case{Buttons::YesNo, Qt::Key_Return, Answer::Yes}, Case{Buttons::YesNo, Qt::Key_Escape, Answer::No},
                          Case{Buttons::OkCancel, Qt::Key_Enter, Answer::Ok},
                          Case{Buttons::OkCancel, Qt::Key_Escape, Answer::Cancel},
                          Case{Buttons::Ok, Qt::Key_Escape, Answer::Ok}}) {
        std::optional<Answer> answer;
        real.message(w, ui::MessageRequest{"Go on?", "Quorlix", Icon::Exclamation, c.buttons},
                     [&](Answer a) { answer = a; });
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<QMessageBox*>(box), nullptr);
        ASSERT_TRUE(active(box));
        press(box, c.key);
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 2000));
        EXPECT_EQ(*answer, c.answer) << static_cast<int>(c.buttons) << " " << c.key;
    }

    bool replied = false;
    std::optional<ChosenFile> file{ChosenFile{"x", "x"}};
    real.file(w, ui::openFileRequest("Select Text File", "Text Files (*.txt)|*.txt"), [&](std::optional<ChosenFile> f) {
        replied = true;
        file = f;
    });
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(active(dialog));
    press(dialog, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return replied; }, 2000));
    EXPECT_FALSE(file.has_value());
}

// The letters Alt reaches in a window: its buttons, the labels of fields,
// and for a main window its menu titles; "letter: caption, caption" for each
// letter taken twice.
QStringList clashes(const std::vector<std::pair<QString, QString>>& captions)
{
    std::map<QString, QStringList> byKey;
    for (const auto& [caption, where] : captions) {
        const QString key = QKeySequence::mnemonic(caption).toString();
        if (!key.isEmpty())
            byKey[key] << where + QStringLiteral(" \"") + caption + QLatin1Char('"');
    }
    QStringList out;
    for (const auto& [key, users] : byKey)
        if (users.size() > 1)
            out << key + QStringLiteral(": ") + users.join(QStringLiteral(", "));
    return out;
}

QStringList windowClashes(QWidget* window)
{
    std::vector<std::pair<QString, QString>> captions;
    const QString name = window->objectName();
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(window) || child->window() != window)
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(child))
            captions.emplace_back(button->text(), name);
        else if (auto* label = qobject_cast<QLabel*>(child); label && label->buddy())
            captions.emplace_back(label->text(), name);
        else if (auto* box = qobject_cast<QGroupBox*>(child))
            captions.emplace_back(box->title(), name);
    }
    if (auto* main = qobject_cast<QMainWindow*>(window))
        for (QAction* menu : main->menuBar()->actions())
            captions.emplace_back(menu->text(), name + QStringLiteral(" menu bar"));
    return clashes(captions);
}

QStringList menuClashes(QMenu* menu)
{
    std::vector<std::pair<QString, QString>> captions;
    for (QAction* item : menu->actions())
        if (!item->isSeparator())
            captions.emplace_back(item->text(), menu->title().isEmpty() ? menu->objectName() : menu->title());
    return clashes(captions);
}

TEST_F(SecondaryWindowsTest, NoTwoControlsOrMenuItemsShareAnAccessKey)
{
    // The main window with its menu titles, and each menu (submenus and the
    // display's right-click menu too).
    QStringList found = windowClashes(w);
    const QList<QMenu*> menus = w->findChildren<QMenu*>();
    ASSERT_GE(menus.size(), 11);
    for (QMenu* menu : menus)
        found << menuClashes(menu);

    settings.set("Settings", "SaveAsBox", "False");
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    const std::pair<const char*, std::function<void()>> windows[] = {
        {"Characters", [&] { action(w, "mnuCharacters")->trigger(); }},
        {"Hyphens", [&] { action(w, "mnuHyphens")->trigger(); }},
        {"frmPassRules", [&] { action(w, "mnuPasswordRules")->trigger(); }},
        {"frmPasswordType", [&] { action(w, "mnuRandomWordsSettings")->trigger(); }},
        {"frmPronounceable", [&] { action(w, "mnuPronounceableSettings")->trigger(); }},
        {"MultiFile", [&] { action(w, "MultiCreateMenu")->trigger(); }},
        {"frmDictionary", [&] { action(w, "mnuDictionaryView")->trigger(); }},
        {"frmAbout", [&] { action(w, "mnuAbout")->trigger(); }},
        {"SystemInformation", [&] { find<QPushButton>(shown(QStringLiteral("frmAbout")), "cmdSysInfo")->click(); }},
        {"QuickHelp", [&] { QTest::mouseClick(find<QWidget>(w, "chkSPW"), Qt::RightButton); }},
        {"HelpContents", [&] { action(w, "mnuHelp")->trigger(); }},
        {"ViewerWindow",
         [&] {
             prompts.files = {chosen(dictionaryFolder() + "wordlist_english_abridged.dct")};
             action(w, "mnuViewQuorlix")->trigger();
         }},
        {"HandOutOptions", [&] { ui::showHandOutOptions(w, ListFormat::Pdf, HandOut{}, [](auto) {}); }},
        {"HandOutOptions", [&] { ui::showHandOutOptions(w, ListFormat::Chpasswd, HandOut{}, [](auto) {}); }},
        {"FrmSaveAsBox", [&] { action(w, "SaveAsMenu")->trigger(); }},
    };
    for (const auto& [name, openIt] : windows) {
        openIt();
        QWidget* window = shown(QString::fromLatin1(name));
        ASSERT_NE(window, nullptr) << name;
        found << windowClashes(window);
        if (window->objectName() == QStringLiteral("HandOutOptions"))
            window->close(); // one at a time
    }
    QTimer::singleShot(0, [&] {
        QWidget* window = shown(QStringLiteral("frmDictLanguage"));
        ASSERT_NE(window, nullptr);
        found << windowClashes(window);
        window->close();
    });
    action(w, "mnuDictionaryDownload")->trigger();
    find<QPushButton>(shown(QStringLiteral("FrmSaveAsBox")), "cmdOK")->click();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(found.join(QLatin1Char('\n')).toStdString(), "");
}

TEST_F(SecondaryWindowsTest, TheAccessKeysOfTheCharactersAndMultiFileWindowsWork)
{
    // A button pressed by its key shows itself pressed for a moment first.
    auto soon = [](auto condition) { return QTest::qWaitFor(condition, 2000); };
    action(w, "mnuCharacters")->trigger();
    QWidget* characters = ready(QStringLiteral("Characters"));
    ASSERT_NE(characters, nullptr);
    auto* a = find<QCheckBox>(characters, "chkChar97");
    auto* tilde = find<QCheckBox>(characters, "chkChar126");
    QTest::keyClick(characters->focusWidget(), Qt::Key_L, Qt::AltModifier); // All
    EXPECT_TRUE(soon([tilde] { return tilde->isChecked(); }));
    QTest::keyClick(characters->focusWidget(), Qt::Key_E, Qt::AltModifier); // No Letters (LC)
    EXPECT_TRUE(soon([a] { return !a->isChecked(); }));
    EXPECT_TRUE(find<QCheckBox>(characters, "chkChar65")->isChecked());
    QTest::keyClick(characters->focusWidget(), Qt::Key_C, Qt::AltModifier); // Cancel
    EXPECT_TRUE(closes(characters));

    action(w, "MultiCreateMenu")->trigger();
    QWidget* multi = ready(QStringLiteral("MultiFile"));
    ASSERT_NE(multi, nullptr);
    auto* activate = find<QCheckBox>(multi, "Check1");
    QTest::keyClick(multi->focusWidget(), Qt::Key_I, Qt::AltModifier); // Activate
    EXPECT_TRUE(soon([activate] { return activate->isChecked(); }));
    auto* htm = find<QRadioButton>(multi, "optFileType2");
    QTest::keyClick(multi->focusWidget(), Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(soon([htm] { return htm->isChecked(); }));
    QTest::keyClick(multi->focusWidget(), Qt::Key_L, Qt::AltModifier); // Help
    EXPECT_TRUE(soon([] { return ui::HelpCenter::instance().lastTopic() == QStringLiteral("Multi-File Create Menu"); }));
    multi->activateWindow();
    ASSERT_TRUE(active(multi));
    QTest::keyClick(multi->focusWidget(), Qt::Key_C, Qt::AltModifier); // Cancel
    EXPECT_TRUE(closes(multi));
    EXPECT_EQ(w->multiFile().active, 0);
}

TEST_F(SecondaryWindowsTest, TheWheelScrollsEveryPanelItIsTurnedOver)
{
    // Turns one notch down over the panel: its bar moves.
    auto scrolls = [](QAbstractScrollArea* panel) {
        QScrollBar* bar = panel->verticalScrollBar();
        if (bar->maximum() == 0)
            return std::string("nothing to scroll");
        const int before = bar->value();
        turnWheel(panel->viewport(), -1);
        return bar->value() > before ? std::string() : "stays at " + std::to_string(bar->value());
    };
    auto panelOf = [](QWidget* window, const char* name) {
        auto* panel = window ? window->findChild<QAbstractScrollArea*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(panel, nullptr) << name;
        return panel;
    };

    QTest::mouseClick(find<QWidget>(w, "chkSPW"), Qt::RightButton);
    QWidget* quick = shown(QStringLiteral("QuickHelp"));
    ASSERT_NE(quick, nullptr);
    auto* quickText = static_cast<QTextBrowser*>(panelOf(quick, "quickHelpText"));
    quickText->setHtml(ui::topicHtml(QStringLiteral("Random Words")));
    EXPECT_EQ(scrolls(quickText), "");

    action(w, "mnuHelp")->trigger();
    QWidget* contents = shown(QStringLiteral("HelpContents"));
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(scrolls(panelOf(contents, "helpTopics")), "");

    std::string lines;
    for (int i = 0; i < 300; ++i)
        lines += "line" + std::to_string(i) + "\r\n";
    const std::string txt = folder.path("lines.txt");
    std::ofstream(txt, std::ios::binary) << lines;
    prompts.files = {chosen(txt)};
    action(w, "mnuViewQuorlix1")->trigger();
    QWidget* viewer = shown(QStringLiteral("ViewerWindow"));
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([viewer] { return !static_cast<ui::ViewerWindow*>(viewer)->loading(); }, 5000));
    QTest::qWait(0);
    EXPECT_EQ(scrolls(panelOf(viewer, "lstLines")), "");
    viewer->close();

    prompts.files = {chosen(dictionaryFolder() + "wordlist_english_abridged.dct")};
    action(w, "mnuViewQuorlix")->trigger();
    viewer = shown(QStringLiteral("ViewerWindow"));
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([viewer] { return !static_cast<ui::ViewerWindow*>(viewer)->loading(); }, 20000));
    QTest::qWait(0);
    auto* table = panelOf(viewer, "tblRecords");
    auto* tables = find<QComboBox>(viewer, "cboTable");
    const int tableShown = tables->currentIndex();
    EXPECT_EQ(scrolls(table), "");
    turnWheel(tables, -1); // over the table's choice, without the focus: no other table
    EXPECT_EQ(tables->currentIndex(), tableShown);

    action(w, "mnuDictionaryView")->trigger();
    QWidget* search = shown(QStringLiteral("frmDictionary"));
    ASSERT_NE(search, nullptr);
    auto* results = static_cast<QPlainTextEdit*>(panelOf(search, "Text2"));
    results->setPlainText(QString::fromStdString(lines));
    EXPECT_EQ(scrolls(results), "");

    // The folder list of Multi-File Create, on a folder of 40 folders.
    for (int i = 0; i < 40; ++i)
        QDir(QString::fromStdString(folder.string())).mkdir(QStringLiteral("folder%1").arg(i));
    action(w, "MultiCreateMenu")->trigger();
    auto* multi = static_cast<ui::MultiFileDialog*>(shown(QStringLiteral("MultiFile")));
    ASSERT_NE(multi, nullptr);
    multi->chooseFolder(QString::fromStdString(folder.string()));
    auto* folders = qobject_cast<QTreeView*>(panelOf(multi, "dirFolders"));
    ASSERT_TRUE(QTest::qWaitFor([folders] { return folders->verticalScrollBar()->maximum() > 0; }, 5000));
    folders->verticalScrollBar()->setValue(0);
    EXPECT_EQ(scrolls(folders), "");
    multi->close();

    // Windows without a panel: a box under the wheel, without the focus,
    // stays as it is.
    struct Boxes {
        const char* window;
        std::function<void()> open;
        std::vector<const char*> boxes;
    };
    const Boxes windows[] = {
        {"frmPasswordType", [&] { action(w, "mnuRandomWordsSettings")->trigger(); }, {"cboDictionaryFile", "cboWordCase"}},
        {"frmPronounceable", [&] { action(w, "mnuPronounceableSettings")->trigger(); }, {"cboCapital", "cboSeparator"}},
        {"HandOutOptions", [&] { ui::showHandOutOptions(w, ListFormat::Pdf, HandOut{}, [](auto) {}); },
         {"cboPaper", "cboSlipsPerPage"}},
        {"HandOutOptions", [&] { ui::showHandOutOptions(w, ListFormat::Chpasswd, HandOut{}, [](auto) {}); },
         {"cboHash"}},
    };
    for (const Boxes& c : windows) {
        c.open();
        QWidget* window = shown(QString::fromLatin1(c.window));
        ASSERT_NE(window, nullptr) << c.window;
        for (const char* name : c.boxes) {
            auto* box = find<QComboBox>(window, name);
            ASSERT_GT(box->count(), 1) << name;
            box->setCurrentIndex(0);
            window->setFocus(); // the window, not the box
            turnWheel(box, -1);
            EXPECT_EQ(box->currentIndex(), 0) << name;
        }
        window->close();
        EXPECT_TRUE(closes(window));
    }
}

} // namespace
} // namespace quorlix::testing
