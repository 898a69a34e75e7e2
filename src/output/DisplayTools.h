#pragma once
// The display commands of the main window that are not windows of their own:
// Open Text File, the numbered tooltip, and the View/Edit menus' texts.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ResultList.h"
#include "platform/Status.h"

namespace quorlix {

inline constexpr std::string_view kOpenTextTitle = "Select Text File";
inline constexpr std::string_view kOpenTextFilter = "Text Files (*.txt)|*.txt; |All Files (*.*)|*.*";
inline constexpr std::string_view kAppendQuestion =
    "Current Display is not empty. Do you wish to append text file contents to the existing display?\r\n\r\n"
    "Selecting 'NO' will clear the contents of the display and then display only the contents of the requested "
    "text file.";
inline constexpr std::string_view kOpenedFile = "Opened file: ";
// Rows filled from a text file: light yellow, then bright white.
inline constexpr int kOpenedStripeFirst = 14;
inline constexpr int kOpenedStripeSecond = 15;

// Adds every line of the file at path to list (as UTF-8; a line that is not
// UTF-8 is read as code page 1252), calling yield before each. The lines read
// before a failure stay.
Status readTextFileInto(const std::string& path, ResultList& list, const std::function<void()>& yield = {});

// The list's tooltip after a click: the row's position counted from 1, a dot,
// two blanks and its text ("3.  xK9#...").
std::string numberedTooltip(std::size_t index, std::string_view text);

// The View/Edit menus' open dialog.
inline constexpr std::string_view kSelectFileToOpen = "Select File to Open";
inline constexpr std::string_view kViewMdbFilter = "MS-Access Database File (*.mdb)|*.mdb|All Files (*.*)|*.*";
inline constexpr std::string_view kViewCsvFilter =
    "Comma-Seperated Values File (*.csv)|*.csv|All Files (*.*)|*.*";
inline constexpr std::string_view kViewTxtFilter = "Text File (*.txt)|*.txt|All Files (*.*)|*.*";
inline constexpr std::string_view kViewHtmFilter = "Hypertext File (*.htm;html)|*.htm;html|All Files (*.*)|*.*";
inline constexpr std::string_view kViewBrowserFilter = "Text File (*.htm;html)|*.htm;html|All Files (*.*)|*.*";

// The message when the desktop's application for a database or CSV file
// could not be started, chosen by the last three characters of path, or
// empty for other files.
std::string viewerFailureMessage(const std::string& path);

} // namespace quorlix
