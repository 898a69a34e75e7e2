// Where the file dialogs start: the folder last used for their kind of file,
// else the user's Documents folder, else home; the target proposed by a
// conversion or a compaction beside its source.

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include <filesystem>
#include <fstream>

#include "RealInput.h"
#include "UiTestSupport.h"
#include "output/Compact.h"
#include "output/Convert.h"
#include "output/DisplayTools.h"
#include "output/SaveAs.h"
#include "settings/SettingsFile.h"
#include "ui/DialogFolders.h"

namespace fs = std::filesystem;

namespace quorlix::testing
{
namespace
{

TEST(DialogFolderKey, OneKeyPerKindOfFile)
{
    const std::pair<std::string_view, std::string> cases[] = {
        {kSaveDialogFilter, "FolderSaveAs"},
        {kOpenTextFilter, "FolderTXT"},
        {kConvertOpenFilter, "FolderTXT"},
        {kViewTxtFilter, "FolderTXT"},
        {kDatabaseFilter, "FolderMDB"},
        {kViewMdbFilter, "FolderMDB"},
        {kViewCsvFilter, "FolderCSV"},
        {kConvertHtmlFilter, "FolderHTM"},
        {kViewHtmFilter, "FolderHTM"},
        {kSettingsFilter, "FolderSET"},
        {"Dictionary Files (*.dct)|*.dct", "FolderDCT"},
        {"All Files (*.*)|*.*", ""},
    };
    for (const auto& [filter, key] : cases)
        EXPECT_EQ(ui::folderKey(std::string(filter)), key) << filter;
}

// A home of the test's own, with a Documents folder.
struct DialogFoldersTest : UiFixture {
    TempFolder root;
    fs::path home, documents;
    QByteArray savedHome, savedConfig;

    void SetUp() override
    {
        home = root / "home";
        documents = home / "Documents";
        fs::create_directories(documents);
        fs::create_directories(root / "lists");
        fs::create_directories(root / "kept");
        savedHome = qgetenv("HOME");
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QByteArray::fromStdString(home.string()));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home / ".config").string()));
    }
    void TearDown() override
    {
        UiFixture::TearDown();
        qputenv("HOME", savedHome);
        qputenv("XDG_CONFIG_HOME", savedConfig);
    }
    std::string in(const char* folder, const char* name) const { return (root / folder / name).string(); }
    std::string folderOfLast() const { return prompts.fileRequests.back().folder; }
};

TEST_F(DialogFoldersTest, EachKindStartsWhereItsLastFileWasElseInDocumentsElseHome)
{
    std::ofstream(in("lists", "list.txt")) << "b2\r\nA1\r\n";
    ui::MainWindow* w = open();

    prompts.files = {chosen(in("lists", "list.txt"))};
    action(w, "mnuOpenTxt")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(folderOfLast(), documents.string());
    ASSERT_EQ(w->list().count(), 2u);

    // Text files now start where that one was; the other kinds keep theirs.
    prompts.files = {std::nullopt};
    action(w, "mnuSortTxt")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(folderOfLast(), (root / "lists").string());
    prompts.files = {chosen(in("kept", "my.set"))};
    action(w, "mnuSaveSettings")->trigger();
    EXPECT_EQ(folderOfLast(), documents.string());
    prompts.files = {std::nullopt};
    action(w, "mnuOpenSettings")->trigger();
    EXPECT_EQ(folderOfLast(), (root / "kept").string());
    prompts.files = {std::nullopt};
    action(w, "CompactDBMenu")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(folderOfLast(), documents.string());
    // Kept in the last settings.
    EXPECT_EQ(settings.get("LastSettings", "FolderTXT", ""), (root / "lists").string());
    EXPECT_EQ(settings.get("LastSettings", "FolderSET", ""), (root / "kept").string());

    // A folder that has gone is passed over; without Documents, home.
    fs::remove_all(root / "lists");
    fs::remove_all(documents);
    prompts.files = {std::nullopt};
    action(w, "mnuOpenTxt")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(folderOfLast(), home.string());
    // No home of the user's own: where the program was started.
    for (const QByteArray& none : {QByteArray(), QByteArray::fromStdString((root / "gone").string())}) {
        qputenv("HOME", none);
        prompts.files = {std::nullopt};
        action(w, "mnuOpenTxt")->trigger();
        ASSERT_TRUE(waitIdle(w));
        EXPECT_EQ(folderOfLast(), QDir::currentPath().toStdString()) << none.toStdString();
    }
}

TEST_F(DialogFoldersTest, ConvertAndCompactProposeTheirTargetBesideTheSource)
{
    ui::MainWindow* w = open();
    prompts.files = {chosen(in("kept", "list.txt")), std::nullopt};
    action(w, "ConverTXTtoCSV")->trigger();
    ASSERT_TRUE(waitIdle(w));
    ASSERT_EQ(prompts.fileRequests.size(), 2u);
    EXPECT_EQ(prompts.fileRequests[1].title, "Type New CSV File Name");
    EXPECT_EQ(prompts.fileRequests[1].folder, (root / "kept").string());
    EXPECT_EQ(prompts.fileRequests[1].proposedName, "list");

    prompts.files = {chosen(in("lists", "Pass.mdb")), std::nullopt};
    action(w, "CompactDBMenu")->trigger();
    ASSERT_TRUE(waitIdle(w));
    ASSERT_EQ(prompts.fileRequests.size(), 4u);
    EXPECT_EQ(prompts.fileRequests[3].title, "Enter New Database File Name");
    EXPECT_EQ(prompts.fileRequests[3].folder, (root / "lists").string());
    EXPECT_EQ(prompts.fileRequests[3].proposedName, "passx.mdb");
}

TEST_F(DialogFoldersTest, TheRealDialogsStartThereAndTakeATypedName)
{
    ui::QtPrompts real;
    realPrompts = &real;
    std::ofstream(in("lists", "list.txt")) << "b2\r\n";
    ui::MainWindow* w = open();
    const auto dialogOnScreen = [w](const QString& title) {
        QFileDialog* found = nullptr;
        (void)QTest::qWaitFor([&] {
            for (QFileDialog* d : w->findChildren<QFileDialog*>())
                if (d->isVisible() && d->windowTitle() == title)
                    found = d;
            return found != nullptr;
        });
        return found;
    };

    action(w, "ConvertTXTtoHTML")->trigger();
    QFileDialog* source = dialogOnScreen(QStringLiteral("Select Text File to Convert"));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->directory().absolutePath().toStdString(), documents.string());
    auto* name = source->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    QTest::keyClicks(name, QString::fromStdString(in("lists", "list.txt")));
    QTest::keyClick(name, Qt::Key_Return);

    QFileDialog* target = dialogOnScreen(QStringLiteral("Type New HTM File Name"));
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->directory().absolutePath().toStdString(), (root / "lists").string());
    EXPECT_EQ(target->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), "list");
    QPointer<QFileDialog> alive(target);
    QTest::keyClick(target, Qt::Key_Escape);
    ASSERT_TRUE(waitIdle(w));
    EXPECT_TRUE(!alive || !alive->isVisible());
    EXPECT_EQ(settings.get("LastSettings", "FolderTXT", ""), (root / "lists").string());
}

} // namespace
} // namespace quorlix::testing
