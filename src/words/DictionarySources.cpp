#include "words/DictionarySources.h"

#include <sodium.h>

#include <cstdio>

#include "words/DictionaryFolder.h"
#include "words/DictionarySearch.h"

namespace quorlix {

const std::vector<WordListDictionary>& wordListDictionaries()
{
    // English lists come in sizes; the largest installed one is taken.
    static const std::vector<WordListDictionary> kAll = {
        {"wordlist_brazilian.dct", "Portuguese (Brazil)", {{"brazilian"}}, "wbrazilian"},
        {"wordlist_catalan.dct", "Catalan", {{"catalan"}}, "wcatalan"},
        {"wordlist_danish.dct", "Danish", {{"danish"}}, "wdanish"},
        {"wordlist_dutch.dct", "Dutch", {{"dutch", "nederlands"}}, "wdutch"},
        {"wordlist_english_abridged.dct",
         "English (USA) abridged",
         {{"american-english-small", "american-english", "british-english"}},
         "wamerican-small"},
        {"wordlist_english_all.dct",
         "English (USA and British)",
         {{"american-english-huge", "american-english-large", "american-english"},
          {"british-english-huge", "british-english-large", "british-english"}},
         "wamerican-huge wbritish-huge"},
        {"wordlist_english_american.dct",
         "English (USA)",
         {{"american-english-insane", "american-english-huge", "american-english-large", "american-english"}},
         "wamerican"},
        {"wordlist_english_british.dct",
         "English (British)",
         {{"british-english-insane", "british-english-huge", "british-english-large", "british-english"}},
         "wbritish"},
        {"wordlist_english_canadian.dct",
         "English (Canada)",
         {{"canadian-english-insane", "canadian-english-huge", "canadian-english-large", "canadian-english"}},
         "wcanadian"},
        // The EFF's long list for passphrases (7,776 words), as Debian's
        // diceware and xkcdpass packages ship it.
        {"wordlist_english_eff.dct",
         "English (EFF long list for passphrases)",
         {{"/usr/lib/python3/dist-packages/xkcdpass/static/eff-long",
           "/usr/lib/python3/dist-packages/diceware/wordlists/wordlist_en_eff.txt"}},
         "xkcdpass"},
        {"wordlist_esperanto.dct", "Esperanto", {{"esperanto"}}, "wesperanto"},
        {"wordlist_faroese.dct", "Faroese", {{"faroese"}}, "wfaroese"},
        {"wordlist_french.dct", "French", {{"french"}}, "wfrench"},
        {"wordlist_galician.dct", "Galician", {{"galician-minimos", "galician"}}, "wgalician-minimos"},
        {"wordlist_german.dct", "German", {{"ngerman"}}, "wngerman"},
        {"wordlist_german_old.dct", "German (old spelling)", {{"ogerman"}}, "wogerman"},
        {"wordlist_german_swiss.dct", "German (Switzerland)", {{"swiss"}}, "wswiss"},
        {"wordlist_irish.dct", "Irish", {{"irish"}}, "wirish"},
        {"wordlist_italian.dct", "Italian", {{"italian"}}, "witalian"},
        {"wordlist_manx.dct", "Manx", {{"manx"}}, "wmanx"},
        {"wordlist_norwegian.dct", "Norwegian (Bokmål)", {{"bokmaal"}}, "wnorwegian"},
        {"wordlist_norwegian_nynorsk.dct", "Norwegian (Nynorsk)", {{"nynorsk"}}, "wnorwegian"},
        {"wordlist_polish.dct", "Polish", {{"polish"}}, "wpolish"},
        {"wordlist_portuguese.dct", "Portuguese", {{"portuguese"}}, "wportuguese"},
        {"wordlist_spanish.dct", "Spanish", {{"spanish"}}, "wspanish"},
        {"wordlist_swedish.dct", "Swedish", {{"swedish", "svenska"}}, "wswedish"},
    };
    return kAll;
}

const WordListDictionary* wordListDictionary(std::string_view file)
{
    for (const WordListDictionary& d : wordListDictionaries())
        if (d.file == file)
            return &d;
    return nullptr;
}

std::vector<std::string> presentLists(const WordListDictionary& dict, const std::string& folder)
{
    std::vector<std::string> found;
    for (const auto& group : dict.lists) {
        bool any = false;
        for (const std::string& name : group) {
            const std::string path = name.starts_with('/') ? name : folder + name;
            if (fileExists(path)) {
                found.push_back(path);
                any = true;
                break;
            }
        }
        if (!any)
            return {};
    }
    return found;
}

DictionarySource sourceOf(std::string_view name, const std::string& base, bool preferServer,
                          const std::string& folder)
{
    DictionarySource source;
    const WordListDictionary* dict = wordListDictionary(name);
    if (!preferServer && dict) {
        source.lists = presentLists(*dict, folder);
        if (!source.lists.empty()) {
            source.kind = DictionarySource::Kind::WordLists;
            return source;
        }
    }
    if (!base.empty()) {
        source.kind = DictionarySource::Kind::Server;
        source.address = dictionaryAddress(base, name);
        return source;
    }
    if (dict) {
        source.kind = DictionarySource::Kind::Package;
        source.package = dict->package;
    }
    return source;
}

std::string sourceText(std::string_view name, const DictionarySource& source)
{
    switch (source.kind) {
    case DictionarySource::Kind::WordLists: {
        std::string lists;
        for (const std::string& l : source.lists)
            lists += (lists.empty() ? "" : " and ") + l;
        return "built from " + lists;
    }
    case DictionarySource::Kind::Server:
        return "downloaded from " + source.address;
    case DictionarySource::Kind::Package: {
        std::string names = source.package;
        const bool several = names.find(' ') != std::string::npos;
        if (several)
            names.replace(names.find(' '), 1, " and ");
        return std::string("install the package") + (several ? "s " : " ") + names + " first (apt install " +
               source.package + ")";
    }
    case DictionarySource::Kind::Nothing:
        break;
    }
    return std::string(name) +
           " is not made from a word list of this system, and no server is named (DownloadBase, or --from)";
}

Status sha256OfFile(const std::string& path, std::string* hex)
{
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return Status::ioError("Cannot read " + path + ".");
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    unsigned char buffer[1 << 16];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        crypto_hash_sha256_update(&state, buffer, got);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed)
        return Status::ioError("Cannot read " + path + ".");
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&state, digest);
    char text[crypto_hash_sha256_BYTES * 2 + 1];
    sodium_bin2hex(text, sizeof text, digest, sizeof digest);
    *hex = text;
    return Status::ok();
}

Status digestFromText(std::string_view text, std::string* hex)
{
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    std::string word(text.substr(start == std::string_view::npos ? text.size() : start));
    word = word.substr(0, word.find_first_of(" \t\r\n"));
    for (char& c : word)
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    if (word.size() != 64 || word.find_first_not_of("0123456789abcdef") != std::string::npos)
        return Status::corruption("It does not start with a SHA-256 digest of 64 hex digits.");
    *hex = word;
    return Status::ok();
}

} // namespace quorlix
