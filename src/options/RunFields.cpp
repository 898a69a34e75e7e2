#include "options/RunFields.h"

#include <charconv>
#include <limits>

namespace quorlix {

namespace {

template <typename T> std::optional<T> parseWhole(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        return std::nullopt;
    return static_cast<T>(value);
}

FieldChange changeLength(std::int16_t& stored, const RunValues& values, std::string_view text)
{
    FieldChange change;
    const auto value = parseInt16(text);
    if (!value)
        return change;
    change.parsed = true;
    stored = *value;
    change.hyphensEnabled = *value >= 2;
    if (*value > kMaxLength) {
        change.clearField = true;
        change.status = std::string(kLengthRange);
        stored = 0;
    }
    change.executeEnabled = values.totalPasswords >= 1 && stored >= 1;
    change.refreshReadout = true;
    return change;
}

} // namespace

bool fieldAcceptsKey(int key)
{
    return key == 8 || (key >= '0' && key <= '9');
}

std::optional<std::int32_t> parseInt32(std::string_view text)
{
    return parseWhole<std::int32_t>(text);
}

std::optional<std::int16_t> parseInt16(std::string_view text)
{
    return parseWhole<std::int16_t>(text);
}

FieldChange changeTotalPasswords(RunValues& values, std::string_view text)
{
    FieldChange change;
    const auto value = parseInt32(text);
    if (!value)
        return change;
    change.parsed = true;
    values.totalPasswords = *value;
    if (*value > kMaxPasswords) {
        change.clearField = true;
        change.status = std::string(kTotalPasswordsRange);
    }
    change.executeEnabled = values.totalPasswords >= 1 && values.minLength >= 1;
    return change;
}

FieldChange changeMinLength(RunValues& values, std::string_view text)
{
    return changeLength(values.minLength, values, text);
}

FieldChange changeMaxLength(RunValues& values, std::string_view text)
{
    return changeLength(values.maxLength, values, text);
}

} // namespace quorlix
