#pragma once
// How a word is written in a Random Words password (its case), and how many
// passwords the Random Words settings can make, with the entropy of one.

#include <string>
#include <string_view>

#include "engine/PasswordSpace.h"
#include "options/WordSettings.h"
#include "words/WordDrawer.h"

namespace quorlix {

// The lower-case word as style writes it at the 1-based place of the
// password: alternating words are lower at odd places and UPPER at even ones;
// a random word is UPPER when upperDrawn. Lower leaves it as it is (the
// single random capital is applied apart).
std::string styledWord(std::string_view word, WordCase style, int place, bool upperDrawn);

// Every word of the drawer that the length window lets through is equally
// likely at each place (a word outside it makes the whole password be drawn
// again), written as the style says, with the random capital when it counts;
// the digits are uniform. The count is of different passwords, the bits the
// Shannon entropy of one: words that read the same once lower-cased, or a
// capital raised on a character without one, make a word's forms unequally
// likely, and the entropy says so. Exact when one word is drawn, or when the
// separator is not empty and found in no word; otherwise different words
// joined may read the same, and both figures are upper bounds.
PasswordSpace wordPasswordSpace(const WordDrawer& drawer, const WordSettings& settings);

} // namespace quorlix
