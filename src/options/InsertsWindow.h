#pragma once
// The working copy behind the shared Hyphens / Blank Spaces window: 59 boxes
// " After Character 1".." After Character 59", edited in the set chosen by the
// menu item and written back only by Accept.

#include <array>
#include <string>
#include <string_view>

#include "options/RunOptions.h"

namespace quorlix {

namespace inserts_window {
inline constexpr std::string_view kHyphensCaption = "Add Hyphens";
inline constexpr std::string_view kHyphensHeading = "Hyphen Set-Up Menu";
inline constexpr std::string_view kBlanksCaption = "Add Blank Spaces";
inline constexpr std::string_view kBlanksHeading = "Blank Spaces Set-Up Menu";
inline constexpr std::string_view kAccept = "&Accept";
inline constexpr std::string_view kCancel = "&Cancel";
inline constexpr std::string_view kClearAll = "Clear Al&l";
inline constexpr std::string_view kSelectAll = "&Select All";
inline constexpr std::string_view kHelp = "&Help";
inline constexpr std::string_view kHelpTopic = "Hyphen/Blank Spaces Menu";
inline constexpr std::string_view kHyphensRefusal =
    " Max Total characters must be greater than 1 in order to select hyphens.";
inline constexpr std::string_view kBlanksRefusal =
    " Max Total characters must be greater than 1 in order to select blank spaces.";
} // namespace inserts_window

inline constexpr int kInsertPositions = 59;

// The message the "H&yphens" / "&Blank Spaces" menu item shows instead of
// opening the window (exclamation icon), or empty when the window may open.
std::string_view insertsRefusal(bool blanks, int maxLength);

class InsertsWorkingCopy {
public:
    // Opening the window for the set of the edit mode: boxes 1..min-1 are
    // enabled; boxes 1..max-1 show the stored marks (disabled ones included).
    InsertsWorkingCopy(const InsertSettings& inserts, bool blanks, int minLength, int maxLength);

    std::string_view caption() const;
    std::string_view heading() const;
    static std::string boxCaption(int position); // " After Character 7"

    bool blanks() const { return m_blanks; }
    bool enabled(int position) const { return inRange(position) && m_enabled[position]; }
    bool checked(int position) const { return inRange(position) && m_checked[position]; }
    // A click on a box; disabled boxes do not react.
    void click(int position);

    void clearAll();  // "Clear Al&l": boxes 1..59
    void selectAll(); // "&Select All": boxes 1..max-1, disabled ones included

    // "&Accept": all 59 positions of the edited set become 1 or 0, so a mark
    // beyond max-1 that was not shown is cleared. Sets the edit mode too.
    void accept(InsertSettings& inserts) const;

private:
    static bool inRange(int position) { return position >= 1 && position <= kInsertPositions; }
    bool m_blanks;
    int m_maxLength;
    std::array<bool, kInsertPositions + 1> m_enabled{};
    std::array<bool, kInsertPositions + 1> m_checked{};
};

} // namespace quorlix
