#pragma once
// The logic of the "Multi-File Create" window: its opening values, the live
// updates that take effect while it is open, and the checks of Accept. The
// GUI holds the controls and forwards their events here.

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "output/RunSurface.h"
#include "output/MultiFileSettings.h"

namespace quorlix {

inline constexpr std::string_view kMultiFileCaption = "Multi-File Create";
inline constexpr std::string_view kPrefaceMissing = " File Name Preface field must be filled-in";
// The preface begins every file name of the series: a folder separator or ".."
// would put files outside the chosen folder, a control character (a line end)
// would make names no one can type.
inline constexpr std::string_view kPrefaceNotAName =
    " File Name Preface must be the start of a file name: no \"/\", no \"..\" and no control characters";
inline constexpr std::string_view kTotalFilesTooFew = " Total Files field must be greater than 1";
inline constexpr std::string_view kTotalFilesNotWhole = " Total Files must be a whole number from 2 to 32,767";
inline constexpr std::string_view kDirectoryMissing = " Select the directory/path for the files";
inline constexpr std::string_view kMultiFileNotActive = "Multi-file mode is not in effect. To activate it, select the "
                                                        "ACTIVATE check-box. Multi-file mode is NOT in effect.";
inline constexpr std::string_view kDriveError = "Drive error occured. Please investigate.";

// The file types of the option buttons, by index 0..3.
// The four lists, then the hand-out lists: slips, chpasswd input, password-manager CSV.
inline constexpr std::string_view kMultiFileTypes[] = {"txt", "mdb",      "htm",         "csv",
                                                        "pdf", "chpasswd", "manager-csv", "bitwarden-csv"};
inline constexpr int kMultiFileTypeCount = static_cast<int>(std::size(kMultiFileTypes));

// No folder separator, no "..", no control character (kPrefaceNotAName).
bool isPlainPreface(std::string_view preface);

// Any folder that does not end in the path separator gets one, so the file
// names can be appended to it; a root ("/") is kept as it is.
std::string withPathSeparator(std::string_view folder);

// The text of the Total Files field as a 16-bit value the way a typed number
// converts: blanks around it, an optional sign, digits and an optional
// fraction (rounded half to even). nullopt for anything else or out of range.
std::optional<std::int16_t> convertTotalFiles(std::string_view text);

class MultiFileWindow {
public:
    enum class Outcome { StayOpen, Close };

    MultiFileWindow(MultiFileSettings& settings, MessageBoxes& boxes) : m_settings(settings), m_boxes(boxes) {}

    // Opening. The GUI points its folder list at folderToShow() (when it is
    // not empty) and then reports the list's folder with chooseFolder().
    bool activateChecked() const { return m_activate; }
    const std::string& prefaceText() const { return m_prefaceText; }
    const std::string& totalFilesText() const { return m_totalFilesText; }
    std::optional<int> typeIndex() const;
    const std::string& folderToShow() const { return m_settings.directory; }
    // The directory followed by one blank, under "Selected Directory\Path".
    std::string shownDirectory() const { return m_settings.directory + " "; }
    void open();

    // Live updates, stored at once (also when the window is then cancelled).
    void setPrefaceText(std::string text);
    void setTotalFilesText(std::string text);
    void setActivateChecked(bool on) { m_activate = on; }
    void chooseType(int index);
    void chooseFolder(std::string_view folder);
    // A drive could not be read; the GUI then returns to the program's drive.
    void driveFailed();

    Outcome accept();
    // Leaves active as it was; the live updates stay.
    Outcome cancel() { return Outcome::Close; }

private:
    MultiFileSettings& m_settings;
    MessageBoxes& m_boxes;
    bool m_activate = false;
    std::string m_prefaceText;
    std::string m_totalFilesText;
};

} // namespace quorlix
