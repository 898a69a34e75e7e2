// The Tools, Dictionary and settings-file commands through their windows.

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>

#include <gmock/gmock.h>

#include "UiTestSupport.h"
#include "output/Compact.h"
#include "platform/jet/JetWriter.h"
#include "ui/ToolDialogs.h"
#include "ui/ViewerWindow.h"

namespace fs = std::filesystem;

namespace quorlix::testing
{
namespace
{

struct ToolsTest : UiFixture {
    TempFolder dir;
    std::string path(const char* name) const { return dir.path(name); }
    static QString label(ui::MainWindow* w, const char* name) { return find<QLabel>(w, name)->text(); }
    static ui::ViewerWindow* viewer()
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* v = qobject_cast<ui::ViewerWindow*>(top); v && v->isVisible())
                return v;
        return nullptr;
    }
};

TEST_F(ToolsTest, ConvertSortCompactAndViewTheirFiles)
{
    dir.write("list.txt", "b2\r\nA1\r\nc3\r\n");
    ui::MainWindow* w = open();

    prompts.files = {chosen(path("list.txt")), chosen(path("list.csv"))};
    prompts.answers = {Answer::No};
    action(w, "ConverTXTtoCSV")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(prompts.fileRequests[0].title, "Select Text File to Convert");
    EXPECT_EQ(prompts.fileRequests[1].title, "Type New CSV File Name");
    EXPECT_EQ(prompts.fileRequests[1].proposedName, "list");
    EXPECT_NE(readBytes(path("list.csv")).find("\"\",\"\",\"b2\"\r\n"), std::string::npos);
    EXPECT_EQ(label(w, "Label2"), "Saved CSV File: list.csv");

    prompts.files = {chosen(path("list.txt")), chosen(path("list.mdb"))};
    prompts.answers = {Answer::No};
    action(w, "SaveSortedDB")->trigger();
    ASSERT_TRUE(waitIdle(w));
    ASSERT_TRUE(fs::exists(path("list.mdb")));

    prompts.files = {chosen(path("list.txt"))};
    action(w, "mnuSortTxt")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(readBytes(path("list.txt")), "A1\r\nb2\r\nc3\r\n");
    EXPECT_EQ(label(w, "Label2"), "Sorted File: list.txt");

    prompts.files = {chosen(path("list.mdb")), chosen(path("listx.mdb"))};
    action(w, "CompactDBMenu")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(prompts.fileRequests.back().proposedName, "listx.mdb");
    EXPECT_EQ(label(w, "Label2"), "Compacted Database File: listx.mdb");
    prompts.files = {std::nullopt};
    action(w, "RepairDBMenu")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(prompts.texts().back(), kRepairFailed);
    EXPECT_EQ(prompts.messages.back().icon, Icon::None);

    // The program's own viewer: the compacted table and the sorted text.
    prompts.files = {chosen(path("listx.mdb"))};
    action(w, "mnuViewQuorlix")->trigger();
    auto* table = viewer();
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([table] { return !table->loading(); }));
    EXPECT_EQ(table->summary(), "3 records");
    EXPECT_EQ(table->cell(0, 2), "b2"); // Last Name, First Name, Password; record order
    table->close();
    prompts.files = {chosen(path("list.txt"))};
    action(w, "mnuViewQuorlix1")->trigger();
    auto* text = viewer();
    ASSERT_NE(text, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([text] { return !text->loading(); }));
    EXPECT_EQ(text->summary(), "3 lines");
    EXPECT_EQ(text->cell(1, 0), "b2");
    text->close();

    // The desktop's applications.
    prompts.files = {chosen(path("list.csv")), chosen(path("list.csv"))};
    action(w, "mnuViewExcel")->trigger();
    action(w, "mnuViewQuorlix3")->trigger();
    EXPECT_EQ(desktop.opened, (std::vector<std::string>{"file:" + path("list.csv"), "editor:" + path("list.csv")}));
}

// Each command that asks for a file, with the dialog's title and file types
// as the user reads them (every dialog here is cancelled).
TEST_F(ToolsTest, EachFileCommandAsksWithItsTitleAndFileTypes)
{
    dir.write("list.txt", "a\r\n");
    ui::MainWindow* w = open();
    const std::string text = "Text File (*.txt)|*.txt|All Files (*.*)|*.*";
    const std::string database = "MS-Access Database File (*.mdb)|*.mdb|All Files (*.*)|*.*";
    const std::string csv = "Comma-Seperated Values File (*.csv)|*.csv|All Files (*.*)|*.*";
    const std::string convertFrom = "save=0 Select Text File to Convert|Text File (*.txt)|*.txt";
    struct Case {
        const char* command;
        int chosen;                     // files chosen before the cancelled dialog
        std::vector<std::string> asked; // "save=S title|filter"
    };
    const Case cases[] = {
        {"mnuOpenTxt", 0, {"save=0 Select Text File|Text Files (*.txt)|*.txt; |All Files (*.*)|*.*"}},
        {"mnuOpenSettings", 0, {"save=0 Open Settings|Settings File (*.set)|*.set"}},
        {"mnuSaveSettings", 0, {"save=1 Save Settings As|Settings File (*.set)|*.set"}},
        {"SaveSortedDB", 1, {convertFrom, "save=1 Type New Database File Name|MS-Access Database File (*.mdb)|*.mdb"}},
        {"ConverTXTtoCSV", 1, {convertFrom, "save=1 Type New CSV File Name|Comma-Seperated Values File (*.csv)|*.csv"}},
        {"ConvertTXTtoHTML", 1, {convertFrom, "save=1 Type New HTM File Name|Hyper Text File (*.htm;html)|*.htm;html"}},
        {"mnuSortTxt", 0, {"save=0 Select Text File to Sort|" + text}},
        {"mnuViewAccess", 0, {"save=0 Select File to Open|" + database}},
        {"mnuViewQuorlix", 0, {"save=0 Select File to Open|" + database}},
        {"mnuViewWordpad", 0, {"save=0 Select File to Open|" + text}},
        {"mnuViewQuorlix1", 0, {"save=0 Select File to Open|" + text}},
        {"mnuViewBrowser", 0, {"save=0 Select File to Open|Text File (*.htm;html)|*.htm;html|All Files (*.*)|*.*"}},
        {"mnuViewQuorlix2",
         0,
         {"save=0 Select File to Open|Hypertext File (*.htm;html)|*.htm;html|All Files (*.*)|*.*"}},
        {"mnuViewExcel", 0, {"save=0 Select File to Open|" + csv}},
        {"mnuViewQuorlix3", 0, {"save=0 Select File to Open|" + csv}},
        {"CompactDBMenu", 0, {"save=0 Select Database File to Compact|MS-Access Database File (*.mdb)|*.mdb"}},
        {"RepairDBMenu", 0, {"save=1 Select Database File to Repair|MS-Access Database File (*.mdb)|*.mdb"}},
        {"mnuDictionayAdd", 0, {"save=0 Select Dictionary File|Dictionary Files (*.dct)|*.dct"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        prompts.fileRequests.clear();
        prompts.files.clear();
        for (int i = 0; i < c.chosen; ++i)
            prompts.files.push_back(chosen(path("list.txt")));
        prompts.files.push_back(std::nullopt);
        action(w, c.command)->trigger();
        ASSERT_TRUE(waitIdle(w));
        std::vector<std::string> asked;
        for (const ui::FileRequest& r : prompts.fileRequests)
            asked.push_back("save=" + std::to_string(r.save) + " " + r.title + "|" + r.filter);
        EXPECT_EQ(asked, c.asked);
    }
}

// A file the desktop can't open: the message says what to check, by the
// file's type; the text viewer's own failure is shown as it comes.
TEST_F(ToolsTest, FilesTheDesktopCannotOpenSayWhatToCheck)
{
    ui::MainWindow* w = open();
    desktop.failure = Status::ioError("No text editor is set for plain text on this desktop.");
    const std::string hint = " Please verify that your system has an application for ";
    const std::pair<const char*, std::string> cases[] = {
        {"mnuViewExcel",
         "Unable to open " + path("a.csv") + hint +
             "CSV files installed and that it is set as the default for the CSV extension. If you are "
             "using another application which reads CSV files, then make sure that application is set."},
        {"mnuViewAccess", "Unable to open " + path("a.mdb") + hint +
                              "MDB files installed and that it is set as the default for the MDB extension."},
        {"mnuViewBrowser", "Unable to open " + path("a.htm")},
        {"mnuViewWordpad", "No text editor is set for plain text on this desktop."},
    };
    const char* names[] = {"a.csv", "a.mdb", "a.htm", "a.txt"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].first);
        prompts.messages.clear();
        prompts.files = {chosen(path(names[i]))};
        action(w, cases[i].first)->trigger();
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, cases[i].second);
        EXPECT_EQ(prompts.messages[0].icon, Icon::Exclamation);
        EXPECT_EQ(prompts.messages[0].buttons, Buttons::Ok);
    }
}

// The program's viewer on a file it can't read as a database, and on a
// database of no tables: the summary line says which.
TEST_F(ToolsTest, ViewerSaysWhatItCouldNotShow)
{
    dir.write("junk.mdb", std::string(4096, 'x'));
    Status status;
    auto empty = jet::createDatabaseWriter(path("empty.mdb"), jet::JetVersion::Jet4, "", {}, &status);
    ASSERT_TRUE(empty) << status.message();
    ASSERT_TRUE(empty->close().isOk());
    const std::pair<const char*, std::string> cases[] = {
        {"junk.mdb",
         "This file could not be read as a database: Unrecognized database format '" + path("junk.mdb") + "'."},
        {"empty.mdb", "The database holds no tables."},
    };
    for (const auto& [name, summary] : cases) {
        auto* viewer = ui::ViewerWindow::open(path(name));
        ASSERT_TRUE(QTest::qWaitFor([viewer] { return !viewer->loading(); }));
        EXPECT_EQ(viewer->summary().toStdString(), summary);
        viewer->close();
    }
}

TEST_F(ToolsTest, SettingsFilesRoundTripThroughTheWindow)
{
    ui::MainWindow* w = open();
    find<QLineEdit>(w, "Text2")->setText("777");
    find<QCheckBox>(w, "Check2")->click();
    prompts.files = {chosen(path("mine.set"))};
    action(w, "mnuSaveSettings")->trigger();
    EXPECT_EQ(prompts.fileRequests.back().title, "Save Settings As");
    ASSERT_TRUE(fs::exists(path("mine.set")));

    find<QLineEdit>(w, "Text2")->setText("5");
    find<QCheckBox>(w, "Check2")->click();
    find<QRadioButton>(w, "optType1")->click();
    prompts.files = {chosen(path("mine.set"))};
    action(w, "mnuOpenSettings")->trigger();
    EXPECT_EQ(find<QLineEdit>(w, "Text2")->text(), "777");
    EXPECT_TRUE(find<QCheckBox>(w, "Check2")->isChecked());
    EXPECT_TRUE(action(w, "mnuSequentialCheck")->isChecked());
    EXPECT_TRUE(find<QRadioButton>(w, "optType0")->isChecked());
    EXPECT_TRUE(find<QLineEdit>(w, "Text2")->isEnabled());
}

TEST_F(ToolsTest, DictionaryCheckSwitchesOnOnlyWithItsFile)
{
    // The user's folder, then the shipped dictionaries.
    program = std::make_unique<ui::Program>(ui::Services{
        prompts, settings, DictionaryPlaces({(dir / "user").string(), dictionaryFolder()}), desktop, &sound, "memory"});
    ui::MainWindow* w = program->openWindow();
    find<QCheckBox>(w, "chkDictionary")->click();
    EXPECT_EQ(label(w, "Label2"), "Dictionary: wordlist_english_abridged.dct");
    EXPECT_TRUE(action(w, "DictionaryCheckMenu")->isChecked());
    EXPECT_TRUE(find<QRadioButton>(w, "optHybrid")->isEnabled());
    action(w, "DictionaryCheckMenu")->trigger();
    EXPECT_FALSE(find<QCheckBox>(w, "chkDictionary")->isChecked());
    EXPECT_EQ(label(w, "Label2"), "No Dictionary Check");

    // A dictionary from elsewhere is added to the user's folder.
    fs::create_directories(dir / "elsewhere");
    fs::copy_file(dictionaryFolder() + "wordlist_italian.dct", dir / "elsewhere" / "mine.dct");
    prompts.files = {chosen((dir / "elsewhere" / "mine.dct").string())};
    action(w, "mnuDictionayAdd")->trigger();
    EXPECT_EQ(w->options().dictionaryFile, "mine.dct");
    EXPECT_EQ(label(w, "Label2"), "Dictionary: mine.dct");
    EXPECT_TRUE(fs::exists(dir / "user" / "mine.dct"));

    w->options().dictionaryFile = "nosuch.dct";
    prompts.answers = {Answer::No};
    find<QCheckBox>(w, "chkDictionary")->click();
    // The message names where a download would put the file.
    EXPECT_TRUE(
        prompts.texts().back().starts_with("The default Dictionary File does not exist in your program path:\r\n" +
                                           (dir / "user" / "nosuch.dct").string() + "\r\n"));
    EXPECT_EQ(prompts.messages.back().buttons, Buttons::YesNo);
    EXPECT_FALSE(find<QCheckBox>(w, "chkDictionary")->isChecked());
    EXPECT_FALSE(action(w, "DictionaryCheckMenu")->isChecked());
    EXPECT_FALSE(find<QRadioButton>(w, "optFull")->isEnabled());
}

TEST_F(ToolsTest, ViewDictionarySearchesWholeAndHybrid)
{
    ui::MainWindow* w = open();
    action(w, "mnuDictionaryView")->trigger();
    auto* search = w->findChild<ui::SearchDialog*>(QStringLiteral("frmDictionary"));
    ASSERT_NE(search, nullptr);
    EXPECT_THAT(
        shownTexts(search),
        ::testing::IsSupersetOf({"Dictionary: wordlist_english_abridged.dct", "Search Word:", "Search Type:", "&Whole",
                                 "&Hybrid", "Dictionary Search Results:", "&Search", "Clea&r", "&Cancel"}));
    auto* results = find<QPlainTextEdit>(search, "Text2");
    find<QLineEdit>(search, "Text1")->setText("HOUSE");
    search->search();
    ASSERT_TRUE(QTest::qWaitFor([search] { return !search->searching(); }));
    EXPECT_EQ(results->toPlainText(), "Found: house\n");
    find<QRadioButton>(search, "optType1")->setChecked(true);
    find<QLineEdit>(search, "Text1")->setText("houseboat");
    search->search();
    ASSERT_TRUE(QTest::qWaitFor([search] { return !search->searching(); }));
    EXPECT_TRUE(results->toPlainText().contains(QStringLiteral("Found: boat")));
    find<QLineEdit>(search, "Text1")->setText("Cat");
    search->search();
    EXPECT_EQ(prompts.texts().back(), "Only words greater than 3 characters may be searched.");
    EXPECT_TRUE(results->toPlainText().isEmpty()); // emptied before the refusal
}

TEST_F(ToolsTest, DownloadShowsProgressAndMakesTheFileTheCheckDictionary)
{
    // A "web site" on disk: file:// addresses go through the same client.
    fs::create_directories(dir / "site" / "software");
    fs::copy_file(dictionaryFolder() + "wordlist_italian.dct", dir / "site" / "software" / "mine.dct");
    fs::create_directories(dir / "program");
    settings.set("Settings", "DownloadBase", "file://" + (dir / "site").string());
    ui::MainWindow* w = open((dir / "program").string() + "/");
    find<QCheckBox>(w, "chkDictionary")->setChecked(true);

    QTimer::singleShot(0, [&] {
        auto* dialog = w->findChild<ui::DownloadDialog*>(QStringLiteral("frmDictLanguage"));
        ASSERT_NE(dialog, nullptr);
        EXPECT_THAT(
            shownTexts(dialog),
            ::testing::IsSupersetOf(
                {"Dictionay Language Download",
                 "Select the dictionary language file of your choice to download. Please make sure the file is "
                 "downloaded into the same folder in which Quorlix resides. The downloaded dictionary file will "
                 "automatically be set as your default when performing duplication checks. You can change to any "
                 "dictionary file by selecting the 'Change Dictionary File' option from the 'Dictionary' menu.",
                 "NOTE: If you receive a web page error message, this means either the web site is temporarily down, "
                 "you're not connected to the Internet or the language file does not exist. If you manually entered "
                 "the file name, please verify and try again.",
                 "These Dictionary Files already exists on this Computer:", "&Accept", "&Cancel"}));
        find<QLineEdit>(dialog, "Text1")->setText("  mine.dct ");
        find<QPushButton>(dialog, "Command1")->click(); // the question gets Yes
    });
    action(w, "mnuDictionaryDownload")->trigger(); // returns when the window has closed
    ASSERT_GE(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[0].text.starts_with("Download \"mine.dct\" now?\r\n\r\n"));
    EXPECT_EQ(prompts.messages[0].icon, Icon::Information);
    EXPECT_EQ(prompts.messages[1].text, "Download Complete: " + (dir / "program").string() +
                                            "/mine.dct is set as your new default dictionary file. Use the "
                                            "Dictionary menu to change your default dictionary file if you so "
                                            "desire.");
    EXPECT_TRUE(fs::exists(dir / "program" / "mine.dct"));
    EXPECT_EQ(w->options().dictionaryFile, "mine.dct");
    EXPECT_FALSE(find<QCheckBox>(w, "chkDictionary")->isChecked());
    EXPECT_EQ(label(w, "Label2"), "No Dictionary Check");
}

// No server named: the window says so, lists this computer's word lists, and
// builds the one clicked without any network.
TEST_F(ToolsTest, DownloadWindowBuildsFromTheWordListsOfThisComputer)
{
    if (!fs::exists("/usr/share/dict/italian"))
        GTEST_SKIP() << "needs Debian's witalian (scripts/setup.sh installs it)";
    fs::create_directories(dir / "program");
    ui::MainWindow* w = open((dir / "program").string() + "/");

    QTimer::singleShot(0, [&] {
        auto* dialog = w->findChild<ui::DownloadDialog*>(QStringLiteral("frmDictLanguage"));
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(find<QLabel>(dialog, "lblServer")->text().startsWith(
            QStringLiteral("Server: none named (set DownloadBase in the [Settings] ")));
        auto* lists = find<QListWidget>(dialog, "lstWordLists");
        QListWidgetItem* italian = nullptr;
        for (int i = 0; i < lists->count(); ++i) {
            if (lists->item(i)->text().startsWith(QStringLiteral("wordlist_italian.dct  Italian")))
                italian = lists->item(i);
            if (lists->item(i)->text().startsWith(QStringLiteral("wordlist_polish.dct"))) {
                EXPECT_EQ(lists->item(i)->text().toStdString(),
                          fs::exists("/usr/share/dict/polish") ? "wordlist_polish.dct  Polish"
                                                               : "wordlist_polish.dct  Polish  (apt install wpolish)");
            }
        }
        ASSERT_NE(italian, nullptr);
        emit lists->itemClicked(italian);
        EXPECT_EQ(find<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("wordlist_italian.dct"));
        EXPECT_EQ(find<QLabel>(dialog, "lblSource")->text(),
                  QStringLiteral("Made from the word list on this computer: /usr/share/dict/italian."));
        find<QPushButton>(dialog, "Command1")->click(); // the question gets Yes
    });
    action(w, "mnuDictionaryDownload")->trigger();
    ASSERT_GE(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, "Build \"wordlist_italian.dct\" now?\r\n\r\nMade from the word list on this "
                                        "computer: /usr/share/dict/italian. No Internet connection is needed.");
    EXPECT_TRUE(prompts.messages[1].text.starts_with("Download Complete: ")) << prompts.messages[1].text;
    EXPECT_TRUE(fs::exists(dir / "program" / "wordlist_italian.dct"));
    EXPECT_EQ(w->options().dictionaryFile, "wordlist_italian.dct");
}

// The program's own prompts: a real file dialog, answered by keys.
TEST_F(ToolsTest, ANameTypedWithoutExtensionTakesTheTypeChosenInTheDialog)
{
    ui::QtPrompts real;
    settings.set("Settings", "SaveAsBox", "True");
    program =
        std::make_unique<ui::Program>(ui::Services{real, settings, dictionaryFolder(), desktop, &sound, "memory"});
    ui::MainWindow* w = program->openWindow();
    // In the test's folder, picks the type by the arrow keys in "Files of
    // type", types the name, Enter.
    auto answer = [this](int typesDown, const std::string& name) {
        QFileDialog* dialog = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                return dialog && dialog->isVisible();
            },
            5000));
        dialog->setDirectory(QString::fromStdString(dir.string()));
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        types->setFocus();
        for (int i = 0; i < typesDown; ++i)
            QTest::keyClick(types, Qt::Key_Down);
        auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nameField, nullptr);
        nameField->setFocus();
        QTest::keyClicks(nameField, QString::fromStdString(name));
        QTest::keyClick(nameField, Qt::Key_Return);
    };

    QTimer::singleShot(0, [&] { answer(0, "my"); });
    action(w, "mnuSaveSettings")->trigger(); // returns once the file is saved
    EXPECT_TRUE(fs::exists(path("my.set")));
    EXPECT_FALSE(fs::exists(path("my")));

    w->execute();
    ASSERT_TRUE(waitIdle(w));
    action(w, "SaveAsMenu")->trigger();
    answer(1, "list"); // the second type: MS-Access Database File
    // The viewing question: Escape is No.
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box && box->isVisible();
        },
        10000));
    EXPECT_EQ(box->text().toStdString(), "Do you wish to launch your default MDB application to view this file now?");
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(waitIdle(w));
    EXPECT_TRUE(fs::exists(path("list.mdb")));
    EXPECT_EQ(label(w, "Label2").toStdString(), "Created Database File: list.mdb");
    EXPECT_TRUE(desktop.opened.empty());
}

TEST(SaveDialogs, TheDefaultExtensionIsTheFirstPatternsOfTheChosenType)
{
    EXPECT_EQ(ui::defaultSuffix(QStringLiteral("Text File (*.txt)")), "txt");
    EXPECT_EQ(ui::defaultSuffix(QStringLiteral("Hypertext File (*.htm *.html)")), "htm");
    EXPECT_EQ(ui::defaultSuffix(QStringLiteral("Settings File (*.set)")), "set");
    EXPECT_EQ(ui::defaultSuffix(QStringLiteral("All Files (*.*)")), "");
    EXPECT_EQ(ui::defaultSuffix(QStringLiteral("Anything (*)")), "");
}

} // namespace
} // namespace quorlix::testing
