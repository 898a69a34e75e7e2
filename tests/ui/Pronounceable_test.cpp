// The Pronounceable method in the main window: its option, its settings
// window, its readouts, a run into the display, and the word case of the
// Random Words settings window.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <regex>

#include "UiTestSupport.h"

namespace quorlix::testing
{
namespace
{

struct PronounceableWindowTest : UiFixture {
    ui::MainWindow* w = nullptr;
    void SetUp() override { w = open(); }

    QWidget* window(const char* name)
    {
        for (QWidget* found : w->findChildren<QWidget*>(QString::fromLatin1(name)))
            if (found->isVisible())
                return found;
        return nullptr;
    }
    QString text(const char* name) { return find<QLabel>(w, name)->text(); }
};

TEST_F(PronounceableWindowTest, ChoosingTheMethodOpensItsWindowAndShowsItsStrength)
{
    auto* option = find<QRadioButton>(w, "optType2");
    EXPECT_EQ(option->text(), "Pronounceable:");
    option->click();
    EXPECT_EQ(w->options().method, GenerationMethod::Pronounceable);
    QWidget* win = window("frmPronounceable");
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->windowTitle(), "Pronounceable - Settings");
    // The first-start values: 15 to 17 characters, at least 60 bits, here and in the main window.
    EXPECT_EQ(find<QLineEdit>(win, "txtPronMin")->text(), "15");
    const QString readout = find<QLabel>(win, "lblPronSpace")->text();
    const std::regex bits("Possible: [0-9.E+]+, ([0-9.]+) bits");
    std::smatch m;
    const std::string shown = readout.toStdString();
    ASSERT_TRUE(std::regex_match(shown, m, bits)) << shown;
    EXPECT_GE(std::stod(m[1]), 60.0);
    EXPECT_EQ(text("lblSpace"), readout);
    EXPECT_TRUE(text("Label12").startsWith("1 in ")) << text("Label12").toStdString();
    // Controls of the characters are off; the checks that apply stay on.
    for (const char* off : {"Text2", "Text3", "Text4", "Check1", "Check2", "chkSPW"})
        EXPECT_FALSE(find<QWidget>(w, off)->isEnabled()) << off;
    for (const char* on : {"Check6", "chkDictionary", "chkSort"})
        EXPECT_TRUE(find<QWidget>(w, on)->isEnabled()) << on;

    // The readout follows what is typed; Accept refuses what cannot run.
    find<QLineEdit>(win, "txtPronMin")->setText("2");
    find<QLineEdit>(win, "txtPronMax")->setText("2");
    find<QLineEdit>(win, "txtPronDigits")->setText("0");
    find<QComboBox>(win, "cboCapital")->setCurrentIndex(0);
    EXPECT_EQ(find<QLabel>(win, "lblPronSpace")->text(), "Possible: 80, 6.3 bits");
    find<QLineEdit>(win, "txtPronDigits")->setText("1");
    find<QPushButton>(win, "cmdAccept")->click();
    EXPECT_EQ(prompts.texts().back(),
              "No pronounceable password has 2 characters with these settings: the shortest has 3 (a syllable of two "
              "letters, the digits and the symbol). Raise the maximum to 3 or more.");
    ASSERT_NE(window("frmPronounceable"), nullptr);
    find<QLineEdit>(win, "txtPronMax")->setText("3");
    find<QLineEdit>(win, "txtPronTotal")->setText("7");
    find<QComboBox>(win, "cboSeparator")->setCurrentIndex(3);
    find<QPushButton>(win, "cmdAccept")->click();
    EXPECT_EQ(window("frmPronounceable"), nullptr);
    const PronounceableSettings& s = w->options().pronounceable;
    EXPECT_EQ(s.totalPasswords, 7);
    EXPECT_EQ(s.minLength, 2);
    EXPECT_EQ(s.maxLength, 3);
    EXPECT_EQ(s.capital, CapitalStyle::None);
    EXPECT_EQ(s.separator, SyllableSeparator::Dot);
    EXPECT_EQ(settings.get("LastSettings", "PronTotalPasswords", ""), "7");
    EXPECT_EQ(settings.get("LastSettings", "PronSeparator", ""), "3");
    // 80 open syllables with a digit before or after (2 places, 8 digits).
    EXPECT_EQ(text("lblSpace"), "Possible: 1280, 10.3 bits");
    EXPECT_EQ(text("Label12"), "1 in 0 Min\n1 in 1280 Max");

    // A run into the display, sorted, with the display's commands.
    w->execute();
    ASSERT_TRUE(waitIdle(w));
    ASSERT_EQ(w->list().count(), 7u);
    for (std::size_t i = 0; i < w->list().count(); ++i) {
        const std::string pw(w->list().row(i));
        EXPECT_TRUE(std::regex_match(pw, std::regex("([2-9]\\.)?[bdfghjkmnprstvwz][aeiou](\\.[2-9])?"))) << pw;
    }
    EXPECT_EQ(find<QLabel>(w, "Label2")->text(), "Complete");

    // The choice is the last settings' next time.
    w->close();
    QTest::qWait(0);
    EXPECT_EQ(settings.get("LastSettings", "PronounceableType", ""), "True");
    EXPECT_EQ(settings.get("LastSettings", "PasswordType", ""), "False");
}

TEST_F(PronounceableWindowTest, WordCaseOfRandomWords)
{
    action(w, "mnuRandomWordsSettings")->trigger();
    QWidget* win = window("frmPasswordType");
    ASSERT_NE(win, nullptr);
    auto* style = find<QComboBox>(win, "cboWordCase");
    auto* upper = find<QCheckBox>(win, "chkUcase");
    EXPECT_EQ(style->currentIndex(), 0);
    EXPECT_TRUE(upper->isEnabled());
    style->setCurrentIndex(2);
    emit style->activated(2);
    EXPECT_FALSE(upper->isEnabled()); // the single capital goes with lower case only
    find<QPushButton>(win, "cmdAccept")->click();
    EXPECT_EQ(w->options().words.wordCase, WordCase::Capitalised);
    EXPECT_EQ(settings.get("LastSettings", "TypeCase", ""), "2");
}

} // namespace
} // namespace quorlix::testing
