#pragma once
// The maker's addresses, written into the CSV closing lines and the HTML links.

#include <string_view>

namespace quorlix {

inline constexpr std::string_view kMakerHomePage = "https://quorlix.example.org/";
inline constexpr std::string_view kMakerEmail = "support@quorlix.example.org";

} // namespace quorlix
