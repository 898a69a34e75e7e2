#pragma once
// Dictionary download: the download window's logic over a record of its
// controls, and DownloadFile, which fetches one address into one local file.
//
// A download never replaces a good file with a bad one: the bytes go to a
// temporary name next to the target, must open as a dictionary, and only then
// are renamed into place. A failure is reported as such, never as complete.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "output/RunSurface.h"
#include "platform/Status.h"
#include "words/DictionaryFolder.h"
#include "words/DictionarySearch.h"
#include "words/DictionarySources.h"

namespace quorlix {

class SettingsStore;

inline constexpr std::string_view kDownloadInstructions =
    "Select the dictionary language file of your choice to download. Please make sure the file is downloaded into "
    "the same folder in which Quorlix resides. The downloaded dictionary file will automatically be set as your "
    "default when performing duplication checks. You can change to any dictionary file by selecting the 'Change "
    "Dictionary File' option from the 'Dictionary' menu.";
inline constexpr std::string_view kDownloadNote =
    "NOTE: If you receive a web page error message, this means either the web site is temporarily down, you're not "
    "connected to the Internet or the language file does not exist. If you manually entered the file name, please "
    "verify and try again.";
inline constexpr std::string_view kPresentCaption = "These Dictionary Files already exists on this Computer:";
inline constexpr std::string_view kNoFileName = "No File Name Entered.";

// The base address of a server the user named under section "Settings", key
// "DownloadBase", or "" when none is named (no server is asked then);
// surrounding blanks and trailing slashes are dropped so base + "/software/"
// has one.
std::string downloadBase(SettingsStore& store);
// A server's base address as the user typed it, without surrounding blanks
// and trailing slashes.
std::string serverBase(std::string_view typed);

// Checks that a downloaded file is a dictionary: verifyDictionary, then every
// table read to its end as countWords does (the default).
using DictionaryVerifier = std::function<Status(const std::string& path)>;
Status verifyDownloadedDictionary(const std::string& path);

// Told how far a download has come (total 0 while unknown); returning false
// cancels it.
using DownloadProgress = std::function<bool(std::uint64_t received, std::uint64_t total)>;

// Fetches address into localPath in one blocking call. HTTP errors, dropped
// connections, a cancel and files that fail verify are errors; localPath is
// then untouched.
Status DownloadFile(const std::string& address, const std::string& localPath,
                    const DictionaryVerifier& verify = verifyDownloadedDictionary,
                    const DownloadProgress& progress = {});

// DownloadFile, checking first the digest the server may publish beside the
// file (address + ".sha256", as sha256sum writes it): when there is one, a
// file whose SHA-256 differs is refused, which a damaged dictionary of the
// right form would otherwise pass. digestChecked tells whether there was.
Status downloadDictionary(const std::string& address, const std::string& localPath, bool* digestChecked,
                          const DownloadProgress& progress = {});

// "Connected to the Internet": false only when the system has no network
// interface up besides loopback.
class InternetProbe {
public:
    virtual ~InternetProbe() = default;
    virtual bool connected() = 0;
};
class SystemInternetProbe final : public InternetProbe {
public:
    bool connected() override;
};

struct DownloadWindow {
    int option = 5;                    // 0..6, 5 = "Other:"
    std::string otherName;             // Text1
    bool nameBoxEnabled = true;        // grey (192,192,192) when false
    std::vector<std::string> present;  // lstDct
};

// Opening: "Other:" selected, name box enabled, the present files listed.
DownloadWindow openDownloadWindow(const DictionaryPlaces& places);
// Choosing option i; a built-in file already present (in any of the places)
// shows the already-exists message naming its folder (the option stays selected).
void downloadOptionChosen(DownloadWindow& window, int option, const DictionaryPlaces& places, MessageBoxes& boxes);

enum class DownloadOutcome { NoName, Unavailable, Declined, Completed, Failed };

// The download-requested flag of the program.
struct DownloadRequest {
    bool requested = false;
};

// Gets a dictionary from its source into path: builds it from the word lists
// or downloads it (downloadDictionary), as source says.
using ObtainDictionary = std::function<Status(const DictionarySource& source, const std::string& path)>;

// The window's line on where name would come from (sourceOf).
std::string sourceLine(const std::string& name, const DictionarySource& source);

// Accept: names the file and makes it the dictionary-check file. When the
// word lists of this computer (under listFolder) can build it, or a server is
// named (base), asks, and on Yes switches the check off, has obtain put it
// into folder (the user's dictionary folder, made when missing and removed
// again when nothing came of it) and reports. When neither can give it, says
// what would (Unavailable). Completed and Failed close the window; NoName,
// Unavailable and Declined leave it open.
DownloadOutcome acceptDownload(DownloadWindow& window, const std::string& programFolder, const std::string& base,
                               std::string& checkFile, DownloadRequest& flag, DictionaryCheckControls& controls,
                               MainWindowSurface& surface, MessageBoxes& boxes, const ObtainDictionary& obtain,
                               const std::string& listFolder = std::string(kSystemWordListFolder));

inline void cancelDownload(DownloadRequest& flag) { flag.requested = false; }

} // namespace quorlix
