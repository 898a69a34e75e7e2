#include "engine/PasswordSpace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/CharacterDraw.h"

namespace quorlix {

namespace {

// A natural number as base-10^9 limbs, least significant first: enough for
// 94^60 and sums of such.
class Natural {
public:
    explicit Natural(std::uint32_t value = 0)
    {
        if (value >= kBase)
            m_limbs = {value % kBase, value / kBase};
        else if (value > 0)
            m_limbs = {value};
    }
    void multiply(std::uint32_t factor)
    {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : m_limbs) {
            const std::uint64_t v = static_cast<std::uint64_t>(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(v % kBase);
            carry = v / kBase;
        }
        while (carry) {
            m_limbs.push_back(static_cast<std::uint32_t>(carry % kBase));
            carry /= kBase;
        }
        trim();
    }
    void add(const Natural& other)
    {
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < other.m_limbs.size() || carry; ++i) {
            if (i == m_limbs.size())
                m_limbs.push_back(0);
            const std::uint64_t v = m_limbs[i] + carry + (i < other.m_limbs.size() ? other.m_limbs[i] : 0);
            m_limbs[i] = static_cast<std::uint32_t>(v % kBase);
            carry = v / kBase;
        }
    }
    std::string decimal() const
    {
        if (m_limbs.empty())
            return "0";
        std::string out = std::to_string(m_limbs.back());
        for (std::size_t i = m_limbs.size() - 1; i-- > 0;) {
            const std::string part = std::to_string(m_limbs[i]);
            out += std::string(9 - part.size(), '0') + part;
        }
        return out;
    }

private:
    void trim()
    {
        while (!m_limbs.empty() && m_limbs.back() == 0)
            m_limbs.pop_back();
    }
    static constexpr std::uint32_t kBase = 1'000'000'000;
    std::vector<std::uint32_t> m_limbs;
};

} // namespace

PasswordSpace passwordSpace(const CharacterPool& pool, const RunValues& values, const PositionRules& rules,
                            const CheckOptions& checks)
{
    PasswordSpace space;
    space.upperBound = checks.sideBySide || checks.sequential || checks.strong || checks.dictionary;
    const int min = std::max<int>(values.minLength, 1);
    const int max = std::min<int>(values.maxLength, kMaxLength);
    if (min > max) {
        space.possible = "0";
        return space;
    }

    const int inClass[5] = {pool.availableCount(), pool.availableInClass(CharClass::Number),
                            pool.availableInClass(CharClass::Lowercase), pool.availableInClass(CharClass::Uppercase),
                            pool.availableInClass(CharClass::Special)};
    // A position without a rule draws a class by its weight, then a character
    // of it evenly: its entropy is that of the class draw plus the character's.
    const ClassWeights w = classWeights(pool);
    const int weight[5] = {0, w.number, w.lowercase, w.uppercase, w.special};
    const double weightSum = w.number + w.lowercase + w.uppercase + w.special;
    double anyBits = 0;
    for (int c = 1; c <= 4; ++c)
        if (weight[c] > 0 && inClass[c] > 0) {
            const double p = weight[c] / weightSum;
            anyBits += p * (std::log2(1.0 / p) + std::log2(static_cast<double>(inClass[c])));
        }

    Natural total;
    double bitsSum = 0;
    bool any = false;
    for (int length = min; length <= max; ++length) {
        Natural count(1);
        double bits = 0;
        bool possible = true;
        for (int p = 1; p <= length; ++p) {
            const int rule = rules.rule[static_cast<std::size_t>(p)];
            const int n = rule >= 1 && rule <= 4 ? inClass[rule] : inClass[0];
            if (n <= 0) {
                possible = false;
                break;
            }
            count.multiply(static_cast<std::uint32_t>(n));
            bits += rule >= 1 && rule <= 4 ? std::log2(static_cast<double>(n)) : anyBits;
        }
        if (!possible)
            continue;
        total.add(count);
        bitsSum += bits;
        any = true;
    }
    space.possible = total.decimal();
    const int lengths = max - min + 1;
    // Every length is drawn with the same chance, whether or not it can be filled.
    space.bits = any ? std::log2(static_cast<double>(lengths)) + bitsSum / lengths : 0;
    return space;
}

std::uint64_t possiblePasswords(const CharacterPool& pool, const RunValues& values, const PositionRules& rules)
{
    constexpr std::uint64_t kAll = std::numeric_limits<std::uint64_t>::max();
    const int min = std::max<int>(values.minLength, 1);
    const int max = std::min<int>(values.maxLength, kMaxLength);
    // By rule code; [0] (Any) counted from the flags, whatever the last recount said.
    std::uint64_t inClass[5] = {};
    for (int c = 1; c <= 4; ++c) {
        inClass[c] = static_cast<std::uint64_t>(pool.availableInClass(static_cast<CharClass>(c)));
        inClass[0] += inClass[c];
    }
    std::uint64_t total = 0;
    for (int length = min; length <= max; ++length) {
        std::uint64_t count = 1;
        for (int p = 1; p <= length && count > 0; ++p) {
            const int rule = rules.rule[static_cast<std::size_t>(p)];
            const std::uint64_t n = inClass[rule >= 1 && rule <= 4 ? rule : 0];
            if (__builtin_mul_overflow(count, n, &count))
                count = kAll;
        }
        if (__builtin_add_overflow(total, count, &total))
            return kAll;
    }
    return total;
}

std::uint64_t rejectionLimit(long double possible, std::int64_t total, bool duplication)
{
    if (!duplication || total < 1 || possible < static_cast<long double>(total))
        return kRejectionsInARow;
    // Draws the last password needs on average: the space over what is left of it.
    const long double lastDraws = possible / (possible - static_cast<long double>(total) + 1);
    const long double limit = 64 * lastDraws;
    if (limit <= static_cast<long double>(kRejectionsInARow))
        return kRejectionsInARow;
    constexpr long double kCeiling = static_cast<long double>(std::numeric_limits<std::uint64_t>::max() / 2);
    return limit >= kCeiling ? static_cast<std::uint64_t>(kCeiling) : static_cast<std::uint64_t>(limit);
}

std::string decimalProduct(const std::vector<std::uint32_t>& factors)
{
    Natural product(1);
    for (const std::uint32_t factor : factors)
        product.multiply(factor);
    return product.decimal();
}

std::string shortCount(const std::string& digits)
{
    if (digits.size() <= 15)
        return digits;
    // Three significant digits, rounded half up on the fourth.
    const int exponent = static_cast<int>(digits.size()) - 1;
    int lead = std::stoi(digits.substr(0, 3));
    if (digits[3] >= '5')
        ++lead;
    int shown = exponent;
    if (lead >= 1000) {
        lead /= 10;
        ++shown;
    }
    std::string mantissa = std::to_string(lead);
    mantissa.insert(1, ".");
    while (mantissa.back() == '0')
        mantissa.pop_back();
    if (mantissa.back() == '.')
        mantissa.pop_back();
    return mantissa + "E+" + std::to_string(shown);
}

} // namespace quorlix
