#include "words/WordSettingsWindow.h"

#include <gtest/gtest.h>

#include "WordsTestSupport.h"
#include "settings/SettingsStore.h"

namespace quorlix {
namespace {

using test::CallLog;
using test::RecordingBoxes;

const std::vector<std::string> kAvailable = {"wordlist_english_all.dct", "wordlist_english_abridged.dct",
                                             "wordlist_french.dct"};

TEST(WordSettingsWindow, OpeningFillsControlsAndDependentStates)
{
    WordSettings s;
    s.randomNumbers = false;
    s.digitCount = 7;
    s.wordLengthLimit = true;
    s.minWordLength = 5;
    s.maxWordLength = 12;
    s.wordsPerPassword = 1;
    const WordSettingsForm f = openWordSettingsForm(s, kAvailable);
    EXPECT_EQ(f.selectedDictionary, 1);
    EXPECT_EQ(f.totalPasswords, "25");
    EXPECT_EQ(f.quantity, "1");
    EXPECT_FALSE(f.separatorEnabled);
    EXPECT_EQ(f.separator, "*");
    EXPECT_EQ(f.digits, "4"); // not filled while "Add" is off
    EXPECT_FALSE(f.digitsEnabled);
    EXPECT_EQ(f.minLength, "5");
    EXPECT_EQ(f.maxLength, "12");
    EXPECT_TRUE(f.lengthBoxesEnabled);

    s.dictionary = "wordlist_german.dct"; // not present: nothing selected
    EXPECT_EQ(openWordSettingsForm(s, kAvailable).selectedDictionary, -1);
    EXPECT_EQ(openWordSettingsForm(s, {}).dictionaryList.size(), 0u);
}

struct QuantityRow {
    const char* typed;
    const char* box;
    bool separatorEnabled;
    std::vector<std::string> messages;
};

class QuantityRule : public ::testing::TestWithParam<QuantityRow> {};

TEST_P(QuantityRule, ClampsWithItsMessage)
{
    CallLog log;
    RecordingBoxes boxes(log);
    WordSettingsForm f = openWordSettingsForm(WordSettings{}, kAvailable);
    f.quantity = GetParam().typed;
    quantityChanged(f, boxes);
    EXPECT_EQ(f.quantity, GetParam().box);
    EXPECT_EQ(f.separatorEnabled, GetParam().separatorEnabled);
    std::vector<std::string> texts;
    for (const auto& b : boxes.shown) {
        texts.push_back(b.text);
        EXPECT_EQ(b.icon, Icon::Critical);
        EXPECT_EQ(b.title, "Quorlix");
    }
    EXPECT_EQ(texts, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(Rows, QuantityRule,
                         ::testing::Values(QuantityRow{"11", "10", true, {std::string(kTooManyWordsText)}},
                                           QuantityRow{"0", "1", false, {std::string(kTooFewWordsText)}},
                                           QuantityRow{"", "", true, {}}, QuantityRow{"1", "1", false, {}},
                                           QuantityRow{"2", "2", true, {}}, QuantityRow{"10", "10", true, {}}));

TEST(WordSettingsWindow, TotalPasswordsWarnsAboveTenMillionAndKeepsText)
{
    CallLog log;
    RecordingBoxes boxes(log);
    WordSettingsForm f;
    for (const char* text : {"10000000", "", "25"}) {
        f.totalPasswords = text;
        totalPasswordsChanged(f, boxes);
    }
    EXPECT_TRUE(boxes.shown.empty());
    f.totalPasswords = "10000001";
    totalPasswordsChanged(f, boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "No more than 10,000,000 passwords may be created at once.");
    EXPECT_EQ(f.totalPasswords, "10000001");
}

TEST(WordSettingsWindow, KeyFilterTakesDigitsAndBackspaceOnly)
{
    const std::string accepted = "0123456789\b";
    for (int k = 0; k < 128; ++k) {
        const char c = static_cast<char>(k);
        EXPECT_EQ(acceptsNumericKey(c), accepted.find(c) != std::string::npos) << k;
    }
}

struct AcceptRow {
    const char* minLength;
    const char* maxLength;
    bool lengthLimit;
    const char* message; // nullptr: accepted
};

class AcceptRule : public ::testing::TestWithParam<AcceptRow> {};

TEST_P(AcceptRule, RefusesOrStores)
{
    CallLog log;
    RecordingBoxes boxes(log);
    WordSettings s;
    WordSettingsForm f = openWordSettingsForm(s, kAvailable);
    f.wordLengthLimit = GetParam().lengthLimit;
    f.minLength = GetParam().minLength;
    f.maxLength = GetParam().maxLength;
    std::vector<std::string> written;
    const bool closed = acceptWordSettings(f, s, boxes, [&](std::string_view, std::string_view k, std::string_view) {
        written.emplace_back(k);
    });
    if (GetParam().message) {
        EXPECT_FALSE(closed);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, GetParam().message);
        EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
        EXPECT_TRUE(written.empty());
        EXPECT_EQ(s, WordSettings{});
    } else {
        EXPECT_TRUE(closed);
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(written.size(), 11u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AcceptRule,
    ::testing::Values(AcceptRow{"3", "9", false, "Settings not accepted. Word Length must be at least 4 charaters."},
                      AcceptRow{"3", "9", true, "Settings not accepted. Word Length must be at least 4 charaters."},
                      AcceptRow{"", "9", true, "Settings not accepted. Word Length must be at least 4 charaters."},
                      AcceptRow{"6", "5", true,
                                "Settings not accepted. Maximum Word Length Must be Greater or Equal to the Minimum "
                                "Word Length."},
                      AcceptRow{"6", "", false,
                                "Settings not accepted. Maximum Word Length Must be Greater or Equal to the Minimum "
                                "Word Length."},
                      AcceptRow{"6", "6", true, nullptr}, AcceptRow{"4", "30", false, nullptr}));

TEST(WordSettingsWindow, AcceptStoresEveryFieldInOrder)
{
    CallLog log;
    RecordingBoxes boxes(log);
    WordSettings s;
    WordSettingsForm f = openWordSettingsForm(s, kAvailable);
    f.selectedDictionary = 2;
    f.totalPasswords = "500";
    f.quantity = "3";
    f.separator = "-";
    f.duplicationCheck = false;
    f.randomNumbers = true;
    f.digits = "6";
    f.wordLengthLimit = true;
    f.minLength = "5";
    f.maxLength = "8";
    f.randomUppercase = true;
    std::vector<std::string> written;
    ASSERT_TRUE(acceptWordSettings(f, s, boxes, [&](std::string_view sec, std::string_view k, std::string_view v) {
        written.push_back(std::string(sec) + "/" + std::string(k) + "=" + std::string(v));
    }));
    const std::vector<std::string> expected = {
        "LastSettings/TypeDictionary=wordlist_french.dct", "LastSettings/TypeTotalPasswords=500",
        "LastSettings/TypeQTY=3",          "LastSettings/TypeCharacter=-",
        "LastSettings/TypeDups=False",     "LastSettings/TypeRanNumbers=True",
        "LastSettings/TypeWordLength=True", "LastSettings/TypeWordLimitMin=5",
        "LastSettings/TypeWordLimitMax=8", "LastSettings/TypeNumAmt=6",
        "LastSettings/TypeUcase=True"};
    EXPECT_EQ(written, expected);
    WordSettings want{"wordlist_french.dct", 500, 3, "-", false, true, 6, true, 5, 8, true};
    EXPECT_EQ(s, want);

    // Through the settings store.
    MemorySettingsStore store;
    ASSERT_TRUE(acceptWordSettings(f, s, boxes, writerFor(store)));
    EXPECT_EQ(store.get("LastSettings", "TypeWordLimitMax", "?"), "8");
    EXPECT_EQ(store.get("LastSettings", "TypeDictionary", "?"), "wordlist_french.dct");

    // No entry selected stores an empty dictionary.
    f.selectedDictionary = -1;
    ASSERT_TRUE(acceptWordSettings(f, s, boxes, nullptr));
    EXPECT_EQ(s.dictionary, "");
}

} // namespace
} // namespace quorlix
