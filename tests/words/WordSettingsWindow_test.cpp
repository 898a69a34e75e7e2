#include "words/WordSettingsWindow.h"

#include <gtest/gtest.h>

#include "WordsTestSupport.h"
#include "settings/SettingsStore.h"

namespace quorlix {
namespace {

using test::RecordingMessageBoxes;

const std::vector<std::string> kAvailable = {"wordlist_english_all.dct", "wordlist_english_abridged.dct",
                                             "wordlist_french.dct"};

// Opening values, then the live rules: the quantity is clamped with its
// message, the total only warned about.
TEST(WordSettingsWindow, OpeningAndLiveRules)
{
    WordSettings s;
    s.randomNumbers = false;
    s.digitCount = 7;
    s.wordsPerPassword = 1;
    const WordSettingsForm opened = openWordSettingsForm(s, kAvailable);
    EXPECT_EQ(opened.selectedDictionary, 1);
    EXPECT_FALSE(opened.separatorEnabled);
    EXPECT_EQ(opened.digits, "4"); // not filled while "Add" is off
    EXPECT_FALSE(opened.digitsEnabled);
    s.dictionary = "wordlist_german.dct"; // not present: nothing selected
    EXPECT_EQ(openWordSettingsForm(s, kAvailable).selectedDictionary, -1);

    const std::vector<std::tuple<const char*, const char*, bool, const char*>> rows = {
        {"11", "10", true, "No more than 10 words are allowed per password."},
        {"0", "1", false, "At least one word is required per password."},
        {"", "", true, nullptr},
        {"1", "1", false, nullptr}};
    for (const auto& [typed, box, separatorEnabled, message] : rows) {
        RecordingMessageBoxes boxes;
        WordSettingsForm f = openWordSettingsForm(WordSettings{}, kAvailable);
        f.quantity = typed;
        quantityChanged(f, boxes);
        EXPECT_EQ(f.quantity, box);
        EXPECT_EQ(f.separatorEnabled, separatorEnabled) << typed;
        EXPECT_EQ(boxes.texts(), message ? std::vector<std::string>{message} : std::vector<std::string>{});
        EXPECT_TRUE(boxes.shown.empty() || boxes.shown[0].icon == Icon::Critical);
    }
    RecordingMessageBoxes boxes;
    WordSettingsForm f;
    for (const char* text : {"10000000", "", "10000001"}) {
        f.totalPasswords = text;
        totalPasswordsChanged(f, boxes);
    }
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"No more than 10,000,000 passwords may be created at once."});
    EXPECT_EQ(f.totalPasswords, "10000001");
}

TEST(WordSettingsWindow, AcceptRefusesBadLengthsAndChangesNothing)
{
    const std::string tooShort = "Settings not accepted. Word Length must be at least 4 charaters.";
    const std::string maxBelowMin =
        "Settings not accepted. Maximum Word Length Must be Greater or Equal to the Minimum Word Length.";
    // The lengths are checked even with the length limit off.
    const std::vector<std::tuple<const char*, const char*, bool, std::string>> rows = {
        {"3", "9", false, tooShort}, {"", "9", true, tooShort}, {"6", "5", true, maxBelowMin},
        {"6", "", false, maxBelowMin}, {"6", "6", true, ""}};
    for (const auto& [minLength, maxLength, limit, message] : rows) {
        RecordingMessageBoxes boxes;
        WordSettings s;
        WordSettingsForm f = openWordSettingsForm(s, kAvailable);
        f.wordLengthLimit = limit;
        f.minLength = minLength;
        f.maxLength = maxLength;
        int written = 0;
        const bool closed =
            acceptWordSettings(f, s, boxes, [&](std::string_view, std::string_view, std::string_view) { ++written; });
        EXPECT_EQ(closed, message.empty()) << minLength << "/" << maxLength;
        EXPECT_EQ(boxes.texts(), message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
        EXPECT_EQ(written, message.empty() ? 12 : 0);
        if (!message.empty()) {
            EXPECT_EQ(s, WordSettings{});
        }
    }
}

TEST(WordSettingsWindow, AcceptStoresEveryFieldInOrder)
{
    RecordingMessageBoxes boxes;
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
    f.wordCase = WordCase::Capitalised;
    wordCaseChosen(f);
    EXPECT_FALSE(f.randomUppercaseEnabled); // the single capital goes with lower-case words only
    std::vector<std::string> written;
    ASSERT_TRUE(acceptWordSettings(f, s, boxes, [&](std::string_view sec, std::string_view k, std::string_view v) {
        written.push_back(std::string(sec) + "/" + std::string(k) + "=" + std::string(v));
    }));
    const std::vector<std::string> expected = {
        "LastSettings/TypeDictionary=wordlist_french.dct", "LastSettings/TypeTotalPasswords=500",
        "LastSettings/TypeQTY=3", "LastSettings/TypeCharacter=-", "LastSettings/TypeDups=False",
        "LastSettings/TypeRanNumbers=True", "LastSettings/TypeWordLength=True", "LastSettings/TypeWordLimitMin=5",
        "LastSettings/TypeWordLimitMax=8", "LastSettings/TypeNumAmt=6", "LastSettings/TypeUcase=True",
        "LastSettings/TypeCase=2"};
    EXPECT_EQ(written, expected);
    EXPECT_EQ(s, (WordSettings{"wordlist_french.dct", 500, 3, "-", false, true, 6, true, 5, 8, true,
                               WordCase::Capitalised}));
    EXPECT_FALSE(s.randomCapital());
    EXPECT_TRUE(openWordSettingsForm(WordSettings{}, kAvailable).randomUppercaseEnabled);
    MemorySettingsStore store;
    ASSERT_TRUE(acceptWordSettings(f, s, boxes, writerFor(store)));
    EXPECT_EQ(store.get("LastSettings", "TypeWordLimitMax", "?"), "8");
}

} // namespace
} // namespace quorlix
