#pragma once
// Dictionary files in the program folder: the built-in names, which of them
// are present, and the existence test every dictionary feature uses.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "options/OptionState.h" // kDefaultDictionary

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

// programFolder + name, programFolder ending in a separator.
inline std::string inProgramFolder(const std::string& programFolder, std::string_view name)
{
    return programFolder + std::string(name);
}

} // namespace quorlix
