#include "cli/CommandLine.h"

#include <algorithm>
#include <ostream>

#include "cli/Commands.h"
#include "settings/SettingsStore.h"

#ifndef QUORLIX_VERSION
#define QUORLIX_VERSION "0.0.0"
#endif

namespace quorlix::cli
{

namespace
{

std::string onOff(bool on)
{
    return on ? "on" : "off";
}

std::string marks(const std::array<std::int16_t, 61>& set)
{
    std::string out;
    for (int i = 1; i <= 59; ++i)
        if (set[static_cast<std::size_t>(i)] == 1)
            out += (out.empty() ? "" : ",") + std::to_string(i);
    return out.empty() ? "none" : out;
}

std::string rules(const PositionRules& r)
{
    static const char* kNames[] = {"any", "number", "lower", "upper", "special"};
    std::string out;
    for (int p = 1; p <= 60; ++p)
        if (const int c = r.rule[static_cast<std::size_t>(p)]; c >= 1 && c <= 4)
            out += (out.empty() ? "" : " ") + std::to_string(p) + "=" + kNames[c];
    return out.empty() ? "none" : out;
}

std::string poolText(const OptionState& s)
{
    CharacterPool pool = s.pool;
    return std::to_string(pool.recount()) + " characters";
}

// Numbers are typed in decimal digits only: 010 is ten (not eight, as C reads
// it), and 0x10, 1e3 or an empty value are refused, naming the option.
const CLI::Validator kDecimal(
    [](std::string& value) -> std::string {
        if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos)
            return "takes a whole number in decimal digits, not \"" + value + "\"";
        value.erase(0, std::min(value.find_first_not_of('0'), value.size() - 1));
        if (value.size() > 18) // past what the conversion holds; every range ends far below
            return value + " is out of range";
        return {};
    },
    "", "decimal");

// --flag / --no-flag pairs that leave the loaded setting alone when neither is given.
void addSwitch(CLI::App* cmd, const std::string& name, std::optional<bool>& target, const std::string& what,
               const std::string& now)
{
    cmd->add_flag_callback(
        "--" + name, [&target] { target = true; }, "Switch on " + what + now);
    cmd->add_flag_callback(
        "--no-" + name, [&target] { target = false; }, "Switch off " + what);
}

// The options generate and words share: where the settings come from, the
// output, the numbered series of files.
void addCommon(CLI::App* cmd, GenerateArgs& g)
{
    cmd->add_option("--settings", g.settingsFile, "Start from a settings file (.set) instead of the last settings");
    cmd->add_flag("--defaults", g.defaults,
                  "Start from the first-start values, not the last settings of the desktop program");
    cmd->add_flag("-q,--quiet", g.quiet, "No notes on standard error (refusals and failures still show)");
    cmd->add_option("-o,--output", g.output,
                    "Save to FILE, its type by its ending: .txt, .csv, .htm or .mdb (\"-\": standard output, "
                    "the default). An existing FILE is replaced only when its folder takes a new file (it is never "
                    "rewritten in place), and never when it belongs to another user");
    cmd->add_option("--files", g.files, "Write a numbered series of this many files instead (2 to 32,767)");
    cmd->add_option("--preface", g.preface, "File name preface of the series (PREFACE1.txt, PREFACE2.txt, ...)");
    cmd->add_option("--dir", g.dir, "Folder of the series [default: the current folder]");
    cmd->add_option("--type", g.type, "File type of the series: txt, csv, htm or mdb [default: txt]");
    cmd->add_option("--save-settings", g.saveSettings,
                    "Write the effective settings to a settings file (.set) after the run; a refused run writes none");
}

} // namespace

CommandLine::CommandLine(const OptionState& s, const SettingsStore& store, const std::string& storeName)
{
    // " [now VALUE, from the last settings]" when key is stored, else
    // " [now VALUE, the first-start value]".
    const auto now = [&store](const std::string& value, const char* key) {
        const bool stored = store.contains(kLastSettingsSection, key);
        return " [now " + value + (stored ? ", from the last settings]" : ", the first-start value]");
    };

    app.set_version_flag("--version", std::string("quorlix-cli ") + QUORLIX_VERSION);
    app.require_subcommand(1);
    app.footer("Options not given come from the last settings of the desktop program (" + storeName +
               ") or, on a first start, from built-in values; --defaults uses the built-in values.\n"
               "Exit codes: 0 done, 1 failed, 2 refused (the reason is on standard error), 130 stopped with "
               "Ctrl-C (while passwords are made: what was made is kept; once saving began: nothing is saved).");

    gen = app.add_subcommand("generate", "Random Characters passwords");
    addCommon(gen, g);
    gen->add_option("-n,--count", g.count,
                    "Passwords to make (1 to 10,000,000); with --files, per file" +
                        now(std::to_string(s.run.totalPasswords), "PasswordAmount"));
    gen->add_option("-l,--length", g.length, "Length of every password (sets --min and --max)");
    gen->add_option("--min", g.minLength,
                    "Shortest password (1 to 60)" + now(std::to_string(s.run.minLength), "MinTotalSpaces"));
    gen->add_option("--max", g.maxLength,
                    "Longest password (1 to 60)" + now(std::to_string(s.run.maxLength), "MaxTotalSpaces"));
    addSwitch(gen, "dups", g.dups, "the duplication check (no password twice)",
              now(onOff(s.checks.duplication), "Dups"));
    addSwitch(gen, "side", g.side, "the side-by-side check (no two equal characters side by side)",
              now(onOff(s.checks.sideBySide), "SideCheck"));
    addSwitch(gen, "seq", g.seq, "the sequential check (no neighbouring codes such as ab or 21)",
              now(onOff(s.checks.sequential), "SeqCheck"));
    addSwitch(gen, "strong", g.strong, "strong passwords (three of the four character classes)",
              now(onOff(s.checks.strong), "StrongPasswords"));
    addSwitch(gen, "sort", g.sort, "sorting (the passwords in character-code order)",
              now(onOff(s.checks.sortDisplay), "SortPass"));
    gen->add_option("--hyphens", g.hyphens,
                    "Hyphen after these characters, e.g. 4,8, or none" + now(marks(s.inserts.hyphen), "Hyphen1"));
    gen->add_option("--blanks", g.blanks,
                    "Blank after these characters, e.g. 3, or none" + now(marks(s.inserts.blank), "BlankSpaces1"));
    gen->add_option("--rule", g.rules,
                    "POS=CLASS: the class at a position, CLASS any, number, lower, upper or special (or 0-4)" +
                        now(rules(s.rules), "Rules1"))
        ->take_all();
    gen->add_option("--pool", g.pool,
                    "The characters to draw from: default62 (digits and letters), default88 (all but l j i O 0 "
                    "1), all (the 94 printable ones), unambiguous (all but " +
                        std::string(kAmbiguousCharacters) +
                        "), or classes joined by commas (number,lower,upper,special)" + now(poolText(s), "XChar65"));
    gen->add_option("--include", g.include, "Make these characters available too");
    gen->add_option("--exclude", g.exclude, "Make these characters unavailable");
    gen->add_option(
        "--dict", g.dictMode,
        "Reject dictionary words: whole (the password is a word) or hybrid (it holds one)" +
            now(s.checks.dictionary ? (s.checks.dictionaryMode == DictionaryMode::Whole ? "whole" : "hybrid") : "off",
                  "DictionaryCheck"));
    gen->add_option("--dictionary", g.dictionary,
                    "Dictionary of the dictionary check: a name (see dict list) or a path" +
                        now(s.dictionaryFile, "DictionaryFile"));
    gen->add_flag("--stats", g.stats,
                  "Print how many passwords the settings can make and the entropy of one, then stop");
    gen->footer("Examples:\n"
                "  quorlix-cli generate -n 10 -l 16 --pool all --strong\n"
                "  quorlix-cli generate --count 1000 --min 12 --max 16 --pool unambiguous -o list.csv\n"
                "  quorlix-cli generate --count 50 --length 12 --hyphens 4,8 --rule 1=upper --files 10 "
                "--preface batch --dir codes\n"
                "  quorlix-cli generate --count 100000 --dict hybrid --dictionary wordlist_english_all.dct > "
                "codes.txt\n"
                "  quorlix-cli generate --length 20 --pool number --stats");

    words = app.add_subcommand("words", "Random Words passwords from a dictionary file");
    addCommon(words, wg);
    words->add_option("-n,--count", w.count,
                      "Passwords to make (1 to 10,000,000); with --files, per file" +
                          now(std::to_string(s.words.totalPasswords), "TypeTotalPasswords"));
    words->add_option("--words", w.words,
                      "Words per password (1 to 10)" + now(std::to_string(s.words.wordsPerPassword), "TypeQTY"));
    words->add_option("--separator", w.separator,
                      "Character between the words (\"\" for none)" +
                          now("\"" + s.words.separator + "\"", "TypeCharacter"));
    words->add_option("--digits", w.digits,
                      "Append this many random digits (1 to 9)" +
                          now(s.words.randomNumbers ? std::to_string(s.words.digitCount) : "none", "TypeRanNumbers"));
    words->add_flag("--no-digits", w.noDigits, "Append no digits");
    words->add_option(
        "--min-word", w.minWord,
        "Shortest word, 4 or more (switches the word-length window on)" +
            now(s.words.wordLengthLimit ? std::to_string(s.words.minWordLength) : "off", "TypeWordLimitMin"));
    words->add_option(
        "--max-word", w.maxWord,
        "Longest word (switches the word-length window on)" +
            now(s.words.wordLengthLimit ? std::to_string(s.words.maxWordLength) : "off", "TypeWordLimitMax"));
    addSwitch(words, "upper", w.upper, "random capitals (one capital letter per word)",
              now(onOff(s.words.randomUppercase), "TypeUcase"));
    addSwitch(words, "dups", w.dups, "the duplication check (no password twice)",
              now(onOff(s.words.duplicationCheck), "TypeDups"));
    addSwitch(words, "sort", wg.sort, "sorting (the passwords in character-code order)",
              now(onOff(s.checks.sortDisplay), "SortPass"));
    words->add_option("--dictionary", w.dictionary,
                      "Dictionary file: a name (see dict list) or a path" +
                          now(s.words.dictionary, "TypeDictionary"));
    words->footer("Examples:\n"
                  "  quorlix-cli words --count 20 --words 3 --separator - --digits 2\n"
                  "  quorlix-cli words -n 5 --min-word 5 --max-word 8 --upper --dictionary wordlist_french.dct\n"
                  "  quorlix-cli words --count 1000 --files 4 --preface team --type csv");

    dict = app.add_subcommand("dict", "Dictionary files: list, search, download, build");
    dict->require_subcommand(1);
    dictList = dict->add_subcommand("list", "Every dictionary file found, with its folder");
    dictSearch = dict->add_subcommand("search", "Search a word in a dictionary (exit 1: not found)");
    dictSearch->add_option("WORD", searchWord, "Word of four letters or more")->required();
    dictSearch->add_flag("--hybrid", hybrid, "List every word found inside WORD");
    dictSearch->add_option("--dictionary", searchDictionary,
                           "Dictionary: a name or a path" + now(s.dictionaryFile, "DictionaryFile"));
    dictDownload = dict->add_subcommand(
        "download", "Download a dictionary file into your dictionary folder; it becomes the dictionary check's");
    dictDownload->add_option("NAME", downloadName, "File name, e.g. wordlist_french.dct")->required();
    dictBuild = dict->add_subcommand("build", "Build a dictionary file from a word list");
    dictBuild->add_option("LIST", buildList, "Word list, one word per line")->required();
    dictBuild
        ->add_option("OUT", buildOut, "Dictionary file to write (.dct); a bare name goes to your dictionary folder")
        ->required();
    dict->footer("Dictionaries are looked up in $XDG_DATA_HOME/quorlix (default ~/.local/share/quorlix), then in "
                 "the installed share/quorlix, then beside the program.\n"
                 "Examples:\n"
                 "  quorlix-cli dict list\n"
                 "  quorlix-cli dict search houseboat --hybrid\n"
                 "  quorlix-cli dict download wordlist_german.dct\n"
                 "  quorlix-cli dict build /usr/share/dict/words mine.dct");

    // Used by the build to make the dictionaries that ship beside the program.
    dictShipped = dict->add_subcommand("build-shipped", "Build the six shipped dictionaries from Debian's lists");
    dictShipped->group("");
    dictShipped->add_option("FOLDER", shippedOut, "Output folder")->required();

    sort = app.add_subcommand("sort", "Sort the lines of a text file in place (\"-\": standard input to output)");
    sort->add_option("FILE", sortPath, "Text file, or -")->required();
    sort->add_flag("--case-sensitive", caseSensitive, "Order by character code (capitals before small letters)");

    convert = app.add_subcommand("convert", "Convert a text password list to CSV, HTML or MDB (by the ending)");
    convert->add_option("IN", convertIn, "Text file, one password per line, or - for standard input")->required();
    convert->add_option("OUT", convertOut, "Target: .csv, .htm, .html or .mdb")->required();

    compact = app.add_subcommand("compact", "Copy every table of a database into a new, compact file");
    compact->add_option("SRC", compactIn, "Database to compact")->required();
    compact->add_option("DST", compactOut, "New database file")->required();

    repair = app.add_subcommand("repair", "Rebuild a database in place from what is readable");
    repair->add_option("FILE", repairPath, "Database to repair")->required();

    for (CLI::App* cmd : {gen, words})
        for (const char* name : {"--count", "--length", "--min", "--max", "--files", "--words", "--digits",
                                 "--min-word", "--max-word"})
            if (CLI::Option* option = cmd->get_option_no_throw(name))
                option->transform(kDecimal);

}

std::optional<int> CommandLine::parse(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kExitOk : kExitRefused;
    }
    return std::nullopt;
}

} // namespace quorlix::cli
