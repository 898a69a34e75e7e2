#pragma once
// Where a dictionary comes from when it is not there yet: the system's word
// lists (Debian's w* packages put them in /usr/share/dict), built here with
// the dictionary build, or a server the user names (the DownloadBase setting,
// quorlix-cli dict download --from), which is never asked unless named.

#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace quorlix {

inline constexpr std::string_view kSystemWordListFolder = "/usr/share/dict/";

// One dictionary that can be built from word lists.
struct WordListDictionary {
    std::string file;     // "wordlist_dutch.dct"
    std::string language; // "Dutch"
    // Groups of alternatives: the first list present of each group is used.
    // A bare name lies in the word-list folder; a path stands as it is.
    std::vector<std::vector<std::string>> lists;
    std::string package; // the Debian package that brings the lists
};

// Every dictionary the system's word lists can give, by file name.
const std::vector<WordListDictionary>& wordListDictionaries();
// The entry for file, or nullptr.
const WordListDictionary* wordListDictionary(std::string_view file);

// The lists of dict found under folder (ending in '/'), one per group; empty
// when any group has none.
std::vector<std::string> presentLists(const WordListDictionary& dict,
                                      const std::string& folder = std::string(kSystemWordListFolder));

// How a dictionary name can be had here.
struct DictionarySource {
    enum class Kind {
        WordLists, // built from lists on this system
        Server,    // downloaded from the named server
        Package,   // its lists are not installed: install package
        Nothing,   // no lists known for the name and no server named
    };
    Kind kind = Kind::Nothing;
    std::vector<std::string> lists; // WordLists
    std::string address;            // Server
    std::string package;            // Package
};

// The lists on this system first; a server only when one is named (base) and
// the system cannot build the name, or when preferServer (--from) says so.
DictionarySource sourceOf(std::string_view name, const std::string& base, bool preferServer = false,
                          const std::string& folder = std::string(kSystemWordListFolder));

// A line saying where the name comes from: "built from /usr/share/dict/dutch",
// "downloaded from https://…/software/x.dct", "install the package wdutch
// first (apt install wdutch)", or what can be done when nothing can.
std::string sourceText(std::string_view name, const DictionarySource& source);

// The SHA-256 digest of a file as 64 lower-case hex digits.
Status sha256OfFile(const std::string& path, std::string* hex);
// The digest a NAME.sha256 file states: its first word, as sha256sum writes
// it ("HEX  NAME"); an error when that is not 64 hex digits.
Status digestFromText(std::string_view text, std::string* hex);

} // namespace quorlix
