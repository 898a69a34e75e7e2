#include "options/Readout.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quorlix {

namespace {

// The value rounded to 15 significant digits: the digits (exactly 15) and the
// decimal exponent of the first one.
struct Rounded {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Rounded round15(double value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    Rounded r;
    const char* p = buf;
    if (*p == '-') {
        r.negative = true;
        ++p;
    }
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            r.digits.push_back(*p);
    if (*p == 'e')
        r.exponent = std::atoi(p + 1);
    return r;
}

std::string stripTrailingZeros(std::string s)
{
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    return s;
}

} // namespace

std::string formatDouble(double value)
{
    if (value == 0)
        return "0";
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Infinity" : "Infinity";
    const Rounded r = round15(value);
    std::string out = r.negative ? "-" : "";
    const std::string significant = stripTrailingZeros(r.digits);
    if (r.exponent >= 15 || r.exponent < -4) {
        out += significant.substr(0, 1);
        if (significant.size() > 1)
            out += "." + significant.substr(1);
        char exp[16];
        std::snprintf(exp, sizeof exp, "E%c%02d", r.exponent < 0 ? '-' : '+', std::abs(r.exponent));
        return out + exp;
    }
    if (r.exponent < 0)
        return out + "0." + std::string(-r.exponent - 1, '0') + significant;
    const std::size_t intDigits = static_cast<std::size_t>(r.exponent) + 1;
    if (significant.size() <= intDigits)
        return out + significant + std::string(intDigits - significant.size(), '0');
    return out + significant.substr(0, intDigits) + "." + significant.substr(intDigits);
}

std::optional<std::string> formatDecimal28(double value)
{
    if (std::isnan(value) || std::isinf(value))
        return std::nullopt;
    if (value == 0)
        return std::string("0");
    const Rounded r = round15(value);
    // The largest 28-digit decimal, 79228162514264337593543950335, starts 792281625142643|37...
    if (r.exponent > 28 || (r.exponent == 28 && r.digits > "792281625142643"))
        return std::nullopt;
    std::string out = r.negative ? "-" : "";
    if (r.exponent >= 14)
        return out + r.digits + std::string(static_cast<std::size_t>(r.exponent - 14), '0');
    if (r.exponent < 0) {
        // Decimal keeps at most 28 places after the point.
        std::string frac = std::string(-r.exponent - 1, '0') + r.digits;
        frac = stripTrailingZeros(frac.substr(0, 28));
        return frac.empty() ? std::string("0") : out + "0." + frac;
    }
    const std::size_t intDigits = static_cast<std::size_t>(r.exponent) + 1;
    const std::string frac = stripTrailingZeros(r.digits.substr(intDigits));
    out += r.digits.substr(0, intDigits);
    return frac.empty() ? out : out + "." + frac;
}

std::string probabilityText(int count, int minLength, int maxLength)
{
    const double minProbability = std::pow(static_cast<double>(count), minLength);
    const double maxProbability = std::pow(static_cast<double>(count), maxLength);
    std::string minText;
    std::string maxText;
    if (maxProbability > kExponentThreshold) {
        minText = formatDouble(minProbability);
        maxText = formatDouble(maxProbability);
    } else {
        auto minDecimal = formatDecimal28(minProbability);
        auto maxDecimal = formatDecimal28(maxProbability);
        if (!minDecimal || !maxDecimal)
            return {};
        minText = *minDecimal;
        maxText = *maxDecimal;
    }
    return "1 in " + minText + " Min\r\n1 in " + maxText + " Max";
}

ReadoutText refreshReadout(CharacterPool& pool, const RunValues& values)
{
    ReadoutText text;
    text.count = pool.recount();
    text.charactersToUse = std::to_string(text.count);
    text.probability = probabilityText(text.count, values.minLength, values.maxLength);
    return text;
}

} // namespace quorlix
