#include "engine/PronounceableForm.h"

#include <charconv>
#include <optional>
#include <cstdio>

#include "engine/PasswordSpace.h"
#include "engine/Pronounceable.h"
#include "engine/RunTexts.h"
#include "options/RunOptions.h"

namespace quorlix
{

namespace
{

// Blanks around the digits are allowed; anything else is not a number.
std::optional<long long> wholeNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

PronounceableForm pronounceableForm(const PronounceableSettings& s)
{
    PronounceableForm f;
    f.totalPasswords = std::to_string(s.totalPasswords);
    f.minLength = std::to_string(s.minLength);
    f.maxLength = std::to_string(s.maxLength);
    f.capital = s.capital;
    f.digits = std::to_string(s.digitCount);
    f.symbol = s.symbol;
    f.separator = s.separator;
    return f;
}

std::variant<PronounceableSettings, std::string> readPronounceableForm(const PronounceableForm& f)
{
    const auto total = wholeNumber(f.totalPasswords);
    if (!total || *total < 1 || *total > kMaxPasswords)
        return std::string(kPronounceableTotalText);
    const auto min = wholeNumber(f.minLength);
    const auto max = wholeNumber(f.maxLength);
    if (!min || !max || *min < 1 || *max > kMaxLength || *min > *max)
        return std::string(kPronounceableLengthText);
    const auto digits = wholeNumber(f.digits);
    if (!digits || *digits < 0 || *digits > kPronounceableMostDigits)
        return std::string(kPronounceableDigitsText);
    PronounceableSettings s;
    s.totalPasswords = static_cast<std::int32_t>(*total);
    s.minLength = static_cast<std::int16_t>(*min);
    s.maxLength = static_cast<std::int16_t>(*max);
    s.capital = f.capital;
    s.digitCount = static_cast<std::int16_t>(*digits);
    s.symbol = f.symbol;
    s.separator = f.separator;
    const PronounceableLanguage language(s);
    if (language.empty())
        return texts::noPronounceableLength(s.minLength, s.maxLength, language.shortestLength());
    return s;
}

std::string pronounceableSpaceText(const PronounceableSettings& s)
{
    const PronounceableLanguage language(s);
    if (language.empty())
        return "Possible: none of these lengths (at least " + std::to_string(language.shortestLength()) + ")";
    char bits[32];
    std::snprintf(bits, sizeof bits, "%.1f", language.bits());
    return "Possible: " + shortCount(language.count()) + ", " + bits + " bits";
}

std::string pronounceableProbabilityText(const PronounceableSettings& s)
{
    const PronounceableLanguage language(s);
    return "1 in " + shortCount(language.countOfLength(s.minLength)) + " Min\r\n1 in " +
           shortCount(language.countOfLength(s.maxLength)) + " Max";
}

} // namespace quorlix
