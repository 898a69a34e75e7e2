#pragma once
// The maker's addresses, written into the CSV closing lines and the HTML links.
// They come from the CMake cache variables QUORLIX_MAKER_HOMEPAGE and
// QUORLIX_MAKER_EMAIL, which packagers set.

#include <string_view>

namespace quorlix {

inline constexpr std::string_view kMakerHomePage = QUORLIX_MAKER_HOMEPAGE;
inline constexpr std::string_view kMakerEmail = QUORLIX_MAKER_EMAIL;

} // namespace quorlix
