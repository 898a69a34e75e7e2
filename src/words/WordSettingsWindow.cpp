#include "words/WordSettingsWindow.h"

#include <algorithm>
#include <limits>

namespace quorlix {

namespace {

std::string_view boolText(bool on) { return on ? "True" : "False"; }

} // namespace

std::optional<long long> numberInBox(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i == text.size() || text[i] < '0' || text[i] > '9')
        return std::nullopt;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > (std::numeric_limits<long long>::max() - 9) / 10)
            return std::numeric_limits<long long>::max(); // saturate: far above every limit
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

WordSettingsForm openWordSettingsForm(const WordSettings& settings, const std::vector<std::string>& available)
{
    WordSettingsForm form;
    form.dictionaryList = available;
    form.totalPasswords = std::to_string(settings.totalPasswords);
    form.quantity = std::to_string(settings.wordsPerPassword);
    const auto found = std::find(available.begin(), available.end(), settings.dictionary);
    form.selectedDictionary = found == available.end() ? -1 : static_cast<int>(found - available.begin());
    form.separator = settings.separator;
    form.separatorEnabled = settings.wordsPerPassword >= 2;
    form.duplicationCheck = settings.duplicationCheck;
    form.randomNumbers = settings.randomNumbers;
    if (settings.randomNumbers)
        form.digits = std::to_string(settings.digitCount);
    form.wordLengthLimit = settings.wordLengthLimit;
    if (settings.wordLengthLimit) {
        form.minLength = std::to_string(settings.minWordLength);
        form.maxLength = std::to_string(settings.maxWordLength);
    }
    form.randomUppercase = settings.randomUppercase;
    form.wordCase = settings.wordCase;
    wordCaseChosen(form);
    randomNumbersClicked(form);
    wordLengthsClicked(form);
    return form;
}

void wordCaseChosen(WordSettingsForm& form)
{
    form.randomUppercaseEnabled = form.wordCase == WordCase::Lower;
}

bool acceptsNumericKey(char key) { return (key >= '0' && key <= '9') || key == '\b'; }

void totalPasswordsChanged(const WordSettingsForm& form, MessageBoxes& boxes)
{
    const auto value = numberInBox(form.totalPasswords);
    if (value && *value > 10'000'000)
        boxes.show(kTooManyPasswordsText, Icon::Critical, Buttons::Ok);
}

void quantityChanged(WordSettingsForm& form, MessageBoxes& boxes)
{
    const auto value = numberInBox(form.quantity);
    if (!value)
        return;
    long long n = *value;
    if (n > 10) {
        boxes.show(kTooManyWordsText, Icon::Critical, Buttons::Ok);
        form.quantity = "10";
        n = 10;
    }
    if (n < 1) {
        boxes.show(kTooFewWordsText, Icon::Critical, Buttons::Ok);
        form.quantity = "1";
        n = 1;
    }
    form.separatorEnabled = n >= 2;
}

void randomNumbersClicked(WordSettingsForm& form) { form.digitsEnabled = form.randomNumbers; }
void wordLengthsClicked(WordSettingsForm& form) { form.lengthBoxesEnabled = form.wordLengthLimit; }

bool acceptWordSettings(const WordSettingsForm& form, WordSettings& settings, MessageBoxes& boxes,
                        const SettingWriter& write)
{
    const long long minLength = numberInBox(form.minLength).value_or(0);
    const long long maxLength = numberInBox(form.maxLength).value_or(0);
    if (minLength < 4) {
        boxes.show(kMinWordLengthText, Icon::Exclamation, Buttons::Ok);
        return false;
    }
    if (maxLength < minLength) {
        boxes.show(kMaxWordLengthText, Icon::Exclamation, Buttons::Ok);
        return false;
    }
    const auto fits16 = [](std::optional<long long> v, std::int16_t previous) {
        return v && *v <= std::numeric_limits<std::int16_t>::max() ? static_cast<std::int16_t>(*v) : previous;
    };
    const auto total = numberInBox(form.totalPasswords);

    const bool selected =
        form.selectedDictionary >= 0 && form.selectedDictionary < static_cast<int>(form.dictionaryList.size());
    settings.dictionary = selected ? form.dictionaryList[static_cast<std::size_t>(form.selectedDictionary)] : "";
    if (total && *total <= std::numeric_limits<std::int32_t>::max())
        settings.totalPasswords = static_cast<std::int32_t>(*total);
    settings.wordsPerPassword = fits16(numberInBox(form.quantity), settings.wordsPerPassword);
    settings.separator = form.separator;
    settings.duplicationCheck = form.duplicationCheck;
    settings.randomNumbers = form.randomNumbers;
    settings.wordLengthLimit = form.wordLengthLimit;
    settings.minWordLength = fits16(minLength, settings.minWordLength);
    settings.maxWordLength = fits16(maxLength, settings.maxWordLength);
    settings.digitCount = fits16(numberInBox(form.digits), settings.digitCount);
    settings.randomUppercase = form.randomUppercase;
    settings.wordCase = form.wordCase;

    if (write) {
        constexpr std::string_view s = "LastSettings";
        write(s, "TypeDictionary", settings.dictionary);
        write(s, "TypeTotalPasswords", std::to_string(settings.totalPasswords));
        write(s, "TypeQTY", std::to_string(settings.wordsPerPassword));
        write(s, "TypeCharacter", settings.separator);
        write(s, "TypeDups", boolText(settings.duplicationCheck));
        write(s, "TypeRanNumbers", boolText(settings.randomNumbers));
        write(s, "TypeWordLength", boolText(settings.wordLengthLimit));
        write(s, "TypeWordLimitMin", std::to_string(settings.minWordLength));
        write(s, "TypeWordLimitMax", std::to_string(settings.maxWordLength));
        write(s, "TypeNumAmt", std::to_string(settings.digitCount));
        write(s, "TypeUcase", boolText(settings.randomUppercase));
        write(s, "TypeCase", std::to_string(static_cast<int>(settings.wordCase)));
    }
    return true;
}

} // namespace quorlix
