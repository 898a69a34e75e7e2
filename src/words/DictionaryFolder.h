#pragma once
// Where dictionary files live, the built-in names and which of them are
// present, and the existence test every dictionary feature uses.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "options/OptionState.h" // kDefaultDictionary
#include "platform/Status.h"

namespace quorlix {

struct KnownDictionary {
    int option;              // index in the download window
    std::string_view file;   // empty for "Other:"
    std::string_view caption;
};

// The download window's seven choices, in option order 0..6.
inline constexpr std::array<KnownDictionary, 7> kKnownDictionaries = {{
    {0, "wordlist_english_all.dct", "English (USA/British)   (261,000+ Words)"},
    {1, "wordlist_french.dct", "French                   (47,000+ Words)"},
    {2, "wordlist_german.dct", "German                   (77,000+ Words)"},
    {3, "wordlist_spanish.dct", "Spanish                  (52,000+ Words)"},
    {4, "wordlist_italian.dct", "Italian                  (26,000+ Words)"},
    {5, "", "Other:"},
    {6, "wordlist_english_abridged.dct", "English (USA) Abridged   (26,500+ Words)"},
}};

// The folder of the running program file, ending in '/' (the working folder
// when it cannot be told): the program folder where dictionaries live.
std::string programFolder();

// True when path names a file, or a folder that holds at least one entry (the
// folder listing of the path is not empty).
bool fileExists(const std::string& path);

// The six built-in names present in programFolder, in the fixed order
// english_all, english_abridged, french, german, italian, spanish.
std::vector<std::string> availableDictionaries(const std::string& programFolder);

// The folders a dictionary name is looked up in, in order: the user's data
// folder ($XDG_DATA_HOME/quorlix, by default ~/.local/share/quorlix, the home
// folder taken from the password database when HOME is unset), the
// installed data folder (share/quorlix beside the program's bin folder, so a
// moved or staged install finds its own), the program folder (a build tree).
// Settings keep bare names; what the user downloads, builds or adds goes to
// the user's folder.
//
// A folder someone else could have put files into (see
// untrustedFolderReason) is neither searched nor written: it is skipped,
// and skipped() says which and why.
class DictionaryPlaces {
public:
    // The places of the running program.
    static DictionaryPlaces ofThisProgram();
    // Given folders (each ending in '/'), the first being the user's; all are searched.
    explicit DictionaryPlaces(std::vector<std::string> folders);
    // One folder for everything (tests, a folder named on the command line).
    DictionaryPlaces(const std::string& folder) : DictionaryPlaces(std::vector<std::string>{folder}) {}

    // The folders searched, in order.
    const std::vector<std::string>& folders() const { return m_folders; }
    // Where downloads and builds go; searched first unless it was skipped.
    const std::string& userFolder() const { return m_user; }

    struct Skipped {
        std::string folder;
        std::string why;
    };
    const std::vector<Skipped>& skipped() const { return m_skipped; }
    // "Skipped FOLDER: WHY." for each skipped folder.
    std::vector<std::string> skippedNotes() const;
    // The folder that holds name, or the user's folder when none does (where
    // a download would put it; the first searched folder when the user's was
    // skipped). A name with a folder in it is a path: "".
    std::string folderOf(std::string_view name) const;
    std::string pathOf(std::string_view name) const { return folderOf(name) + std::string(name); }
    // The six built-in names present in any of the folders, in the fixed order.
    std::vector<std::string> available() const;

    struct Found {
        std::string name;
        std::string folder;
    };
    // Every dictionary file (*.dct) in the folders, by folder then name; a
    // name found twice is listed where the lookup finds it first only.
    std::vector<Found> all() const;

private:
    DictionaryPlaces() = default;

    std::vector<std::string> m_folders;
    std::string m_user;
    std::vector<Skipped> m_skipped;
};

// Makes the user's dictionary folder (and the missing folders above it,
// private to the user) before a file is written into it, and refuses a folder
// others could write into. created receives the folders it made, deepest
// last, for removeCreatedFolders.
Status makeUserFolder(const std::string& folder, std::vector<std::string>* created);
// Removes the folders makeUserFolder made, deepest first, as long as they are
// empty: a failed download or build leaves no empty folder behind.
void removeCreatedFolders(const std::vector<std::string>& created);

// True when name is a file name alone: not empty, not "." or "..", and
// without a folder separator ('/' or '\\'), so programFolder + name stays
// inside programFolder.
bool isBareFileName(std::string_view name);

// programFolder + name, programFolder ending in a separator.
inline std::string inProgramFolder(const std::string& programFolder, std::string_view name)
{
    return programFolder + std::string(name);
}

} // namespace quorlix
