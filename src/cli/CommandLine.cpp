#include "cli/CommandLine.h"

#include <algorithm>
#include <ostream>
#include <sstream>

#include "cli/Commands.h"
#include "cli/Messages.h"
#include "settings/SettingsStore.h"
#include "words/DictionaryDownload.h"

#ifndef QUORLIX_VERSION
#define QUORLIX_VERSION "0.0.0"
#endif

namespace quorlix::cli
{

namespace
{

constexpr std::size_t kHelpWidth = 80;
constexpr std::size_t kOptionColumn = 30;

// text broken at blanks into lines of at most width characters (a longer
// word stands alone); its own line ends stay.
std::string wrap(const std::string& text, std::size_t width)
{
    std::string out;
    std::istringstream paragraphs(text);
    std::string paragraph;
    bool firstParagraph = true;
    while (std::getline(paragraphs, paragraph)) {
        if (!firstParagraph)
            out += '\n';
        firstParagraph = false;
        // Example lines keep their indent; only what runs past the width moves.
        const std::size_t indent = std::min(paragraph.find_first_not_of(' '), paragraph.size());
        std::string line = paragraph.substr(0, indent);
        std::istringstream words(paragraph.substr(indent));
        std::string word;
        bool lineHasWord = false;
        while (words >> word) {
            if (lineHasWord && line.size() + 1 + word.size() > width) {
                out += line + '\n';
                line = std::string(indent + (indent ? 4 : 0), ' ');
                lineHasWord = false;
            }
            line += (lineHasWord ? " " : "") + word;
            lineHasWord = true;
        }
        out += line;
    }
    return out;
}

// CLI11's help with descriptions, footers and command lists wrapped to 80
// columns.
class WrappingFormatter : public CLI::Formatter
{
public:
    WrappingFormatter() { column_width(kOptionColumn); }
    std::string make_option_desc(const CLI::Option* opt) const override
    {
        return wrap(CLI::Formatter::make_option_desc(opt), kHelpWidth - kOptionColumn);
    }
    std::string make_subcommand(const CLI::App* sub) const override
    {
        std::stringstream out;
        CLI::detail::format_help(out, sub->get_display_name(), wrap(sub->get_description(), kHelpWidth - kOptionColumn),
                                 kOptionColumn);
        return out.str();
    }
    std::string make_footer(const CLI::App* app) const override
    {
        const std::string footer = app->get_footer();
        return footer.empty() ? std::string() : wrap(footer, kHelpWidth) + "\n";
    }
    std::string make_description(const CLI::App* app) const override
    {
        const std::string text = CLI::Formatter::make_description(app);
        return wrap(text, kHelpWidth) + (text.ends_with('\n') ? "\n" : "");
    }
};

// Edit distance with transpositions: "generat" is 1 from "generate", "cuont" 1 from "count".
std::size_t distance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The command path of the deepest command given ("generate", "dict search").
const CLI::App* deepestCommand(const CLI::App* app)
{
    for (const CLI::App* sub : app->get_subcommands())
        return deepestCommand(sub);
    return app;
}

std::string commandPath(const CLI::App* app)
{
    std::string path;
    for (const CLI::App* a = app; a && a->get_parent(); a = a->get_parent())
        path = a->get_name() + (path.empty() ? "" : " " + path);
    return path;
}

std::string helpHint(const CLI::App* command)
{
    const std::string path = commandPath(command);
    return "Run 'quorlix-cli " + path + (path.empty() ? "" : " ") + "--help' for more.";
}

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
    cmd->add_option("--settings", g.settingsFile, "Start from a settings file (.set) instead of the last settings")
        ->type_name("FILE");
    cmd->add_flag("--defaults", g.defaults,
                  "Start from the first-start values, not the last settings of the desktop program");
    cmd->add_flag("-q,--quiet", g.quiet,
                  "No notes and no progress line on standard error (refusals and failures still show)");
    cmd->add_option("-o,--output", g.output,
                    "Save to FILE, its type by its ending: .txt, .csv, .htm, .mdb, .pdf (slips) or .chpasswd "
                    "(\"-\": standard output, the default). An existing FILE is replaced only when its folder takes "
                    "a new file (it is never rewritten in place), and never when it belongs to another user")
        ->type_name("FILE");
    cmd->add_option("--format", g.format,
                    "The list type, whatever the ending of -o: txt, csv, htm, mdb, pdf (slips), chpasswd "
                    "(user:password lines), manager-csv (title,username,password,notes) or bitwarden-csv (Bitwarden's "
                    "own columns)")->type_name("TYPE");
    cmd->add_option("--files", g.files, "Write a numbered series of N files instead (2 to 32,767)")->type_name("N");
    cmd->add_option("--preface", g.preface, "File name preface of the series (TEXT1.txt, TEXT2.txt, ...)")
        ->type_name("TEXT");
    cmd->add_option("--dir", g.dir, "Folder of the series [default: the current folder]")->type_name("FOLDER");
    cmd->add_option("--type", g.type,
                    "File type of the series: txt, csv, htm, mdb, pdf, chpasswd, manager-csv or bitwarden-csv "
                    "[default: txt]")
        ->type_name("TYPE");
    cmd->add_option("--save-settings", g.saveSettings,
                    "Write the effective settings to a settings file (.set) after the run; a refused run writes none")
        ->type_name("FILE");

    const char* handOut = "Handing passwords out";
    cmd->add_option("--roster", g.roster,
                    "One password per person of FILE, in its order: a CSV file (.csv, UTF-8, with a header row) "
                    "or lines of \"Last, First\"; the count follows the roster")
        ->type_name("FILE")
        ->group(handOut);
    cmd->add_option("--last-column", g.lastColumn, "Header of the roster's last-name column [default: Last Name, "
                                                   "last_name, surname, ...]")
        ->type_name("HEADER")->group(handOut);
    cmd->add_option("--first-column", g.firstColumn,
                    "Header of the roster's first-name column [default: First Name, first_name, given name, ...]")
        ->type_name("HEADER")->group(handOut);
    cmd->add_option("--user-column", g.userColumn,
                    "Header of the roster's user-name column [default: username, user, login, ...]")
        ->type_name("HEADER")->group(handOut);
    cmd->add_option("--user-prefix", g.userPrefix,
                    "User names PREFIX001, PREFIX002, ... when the roster has none (chpasswd lists need them)")
        ->type_name("PREFIX")->group(handOut);
    cmd->add_option("--hash", g.hash,
                    "Hash the passwords of a chpasswd list (for chpasswd -e), or add a Hash column to a CSV or MDB "
                    "list: yescrypt, sha512crypt or bcrypt")
        ->type_name("SCHEME")->group(handOut);
    cmd->add_flag("--names", g.namesInText, "Text lists get \"Last, First<TAB>password\" lines")->group(handOut);
    cmd->add_option("--slips-per-page", g.slipsPerPage, "Slips on a page of the PDF: 1, 4, 8 or 10 [default: 8]")
        ->type_name("N")->group(handOut);
    cmd->add_flag("--qr", g.qr, "A QR code of the password on every slip")->group(handOut);
    cmd->add_option("--heading", g.heading, "A heading on every slip")->type_name("TEXT")->group(handOut);
    cmd->add_option("--note", g.note, "A note on every slip, and in the notes column of a password-manager list")
        ->type_name("TEXT")->group(handOut);
    cmd->add_option("--paper", g.paper, "Paper of the slips: a4 or letter [default: a4]")
        ->type_name("SIZE")
        ->group(handOut);
}

std::string exitCodes(const std::string& codes)
{
    return "Exit codes: " + codes;
}

const std::string kRunExitCodes = exitCodes(
    "0 done; 1 failed (a file could not be written, or the checks rejected passwords for too long: what was made "
    "is still written); 2 refused (the reason and the option to change are on standard error); 130 stopped with "
    "Ctrl-C (while passwords are made: what was made is kept; once saving began: nothing is saved).");

} // namespace

CommandLine::CommandLine(const OptionState& s, const SettingsStore& store, const std::string& storeName)
{
    // " [now VALUE, from the last settings]" when key is stored, else
    // " [now VALUE, the first-start value]".
    const auto now = [&store](const std::string& value, const char* key) {
        const bool stored = store.contains(kLastSettingsSection, key);
        return " [now " + value + (stored ? ", from the last settings]" : ", the first-start value]");
    };

    // The store's reads are not const: they may load the file first.
    const std::string downloadBaseNow = downloadBase(const_cast<SettingsStore&>(store));
    app.formatter(std::make_shared<WrappingFormatter>());
    app.set_version_flag("--version", std::string("quorlix-cli ") + QUORLIX_VERSION);
    app.require_subcommand(1);
    app.footer("'quorlix-cli COMMAND --help' shows a command's options, each with its value now.\n" +
               exitCodes("0 done, 1 failed, 2 refused (the reason is on standard error), 130 stopped with Ctrl-C; "
                         "each command's help says what they mean for it."));
    const std::string settingsNote =
        "Options not given come from the last settings of the desktop program (" + storeName +
        ") or, on a first start, from built-in values; --defaults uses the built-in values. Sorting is off at a "
        "first start here, unlike in the window: a sorted list begins with the passwords that start with digits, "
        "so its first lines would not be random picks (head -1).";

    gen = app.add_subcommand("generate", "Random Characters passwords");
    addCommon(gen, g);
    gen->add_option("-n,--count", g.count,
                    "Passwords to make (1 to 10,000,000); with --files, per file" +
                        now(std::to_string(s.run.totalPasswords), "PasswordAmount"))
        ->type_name("N");
    gen->add_option("-l,--length", g.length, "Length of every password (sets --min and --max)")->type_name("N");
    gen->add_option("--min", g.minLength,
                    "Shortest password (1 to 60)" + now(std::to_string(s.run.minLength), "MinTotalSpaces"))
        ->type_name("N");
    gen->add_option("--max", g.maxLength,
                    "Longest password (1 to 60)" + now(std::to_string(s.run.maxLength), "MaxTotalSpaces"))
        ->type_name("N");
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
                    "Hyphen after these characters, e.g. 4,8, or none" + now(marks(s.inserts.hyphen), "Hyphen1"))
        ->type_name("POSITIONS");
    gen->add_option("--blanks", g.blanks,
                    "Blank after these characters, e.g. 3, or none" + now(marks(s.inserts.blank), "BlankSpaces1"))
        ->type_name("POSITIONS");
    gen->add_option("--rule", g.rules,
                    "POS=CLASS: the class at a position, CLASS any, number, lower, upper or special (or 0-4)" +
                        now(rules(s.rules), "Rules1"))
        ->take_all()
        ->type_name("POS=CLASS");
    gen->add_option("--pool", g.pool,
                    "The characters to draw from: default62 (digits and letters), default88 (all but l j i O 0 "
                    "1), all (the 94 printable ones), unambiguous (all but " +
                        std::string(kAmbiguousCharacters) +
                        "), or classes joined by commas (number,lower,upper,special)" + now(poolText(s), "XChar65"))
        ->type_name("SET");
    gen->add_option("--include", g.include, "Make these characters available too")->type_name("CHARS");
    gen->add_option("--exclude", g.exclude, "Make these characters unavailable")->type_name("CHARS");
    gen->add_option(
        "--dict", g.dictMode,
        "Reject dictionary words: whole (the password is a word), hybrid (it holds one) or off" +
            now(s.checks.dictionary ? (s.checks.dictionaryMode == DictionaryMode::Whole ? "whole" : "hybrid") : "off",
                  "DictionaryCheck"))
        ->type_name("MODE");
    gen->add_option("--dictionary", g.dictionary,
                    "Dictionary of the dictionary check: a name (see dict list) or a path" +
                        now(s.dictionaryFile, "DictionaryFile"))
        ->type_name("NAME");
    gen->add_flag("--stats", g.stats,
                  "Print how many passwords the settings can make and the entropy of one, then stop");
    gen->footer(settingsNote +
                "\nExamples:\n"
                "  quorlix-cli generate -n 10 -l 16 --pool all --strong\n"
                "  quorlix-cli generate --count 1000 --min 12 --max 16 --pool unambiguous -o list.csv\n"
                "  quorlix-cli generate --count 50 --length 12 --hyphens 4,8 --rule 1=upper --files 10 "
                "--preface batch --dir codes\n"
                "  quorlix-cli generate --count 100000 --dict hybrid --dictionary wordlist_english_all.dct > "
                "codes.txt\n"
                "  quorlix-cli generate --length 20 --pool number --stats\n" +
                kRunExitCodes);

    words = app.add_subcommand("words", "Random Words passwords from a dictionary file");
    addCommon(words, wg);
    words->add_option("-n,--count", w.count,
                      "Passwords to make (1 to 10,000,000); with --files, per file" +
                          now(std::to_string(s.words.totalPasswords), "TypeTotalPasswords"))
        ->type_name("N");
    words->add_option("--words", w.words,
                      "Words per password (1 to 10)" + now(std::to_string(s.words.wordsPerPassword), "TypeQTY"))
        ->type_name("N");
    words->add_option("--separator", w.separator,
                      "Character between the words (\"\" for none)" +
                          now("\"" + s.words.separator + "\"", "TypeCharacter"))
        ->type_name("CHARACTER");
    words->add_option("--digits", w.digits,
                      "Append N random digits (1 to 9)" +
                          now(s.words.randomNumbers ? std::to_string(s.words.digitCount) : "none", "TypeRanNumbers"))
        ->type_name("N");
    words->add_flag("--no-digits", w.noDigits, "Append no digits");
    words->add_option(
        "--min-word", w.minWord,
        "Shortest word, 4 or more (switches the word-length window on)" +
            now(s.words.wordLengthLimit ? std::to_string(s.words.minWordLength) : "off", "TypeWordLimitMin"))
        ->type_name("N");
    words->add_option(
        "--max-word", w.maxWord,
        "Longest word (switches the word-length window on)" +
            now(s.words.wordLengthLimit ? std::to_string(s.words.maxWordLength) : "off", "TypeWordLimitMax"))
        ->type_name("N");
    addSwitch(words, "upper", w.upper, "random capitals (one capital letter per word)",
              now(onOff(s.words.randomUppercase), "TypeUcase"));
    addSwitch(words, "dups", w.dups, "the duplication check (no password twice)",
              now(onOff(s.words.duplicationCheck), "TypeDups"));
    addSwitch(words, "sort", wg.sort, "sorting (the passwords in character-code order)",
              now(onOff(s.checks.sortDisplay), "SortPass"));
    words->add_option("--dictionary", w.dictionary,
                      "Dictionary file: a name (see dict list) or a path" +
                          now(s.words.dictionary, "TypeDictionary"))
        ->type_name("NAME");
    words->add_option("--case", w.wordCase,
                      "How the words are written: lower, upper, capitalised, alternating (lower, UPPER, ...) or "
                      "random (each word lower or UPPER); --upper goes with lower only" +
                          now(std::string(wordCaseName(s.words.wordCase)), "TypeCase"))
        ->type_name("STYLE");
    words->add_flag("--stats", wg.stats,
                    "Print how many passwords the settings can make and the entropy of one, then stop");
    words->footer(settingsNote +
                  "\nExamples:\n"
                  "  quorlix-cli words --count 20 --words 3 --separator - --digits 2\n"
                  "  quorlix-cli words --words 4 --case capitalised --separator . --stats\n"
                  "  quorlix-cli words -n 5 --min-word 5 --max-word 8 --upper --dictionary wordlist_french.dct\n"
                  "  quorlix-cli words --count 1000 --files 4 --preface team --type csv\n" +
                  kRunExitCodes);

    const PronounceableSettings& ps = s.pronounceable;
    pron = app.add_subcommand("pronounceable", "Pronounceable passwords made of syllables, all equally likely");
    addCommon(pron, pg);
    pron->add_option("-n,--count", p.count,
                     "Passwords to make (1 to 10,000,000); with --files, per file" +
                         now(std::to_string(ps.totalPasswords), "PronTotalPasswords"))
        ->type_name("N");
    pron->add_option("-l,--length", p.length, "Length of every password (sets --min and --max)")->type_name("N");
    pron->add_option("--min", p.minLength,
                     "Shortest password: letters, digits and symbol, separators not counted (1 to 60)" +
                         now(std::to_string(ps.minLength), "PronMinLength"))
        ->type_name("N");
    pron->add_option("--max", p.maxLength,
                     "Longest password (1 to 60)" + now(std::to_string(ps.maxLength), "PronMaxLength"))
        ->type_name("N");
    pron->add_option("--capital", p.capital,
                     "Capital letter: none, first (the first letter) or random (one letter anywhere)" +
                         now(std::string(capitalName(ps.capital)), "PronCapital"))
        ->type_name("WHERE");
    pron->add_option("--digits", p.digits,
                     "Digits (2 to 9) as one group at a syllable boundary: 0 to 9 of them" +
                         now(std::to_string(ps.digitCount), "PronDigits"))
        ->type_name("N");
    addSwitch(pron, "symbol", p.symbol, "one symbol (! # $ % & * + = ? @) at a syllable boundary",
              now(onOff(ps.symbol), "PronSymbol"));
    pron->add_option("--separator", p.separator,
                     "Between the syllables, digits and symbol: none, hyphen, blank or dot" +
                         now(std::string(separatorName(ps.separator)), "PronSeparator"))
        ->type_name("WHAT");
    addSwitch(pron, "dups", pg.dups, "the duplication check (no password twice)",
              now(onOff(s.checks.duplication), "Dups"));
    addSwitch(pron, "sort", pg.sort, "sorting (the passwords in character-code order)",
              now(onOff(s.checks.sortDisplay), "SortPass"));
    pron->add_option(
        "--dict", pg.dictMode,
        "Reject dictionary words: whole (the password is a word), hybrid (it holds one) or off" +
            now(s.checks.dictionary ? (s.checks.dictionaryMode == DictionaryMode::Whole ? "whole" : "hybrid") : "off",
                "DictionaryCheck"))
        ->type_name("MODE");
    pron->add_option("--dictionary", pg.dictionary,
                     "Dictionary of the dictionary check: a name (see dict list) or a path" +
                         now(s.dictionaryFile, "DictionaryFile"))
        ->type_name("NAME");
    pron->add_flag("--stats", pg.stats,
                   "Print how many passwords the settings can make and the entropy of one, then stop");
    pron->footer("Syllables are a consonant and a vowel, or a consonant, a vowel and a closing consonant, of the "
                 "letters b d f g h j k m n p r s t v w z / a e i o u / b d f g k m n p r s t; no l, I, 1, O or 0. "
                 "Every password the settings allow is equally likely, so the entropy is exactly log2 of their "
                 "number.\n" +
                 settingsNote +
                 "\nExamples:\n"
                 "  quorlix-cli pronounceable -n 10\n"
                 "  quorlix-cli pronounceable -n 5 --min 12 --max 12 --capital random --digits 1 --separator none\n"
                 "  quorlix-cli pronounceable --count 1000 --symbol --dups -o handout.csv\n"
                 "  quorlix-cli pronounceable --stats\n" +
                 kRunExitCodes);

    dict = app.add_subcommand("dict", "Dictionary files: list, search, download, build");
    dict->require_subcommand(1);
    dictList = dict->add_subcommand("list", "Every dictionary file found, with its folder");
    dictList->footer(exitCodes("0 listed, 1 none found."));
    dictSearch = dict->add_subcommand("search", "Search a word in a dictionary (exit 1: not found)");
    dictSearch->add_option("WORD", searchWord, "Word of four letters or more")->required();
    dictSearch->add_flag("--hybrid", hybrid, "List every word found inside WORD");
    dictSearch
        ->add_option("--dictionary", searchDictionary,
                     "Dictionary: a name or a path" + now(s.dictionaryFile, "DictionaryFile"))
        ->type_name("NAME");
    dictSearch->footer(exitCodes("0 found, 1 not found or the dictionary cannot be read, 2 refused (a word of "
                                 "three letters or fewer)."));
    dictDownload = dict->add_subcommand(
        "download", "Get a dictionary into your dictionary folder: built from this system's word lists, or "
                    "downloaded from a server you name; it becomes the dictionary check's");
    dictDownload->add_option("NAME", downloadName, "File name, e.g. wordlist_dutch.dct (see --list)");
    dictDownload->add_flag("--list", downloadList, "List every name that can be had, and from where");
    dictDownload
        ->add_option("--from", downloadFrom,
                     "Download from the server at URL (the file URL/software/NAME) instead of building from the "
                     "word lists [now " +
                         (downloadBaseNow.empty()
                              ? std::string("none: set DownloadBase in the [Settings] section of ") + storeName +
                                    " to name one"
                              : "DownloadBase " + downloadBaseNow) +
                         "]")
        ->type_name("URL");
    dictDownload->footer(
        "A name from --list is built from the word list of its Debian package in /usr/share/dict (no network "
        "needed); 'apt install' the package named for a missing one. A server is asked only when you name one: "
        "with --from, or for names the word lists cannot give, the DownloadBase setting. When the server "
        "publishes NAME.sha256 beside the file, the file must match it. The dictionary check of the desktop "
        "program is switched off and set to the new file, as its Download window does.\n"
        "Examples:\n"
        "  quorlix-cli dict download --list\n"
        "  quorlix-cli dict download wordlist_dutch.dct\n"
        "  quorlix-cli dict download mine.dct --from file:///media/usb/quorlix\n" +
        exitCodes("0 done, 1 failed (nothing was saved; the message says what to install or which server to "
                  "name), 2 refused (NAME is not a file name)."));
    dictBuild = dict->add_subcommand("build", "Build a dictionary file from a word list");
    dictBuild->add_option("LIST", buildList, "Word list, one word per line, or - for standard input")->required();
    dictBuild
        ->add_option("OUT", buildOut, "Dictionary file to write (.dct); a bare name goes to your dictionary folder")
        ->required();
    dictBuild->footer("Examples:\n"
                      "  quorlix-cli dict build /usr/share/dict/words mine.dct\n"
                      "  grep -v \"'\" /usr/share/dict/words | quorlix-cli dict build - mine.dct\n" +
                      exitCodes("0 built, 1 failed (the list cannot be read or the file cannot be written), 2 "
                                "refused (the list holds no usable word)."));
    dict->footer("Dictionaries are looked up in $XDG_DATA_HOME/quorlix (default ~/.local/share/quorlix), then in "
                 "the installed share/quorlix, then beside the program; a folder that someone else could have put "
                 "files into is skipped, with a note.\n"
                 "Examples:\n"
                 "  quorlix-cli dict list\n"
                 "  quorlix-cli dict search houseboat --hybrid\n"
                 "  quorlix-cli dict download --list\n"
                 "  quorlix-cli dict build /usr/share/dict/words mine.dct\n" +
                 exitCodes("see each command's --help."));

    // Used by the build to make the dictionaries that ship beside the program.
    dictShipped = dict->add_subcommand("build-shipped", "Build the shipped dictionaries from Debian's lists");
    dictShipped->group("");
    dictShipped->add_option("FOLDER", shippedOut, "Output folder")->required();

    sort = app.add_subcommand("sort", "Sort the lines of a text file in place (\"-\": standard input to output)");
    sort->add_option("FILE", sortPath, "Text file, or -")->required();
    sort->add_flag("--case-sensitive", caseSensitive, "Order by character code (capitals before small letters)");
    sort->footer("A file keeps its line ends (CR LF or LF); standard output gets LF.\n" +
                 exitCodes("0 sorted, 1 failed (no such file, or it cannot be written)."));

    convert = app.add_subcommand("convert", "Convert a text password list to CSV, HTML or MDB (by the ending)");
    convert->add_option("IN", convertIn, "Text file, one password per line, or - for standard input")->required();
    convert->add_option("OUT", convertOut, "Target: .csv, .htm, .html or .mdb")->required();
    convert->footer(exitCodes("0 converted, 1 failed (the list cannot be read or the target written), 2 refused "
                              "(an unknown ending, or a line the format cannot hold).")); 

    compact = app.add_subcommand("compact", "Copy every table of a database into a new, compact file");
    compact->add_option("SRC", compactIn, "Database to compact")->required();
    compact->add_option("DST", compactOut, "New database file")->required();
    compact->footer(exitCodes("0 compacted, 1 failed (SRC cannot be read completely), 2 refused (an encrypted "
                              "database, or an index that cannot be rebuilt). No file changes unless 0."));

    repair = app.add_subcommand("repair", "Rebuild a database in place from what is readable");
    repair->add_option("FILE", repairPath, "Database to repair")->required();
    repair->footer(exitCodes("0 repaired (what was left out is named per table), 1 failed, 2 refused (an "
                             "encrypted database, or an index that cannot be rebuilt). The file changes only "
                             "with 0."));

    for (CLI::App* cmd : {gen, words, pron})
        for (const char* name : {"--count", "--length", "--min", "--max", "--files", "--words", "--digits",
                                 "--min-word", "--max-word"})
            if (CLI::Option* option = cmd->get_option_no_throw(name))
                option->transform(kDecimal);

    // Operands show their own name alone, as the manual page writes them.
    for (CLI::App* command : {gen, words, dictList, dictSearch, dictDownload, dictBuild, dictShipped, sort, convert,
                              compact, repair})
        for (CLI::Option* o : command->get_options())
            if (o->get_positional())
                o->type_name("");

    // Every error line starts with the program's name, then says where help is.
    app.failure_message([](const CLI::App* top, const CLI::Error& e) {
        return prefixedLines(std::string(e.what()) + "\n" + helpHint(deepestCommand(top)));
    });
}

std::string CommandLine::closest(const std::string& typed, const std::vector<std::string>& candidates)
{
    // The start of one name only ("--case" for "--case-sensitive").
    const std::size_t typedLetters = typed.size() - std::min(typed.find_first_not_of('-'), typed.size());
    if (typedLetters >= 3) {
        std::vector<std::string> starting;
        for (const std::string& c : candidates)
            if (c.starts_with(typed))
                starting.push_back(c);
        if (starting.size() == 1)
            return starting.front();
    }
    std::string best;
    std::size_t bestDistance = 0;
    for (const std::string& c : candidates) {
        const std::size_t d = distance(typed, c);
        if (best.empty() || d < bestDistance) {
            best = c;
            bestDistance = d;
        }
    }
    // A slip of a key or two.
    return bestDistance <= std::max<std::size_t>(1, std::min<std::size_t>(3, typedLetters / 3)) ? best
                                                                                                : std::string();
}

namespace
{

// The commands of app; hidden ones (the build's own) only when asked for.
std::vector<std::string> commandNames(const CLI::App* app, bool hidden = false)
{
    std::vector<std::string> names;
    for (const CLI::App* sub :
         app->get_subcommands([hidden](const CLI::App* a) { return hidden || !a->get_group().empty(); }))
        names.push_back(sub->get_name());
    return names;
}

std::vector<std::string> optionNames(const CLI::App* app)
{
    std::vector<std::string> names;
    for (const CLI::Option* o : app->get_options())
        for (const std::string& n : o->get_lnames())
            names.push_back("--" + n);
    return names;
}

std::string didYouMean(const std::string& best)
{
    return best.empty() ? std::string() : "; did you mean '" + best + "'?";
}

} // namespace

std::optional<int> CommandLine::parse(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    // A word where a command belongs that names none: say so, and which was meant.
    const CLI::App* level = &app;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.starts_with("-"))
            break;
        const std::vector<std::string> names = commandNames(level);
        const std::vector<std::string> all = commandNames(level, true);
        if (all.empty())
            break;
        if (std::find(all.begin(), all.end(), word) == all.end()) {
            const std::string where = level == &app ? "" : " of " + commandPath(level);
            err << prefixedLines("'" + word + "' is not a command" + where + didYouMean(closest(word, names)) + "\n" +
                                 helpHint(level));
            return kExitRefused;
        }
        level = level->get_subcommand(word);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ExtrasError& e) {
        // Unknown options, named with the closest one the command has.
        const CLI::App* command = deepestCommand(&app);
        std::string text;
        for (const std::string& extra : command->remaining()) {
            if (extra.starts_with("-")) {
                const std::string name = extra.substr(0, extra.find('='));
                text += "'" + name + "' is not an option of " + commandPath(command) +
                        didYouMean(closest(name, optionNames(command))) + "\n";
            }
        }
        if (text.empty())
            return app.exit(e, out, err) == 0 ? kExitOk : kExitRefused;
        err << prefixedLines(text + helpHint(command));
        return kExitRefused;
    } catch (const CLI::RequiredError& e) {
        // No command after "quorlix-cli" or "dict": name the ones there are.
        const CLI::App* command = deepestCommand(&app);
        const std::vector<std::string> names = commandNames(command);
        if (std::string(e.what()) != "A subcommand is required" || names.empty())
            return app.exit(e, out, err) == 0 ? kExitOk : kExitRefused;
        std::string list;
        for (std::size_t i = 0; i < names.size(); ++i)
            list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
        const std::string path = commandPath(command);
        err << prefixedLines("name a command" + (path.empty() ? "" : " of " + path) + ": " + list + "\n" +
                             helpHint(command));
        return kExitRefused;
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kExitOk : kExitRefused;
    }
    return std::nullopt;
}

} // namespace quorlix::cli
