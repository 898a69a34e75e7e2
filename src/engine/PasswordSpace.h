#pragma once
// How many different passwords a Random Characters run can make, and the
// entropy of one of them, from the pool, the lengths and the position rules
// (separators are fixed and add nothing). The side-by-side, sequential,
// strong-password and dictionary checks remove candidates: with any of them
// on, both figures are upper bounds. The duplication check removes none.

#include <string>

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

// The count in the readout's short form: all digits up to 15 of them, else
// "8.39E+17" (three significant digits).
std::string shortCount(const std::string& digits);

} // namespace quorlix
