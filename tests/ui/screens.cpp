// Renders every window and message box of the desktop program to PNG files,
// to look at, and checks each as it is shown: no label or button with a text
// that needs more room than it has, no widgets on top of each other, nothing
// outside its window. Exits with 1 when a window has such a fault.
//   quorlix-screens OUTDIR
// scripts/screens.sh builds and runs it on the offscreen platform; ctest runs
// it at the scale factors 1 and 2 (QT_SCALE_FACTOR).

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <set>

#include "LayoutCheck.h"
#include "UiTestSupport.h"
#include "output/DisplayTools.h"
#include "engine/Progress.h"
#include "output/SaveAs.h"
#include "ui/HandOutDialog.h"
#include "ui/HelpWindows.h"
#include "ui/ViewerWindow.h"

using namespace quorlix;
using namespace quorlix::testing;

namespace
{

QString g_out;
int g_saved = 0;
int g_faults = 0;

void save(QWidget* w, const char* name)
{
    if (!w) {
        std::fprintf(stderr, "no window for %s\n", name);
        ++g_faults;
        return;
    }
    w->show();
    QTest::qWait(60);
    const QString path = g_out + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
    if (w->grab().save(path))
        ++g_saved;
    std::printf("%s\n", path.toLocal8Bit().constData());
    for (const QString& fault : quorlix::testing::layoutFaults(w)) {
        std::fprintf(stderr, "%s: %s\n", name, fault.toLocal8Bit().constData());
        ++g_faults;
    }
}

// Shows the text in the program's own message box, takes its picture and closes it.
void saveMessage(QWidget* parent, const std::string& text, Icon icon, Buttons buttons, const char* name)
{
    ui::QtPrompts real;
    real.message(parent, ui::MessageRequest{text, std::string(kTitle), icon, buttons}, [](Answer) {});
    QTest::qWait(50);
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) {
            save(box, name);
            box->done(QMessageBox::Ok);
        }
    QTest::qWait(20);
}

QWidget* topLevel(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String(name))
            return w;
    return nullptr;
}

void trigger(QWidget* in, const char* action)
{
    in->findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

void closeTop(const char* name)
{
    if (QWidget* w = topLevel(name))
        w->close();
    QTest::qWait(20);
}

} // namespace

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QStringLiteral("This plugin does not support")))
        qt_message_output(type, context, message);
}

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The list the viewer shows, and the runtime folder Qt would otherwise leave under $TMPDIR.
    const quorlix::testing::TempFolder work("screens");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(work.string()));
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);

    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    RecordingDesktop desktop;
    ui::Program program(ui::Services{prompts, settings, dictionaryFolder(), desktop, nullptr,
                                     QDir::homePath().toStdString() + "/.config/Quorlix/Quorlix.ini"});
    ui::MainWindow* w = program.openWindow();
    w->resize(820, 600);
    save(w, "main-idle");

    // A run under way: ten million passwords, seen after a moment.
    w->findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("10000000"));
    w->execute();
    QTest::qWait(700);
    save(w, "main-running");
    w->stop(); // the stop prompt answers OK: what was made is kept
    (void)UiFixture::waitIdle(w, 60000);
    save(w, "main-stopped");

    w->findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("500"));
    w->execute();
    (void)UiFixture::waitIdle(w);
    save(w, "main-after-run");

    // Message boxes as the window shows them: the stop question and the
    // longest of the others; every other text the windows below ask is shown
    // at the end.
    saveMessage(w,
                "Warning:  You have selected to stop the password generation process. This run has produced 1234 of "
                "10000000 requested passwords at the time you have elected to stop.\r\n\r\nSelect 'OK' to "
                "terminate this run.\r\n\r\nSelect 'Cancel' to continue with this run.",
                Icon::Exclamation, Buttons::OkCancel, "message-box");
    saveMessage(w, std::string(kAppendQuestion), Icon::Critical, Buttons::YesNo, "message-append");

    trigger(w, "mnuCharacters");
    save(topLevel("Characters"), "characters");
    closeTop("Characters");
    trigger(w, "mnuHyphens");
    save(topLevel("Hyphens"), "hyphens");
    closeTop("Hyphens");
    trigger(w, "mnuBlankSpaces");
    save(topLevel("Hyphens"), "blank-spaces");
    closeTop("Hyphens");
    trigger(w, "mnuPasswordRules");
    save(topLevel("frmPassRules"), "password-rules");
    closeTop("frmPassRules");
    trigger(w, "mnuRandomWordsSettings");
    save(topLevel("frmPasswordType"), "random-words-settings");
    closeTop("frmPasswordType");
    trigger(w, "MultiCreateMenu");
    if (QWidget* multi = topLevel("MultiFile")) {
        save(multi, "multi-file-create");
        // Its confirmation, the longest question the program asks, is shown at the end.
        multi->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("passwords-of-the-week"));
        multi->findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("2500"));
        multi->findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(true);
        multi->findChild<QPushButton*>(QStringLiteral("cmdAccept"))->click();
        w->multiFile().active = 0;
    }
    closeTop("MultiFile");
    trigger(w, "mnuDictionaryView");
    if (QWidget* search = topLevel("frmDictionary")) {
        search->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("houseboat"));
        search->findChild<QRadioButton*>(QStringLiteral("optType1"))->setChecked(true);
        search->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        (void)QTest::qWaitFor(
            [search] { return search->findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled(); }, 20000);
        save(search, "view-dictionary");
        search->close();
    }
    // The modal windows: shown for the picture, then closed.
    QTimer::singleShot(300, [] {
        save(topLevel("frmDictLanguage"), "download-dictionary");
        closeTop("frmDictLanguage");
    });
    trigger(w, "mnuDictionaryDownload");

    settings.set(kSettingsSection, "SaveAsBox", "False");
    prompts.files = {std::nullopt};
    QTimer::singleShot(300, [] {
        save(topLevel("FrmSaveAsBox"), "save-as-box");
        closeTop("FrmSaveAsBox");
    });
    trigger(w, "SaveAsMenu");
    (void)UiFixture::waitIdle(w);

    ui::HelpCenter::instance().showQuickHelp(w, QStringLiteral("Strong Passwords"));
    save(ui::HelpCenter::instance().quickHelpWindow(), "quick-help");
    ui::HelpCenter::instance().showContents(w, QStringLiteral("Random Words"));
    save(ui::HelpCenter::instance().contentsWindow(), "help-contents");
    trigger(w, "mnuAbout");
    if (QWidget* about = topLevel("frmAbout")) {
        save(about, "about");
        about->findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->click();
        save(topLevel("SystemInformation"), "system-information");
        closeTop("SystemInformation");
    }
    closeTop("frmAbout");

    // The program's own viewer, on a list the run above can save.
    const std::string txt = work.path("list.txt");
    {
        std::FILE* f = std::fopen(txt.c_str(), "w");
        for (int i = 0; i < 40; ++i)
            std::fprintf(f, "Xq7%04dwLp\r\n", i * 37);
        std::fclose(f);
    }
    auto* viewer = ui::ViewerWindow::open(txt);
    (void)QTest::qWaitFor([viewer] { return !viewer->loading(); }, 5000);
    save(viewer, "viewer-text");
    viewer->close();
    auto* table = ui::ViewerWindow::open(dictionaryFolder() + "wordlist_english_abridged.dct");
    (void)QTest::qWaitFor([table] { return !table->loading(); }, 20000);
    save(table, "viewer-database");
    table->close();

    // A roster in use beside the count, and the options of PDF slips.
    const std::string roster = work.path("class.csv");
    {
        std::FILE* f = std::fopen(roster.c_str(), "w");
        std::fprintf(f, "Last Name,First Name\r\n\"O'Brien, Jr.\",S\xC3\xA9" "an\r\nM\xC3\xBCller,Anna\r\n");
        for (int i = 0; i < 23; ++i)
            std::fprintf(f, "Pupil,Number %d\r\n", i + 3);
        std::fclose(f);
    }
    prompts.files = {chosen(roster)};
    trigger(w, "mnuRoster");
    (void)UiFixture::waitIdle(w);
    save(w, "main-roster");
    ui::showHandOutOptions(w, ListFormat::Pdf, HandOut{}, [](std::optional<HandOut>) {});
    save(topLevel("HandOutOptions"), "slip-options");
    closeTop("HandOutOptions");
    ui::showHandOutOptions(w, ListFormat::Chpasswd, HandOut{}, [](std::optional<HandOut>) {});
    save(topLevel("HandOutOptions"), "account-list-options");
    closeTop("HandOutOptions");
    if (auto* clear = w->findChild<QAbstractButton*>(QStringLiteral("cmdClearRoster")))
        clear->click(); // the pictures below without it

    // Random Words selected.
    w->findChild<QRadioButton*>(QStringLiteral("optType1"))->click();
    closeTop("frmPasswordType");
    w->execute();
    (void)UiFixture::waitIdle(w);
    save(w, "main-random-words");

    // Pronounceable selected: its settings window, then a run in the display.
    w->findChild<QRadioButton*>(QStringLiteral("optType2"))->click();
    if (QWidget* pron = topLevel("frmPronounceable")) {
        pron->findChild<QCheckBox*>(QStringLiteral("chkSymbol"))->setChecked(true);
        save(pron, "pronounceable-settings");
        pron->findChild<QPushButton*>(QStringLiteral("cmdAccept"))->click();
        QTest::qWait(20);
    }
    w->execute();
    (void)UiFixture::waitIdle(w);
    save(w, "main-pronounceable");

    // The longest readouts, in the smallest window.
    w->findChild<QRadioButton*>(QStringLiteral("optType0"))->click();
    trigger(w, "mnuCharacters");
    if (QWidget* characters = topLevel("Characters")) {
        characters->findChild<QPushButton*>(QStringLiteral("cmdAll"))->click();
        characters->findChild<QPushButton*>(QStringLiteral("cmdAccept"))->click();
    }
    w->findChild<QLineEdit*>(QStringLiteral("Text3"))->setText(QStringLiteral("15"));
    w->findChild<QLineEdit*>(QStringLiteral("Text4"))->setText(QStringLiteral("15"));
    w->findChild<QCheckBox*>(QStringLiteral("Check2"))->click();
    w->surface().setStatus("Saving Database File: the-passwords-of-every-account-we-keep-for-the-whole-company.mdb");
    w->resize(w->minimumSize());
    save(w, "main-long-readouts");

    // The refusals of the separator windows and the rules warning.
    w->findChild<QLineEdit*>(QStringLiteral("Text3"))->setText(QStringLiteral("1"));
    w->findChild<QLineEdit*>(QStringLiteral("Text4"))->setText(QStringLiteral("1"));
    trigger(w, "mnuHyphens");
    trigger(w, "mnuBlankSpaces");
    trigger(w, "mnuPasswordRules");
    closeTop("frmPassRules");

    // Every message the windows above asked, in the box the program shows.
    std::set<std::string> asked;
    int n = 0;
    for (const ScriptedPrompts::Shown& m : prompts.messages)
        if (asked.insert(m.text).second) {
            const std::string name = "message-" + std::to_string(++n);
            saveMessage(w, m.text, m.icon, m.buttons, name.c_str());
        }

    // Closing an idle window while another runs: the question, on the real
    // message box of a program of its own. Last: its windows close every
    // window, the first program's too.
    {
        ui::QtPrompts real;
        ui::Program two(ui::Services{real, settings, dictionaryFolder(), desktop, nullptr, "memory"});
        ui::MainWindow* running = two.openWindow();
        ui::MainWindow* idle = two.openWindow();
        running->findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("10000000"));
        running->execute();
        (void)QTest::qWaitFor([running] { return running->worker().rowsMade() > 0; }, 10000);
        QTest::qWait(300);
        idle->close();
        QMessageBox* question = nullptr;
        (void)QTest::qWaitFor([&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
                    question = box;
            return question != nullptr;
        });
        save(question, "close-question");
        if (question)
            question->done(QMessageBox::No);
        for (ui::MainWindow* m : {running, idle})
            m->closeAsFollower();
        (void)QTest::qWaitFor([&] { return two.windows().empty(); }, 20000);
    }

    std::printf("%d pictures in %s, %d faults\n", g_saved, argv[1], g_faults);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<ui::MainWindow*>(top))
            main->closeAsFollower();
        top->close();
    }
    QTest::qWait(50);
    return g_saved > 17 && g_faults == 0 ? 0 : 1;
}
