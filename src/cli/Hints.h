#pragma once
// The second line of a refusal: the window's own text says what is wrong in
// the window's words; this line names the option to change.

#include <string>
#include <string_view>

namespace quorlix::cli
{

// The option hint for a refusal text shown by a run or its checks, or "" when
// the text names its option already.
std::string optionHint(std::string_view message);

} // namespace quorlix::cli
