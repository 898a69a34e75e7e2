#pragma once
// The "Characters to Use" and probability readouts of the main window, and the
// number texts they are built from.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "options/CharacterPool.h"
#include "options/RunOptions.h"

namespace quorlix {

// Shown in place of the probability while the Random Words method is selected.
inline constexpr std::string_view kReadoutDisabledForWords = " Disabled for 'Random Words' method.";

// Above this maximum probability both lines switch to exponent form.
inline constexpr double kExponentThreshold = 7.92281625142643E+27;

// The double's standard text form: at most 15 significant digits, trailing
// zeros dropped, no leading blank; exponent form ("1E+15", "2.5E-05",
// "2.44158144585119E+118": at least two exponent digits) when the rounded value
// is 1E+15 or more, or below 0.0001.
std::string formatDouble(double value);

// The value as a 28-digit decimal: rounded to 15 significant digits, the rest
// written as zeros, no exponent ("839299365868340000"). nullopt when the
// rounded value does not fit in 28 digits (above 79228162514264337593543950335).
std::optional<std::string> formatDecimal28(double value);

struct ReadoutText {
    std::int16_t count = 0;      // available characters after the recount
    std::string charactersToUse; // the count as decimal text
    // "1 in <min> Min" CR LF "1 in <max> Max"; empty when a value could not be
    // converted (the readout then stays empty).
    std::string probability;
};

// Recounts the pool (so availableCount() is current afterwards) and builds both
// readouts from the minimum and maximum lengths. Separators and rules never
// enter it.
ReadoutText refreshReadout(CharacterPool& pool, const RunValues& values);
// The probability text alone for a given count; refreshReadout's step 3 onwards.
std::string probabilityText(int count, int minLength, int maxLength);

} // namespace quorlix
