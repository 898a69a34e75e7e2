#pragma once
// The questions and hints around opening a saved file in the desktop's
// application for its type.

#include <string_view>

namespace quorlix::texts {

inline constexpr std::string_view kViewTxtQuestion =
    "Do you wish to View/Edit this file now using your default text viewer?";
inline constexpr std::string_view kViewCsvQuestion =
    "Do you wish to launch your default CSV application to view this file now?";
inline constexpr std::string_view kViewHtmQuestion =
    "Do you wish to launch your default web browser to view this file now?";
inline constexpr std::string_view kViewMdbQuestion =
    "Do you wish to launch your default MDB application to view this file now?";

// Follow "Unable to open " + path when the application could not be started.
inline constexpr std::string_view kCsvViewerHint =
    " Please verify that your system has an application for CSV files installed and that it is set as the default "
    "for the CSV extension.";
inline constexpr std::string_view kMdbViewerHint =
    " Please verify that your system has an application for MDB files installed and that it is set as the default "
    "for the MDB extension.";
// The View/Edit menu's CSV entry says a little more.
inline constexpr std::string_view kCsvViewerHintMore =
    " If you are using another application which reads CSV files, then make sure that application is set.";

} // namespace quorlix::texts
