#pragma once
// Everything quorlix-cli says on standard error goes through here, so that
// every line starts with "quorlix-cli: ", as users of pwgen and friends
// expect when they grep a log.

#include <string>
#include <string_view>

namespace quorlix::cli
{

inline constexpr std::string_view kPrefix = "quorlix-cli: ";

// text as lines that each start with kPrefix and end in LF: CR LF, CR and LF
// all end a line, blank lines are dropped and each line loses its
// surrounding blanks (message texts of the window indent and space out).
std::string prefixedLines(std::string_view text);

// Writes prefixedLines(text) to standard error.
void say(std::string_view text);

} // namespace quorlix::cli
