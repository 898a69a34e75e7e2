#pragma once
// How many different passwords a Random Characters run can make, and the
// entropy of one of them, from the pool, the lengths and the position rules
// (separators are fixed and add nothing). The side-by-side, sequential,
// strong-password and dictionary checks remove candidates: with any of them
// on, both figures are upper bounds. The duplication check removes none.

#include <cstdint>
#include <string>
#include <vector>

#include "options/CharacterPool.h"
#include "options/RunOptions.h"

namespace quorlix {

struct PasswordSpace {
    std::string possible; // the exact count in decimal digits; "0" when nothing can be made
    double bits = 0;      // Shannon entropy of one password, in bits
    bool upperBound = false;
};

// The pool's available count must be current (recount()).
PasswordSpace passwordSpace(const CharacterPool& pool, const RunValues& values, const PositionRules& rules,
                            const CheckOptions& checks);

// The same count as a number, saturating at the largest 64-bit value: what a
// run with the duplication check can make at most (side-by-side, sequential,
// strong and dictionary checks leave fewer).
std::uint64_t possiblePasswords(const CharacterPool& pool, const RunValues& values, const PositionRules& rules);

// Checks that can never pass would keep a run drawing for ever, so a run gives
// up after this many rejections in a row (a rejected position, a password
// restarted at a dead end, a password refused by its checks), unless the
// duplication check legitimately needs more: near a full space the last
// passwords take about possible / (possible - made) draws each, and the limit
// is then 64 times that.
inline constexpr std::uint64_t kRejectionsInARow = 4'000'000;
std::uint64_t rejectionLimit(long double possible, std::int64_t total, bool duplication);

// The product of the factors in decimal digits ("1" for none).
std::string decimalProduct(const std::vector<std::uint32_t>& factors);

// The count in the readout's short form: all digits up to 15 of them, else
// "8.39E+17" (three significant digits).
std::string shortCount(const std::string& digits);

} // namespace quorlix
