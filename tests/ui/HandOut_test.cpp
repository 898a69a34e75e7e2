// Handing passwords out in the window: the roster beside the count, the slip
// options and the hand-out types of Save As.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "support/TempFolder.h"
#include "ui/HandOutDialog.h"

namespace quorlix::testing
{
namespace
{

struct HandOutWindowTest : UiFixture {
    TempFolder dir;
    void SetUp() override { settings.set("Settings", "SaveAsBox", "True"); }
    std::string path(const std::string& name) const { return dir.path(name); }
};

TEST_F(HandOutWindowTest, RosterSetsTheCountAndOneClickLetsItGo)
{
    writeBytes(path("class.csv"), "Last Name,First Name,Username\r\nDoe,Jane,jdoe\r\nRoe,Rich,rroe\r\n"
                                  "\"O'Brien, Jr.\",S\xC3\xA9" "an,sobrien\r\n");
    ui::MainWindow* w = open();
    auto* count = find<QLineEdit>(w, "Text2");
    count->setText(QStringLiteral("500"));
    auto* indicator = find<ui::RosterIndicator>(w, "RosterIndicator");
    EXPECT_TRUE(indicator->isHidden());

    prompts.files = {chosen(path("class.csv"))};
    action(w, "mnuRoster")->trigger();
    ASSERT_TRUE(waitIdle(w));
    EXPECT_EQ(prompts.fileRequests.back().title, "Names from Roster");
    EXPECT_EQ(count->text(), QStringLiteral("3"));
    EXPECT_TRUE(count->isReadOnly());
    EXPECT_FALSE(indicator->isHidden());
    EXPECT_EQ(find<QLabel>(w, "lblRoster")->text(), QStringLiteral("Roster: class.csv (3 people)"));

    // A run makes one password per person; Save As pairs them in roster order.
    find<QPushButton>(w, "Command1")->click();
    ASSERT_TRUE(waitIdle(w));
    prompts.files = {ChosenFile{path("users.chpasswd"), "users.chpasswd"}};
    prompts.answers = {Answer::No};
    action(w, "SaveAsMenu")->trigger();
    ASSERT_TRUE(waitIdle(w));
    const std::string users = readBytes(path("users.chpasswd"));
    EXPECT_EQ(users.substr(0, 5), "jdoe:");
    EXPECT_NE(users.find("\nrroe:"), std::string::npos);
    EXPECT_NE(users.find("\nsobrien:"), std::string::npos);
    EXPECT_EQ(std::count(users.begin(), users.end(), '\n'), 3);

    find<QToolButton>(w, "cmdClearRoster")->click();
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_EQ(count->text(), QStringLiteral("500"));
    EXPECT_FALSE(count->isReadOnly());
}

TEST_F(HandOutWindowTest, ARefusedRosterSaysWhichLineAndChangesNothing)
{
    writeBytes(path("class.txt"), "Doe, Jane\n\nRoe, Rich\n");
    ui::MainWindow* w = open();
    auto* count = find<QLineEdit>(w, "Text2");
    const QString before = count->text();
    prompts.files = {chosen(path("class.txt"))};
    action(w, "mnuRoster")->trigger();
    ASSERT_TRUE(waitIdle(w));
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.texts().back(),
              "The roster " + path("class.txt") + ": line 2 is empty; every row must name a person.");
    EXPECT_EQ(count->text(), before);
    EXPECT_TRUE(find<ui::RosterIndicator>(w, "RosterIndicator")->isHidden());
}

TEST_F(HandOutWindowTest, SlipOptionsComeBackAsChosen)
{
    ui::MainWindow* w = open();
    HandOut handOut;
    std::optional<HandOut> got;
    bool replied = false;
    ui::showHandOutOptions(w, ListFormat::Pdf, handOut, [&](std::optional<HandOut> h) {
        got = std::move(h);
        replied = true;
    });
    auto* dialog = w->findChild<QDialog*>(QStringLiteral("HandOutOptions"));
    ASSERT_NE(dialog, nullptr);
    find<QComboBox>(dialog, "cboPaper")->setCurrentIndex(1);
    find<QComboBox>(dialog, "cboSlipsPerPage")->setCurrentText(QStringLiteral("10"));
    find<QCheckBox>(dialog, "chkQrCode")->setChecked(true);
    find<QLineEdit>(dialog, "txtHeading")->setText(QStringLiteral("Term starts"));
    find<QLineEdit>(dialog, "txtNote")->setText(QStringLiteral("Change it at first log-in"));
    dialog->accept();
    ASSERT_TRUE(replied);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->slips.paper, PaperSize::Letter);
    EXPECT_EQ(got->slips.perPage, 10);
    EXPECT_TRUE(got->slips.qrCode);
    EXPECT_EQ(got->slips.heading, "Term starts");
    EXPECT_EQ(got->note, "Change it at first log-in");

    // The account list: a hash scheme and a prefix.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    replied = false;
    ui::showHandOutOptions(w, ListFormat::Chpasswd, handOut, [&](std::optional<HandOut> h) {
        got = std::move(h);
        replied = true;
    });
    dialog = w->findChild<QDialog*>(QStringLiteral("HandOutOptions"));
    ASSERT_NE(dialog, nullptr);
    find<QComboBox>(dialog, "cboHash")->setCurrentIndex(1);
    find<QLineEdit>(dialog, "txtUserPrefix")->setText(QStringLiteral("pupil"));
    dialog->accept();
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->hash, HashScheme::Yescrypt);
    EXPECT_EQ(got->userPrefix, "pupil");
}

} // namespace
} // namespace quorlix::testing
