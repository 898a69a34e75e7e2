// quorlix-cli: the password generator for scripts, over the same engine as the
// desktop program.

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "output/MdbListWriter.h"
#include "platform/AtomicFile.h"
#include "platform/SecretMemory.h"

using namespace quorlix::cli;

namespace {

// --flag / --no-flag pairs that leave the loaded setting alone when neither is given.
void addSwitch(CLI::App* cmd, const std::string& name, std::optional<bool>& target, const std::string& help)
{
    cmd->add_flag_callback("--" + name, [&target] { target = true; }, help);
    cmd->add_flag_callback("--no-" + name, [&target] { target = false; }, "Switch off: " + help);
}

} // namespace

int main(int argc, char** argv)
{
    quorlix::protectProcess();
    quorlix::removeTemporaryFilesOnSignals();
    // Save As, -o FILE.mdb and multi-file series of type mdb write through it.
    quorlix::installMdbListWriter([] { return mdbFormatSetting(); });

    CLI::App app{"Quorlix: batches of random passwords, registration codes and PINs", "quorlix-cli"};
    app.require_subcommand(1);

    GenerateArgs g;
    auto* gen = app.add_subcommand("generate", "Random Characters passwords, with the last settings changed by options");
    gen->add_option("--settings", g.settingsFile, "Start from a settings file (.set) instead of the last settings");
    gen->add_option("--count", g.count, "Total passwords (1 to 10,000,000)");
    gen->add_option("--min", g.minLength, "Minimum total characters (1 to 60)");
    gen->add_option("--max", g.maxLength, "Maximum total characters (1 to 60)");
    addSwitch(gen, "dups", g.dups, "duplication check");
    addSwitch(gen, "side", g.side, "side-by-side check");
    addSwitch(gen, "seq", g.seq, "sequential check");
    addSwitch(gen, "strong", g.strong, "strong passwords (three of the four classes)");
    addSwitch(gen, "sort", g.sort, "sort the passwords");
    gen->add_option("--hyphens", g.hyphens, "Hyphen after these characters, e.g. 2,4 (or none)");
    gen->add_option("--blanks", g.blanks, "Blank after these characters, e.g. 3 (or none)");
    gen->add_option("--rule", g.rules, "POS=CLASS: force a class at a position (0-4 or any/number/lower/upper/special)")
        ->take_all();
    gen->add_option("--pool", g.pool, "default62, default88, all, or classes joined by commas");
    gen->add_option("--include", g.include, "Make these characters available");
    gen->add_option("--exclude", g.exclude, "Make these characters unavailable");
    gen->add_option("--dict", g.dictMode, "Dictionary check: whole or hybrid");
    gen->add_option("--dictionary", g.dictionary, "Dictionary file of the dictionary check");
    gen->add_option("--files", g.files, "Write a numbered series of this many files");
    gen->add_option("--preface", g.preface, "File name preface of the series");
    gen->add_option("--dir", g.dir, "Folder of the series (default: the current folder)");
    gen->add_option("--type", g.type, "File type of the series: txt, csv, htm or mdb");
    gen->add_option("-o,--output", g.output, "Save to FILE (.txt, .csv, .htm or .mdb) instead of standard output");
    gen->add_option("--save-settings", g.saveSettings, "Write the effective settings to a settings file (.set)");

    // Random Words: its own options, with the output and multi-file options of generate.
    GenerateArgs wg;
    WordsArgs w;
    auto* words = app.add_subcommand("words", "Random Words passwords from a dictionary file");
    words->add_option("--settings", wg.settingsFile, "Start from a settings file (.set) instead of the last settings");
    words->add_option("--count", w.count, "Total passwords (1 to 10,000,000)");
    words->add_option("--words", w.words, "Words per password (1 to 10)");
    words->add_option("--separator", w.separator, "Character between the words (\"\" for none)");
    words->add_option("--digits", w.digits, "Append this many random digits");
    words->add_flag("--no-digits", w.noDigits, "Append no digits");
    words->add_option("--min-word", w.minWord, "Shortest word (switches the word-length window on)");
    words->add_option("--max-word", w.maxWord, "Longest word (switches the word-length window on)");
    addSwitch(words, "upper", w.upper, "one random uppercase letter per word");
    addSwitch(words, "dups", w.dups, "duplication check");
    addSwitch(words, "sort", wg.sort, "sort the passwords");
    words->add_option("--dictionary", w.dictionary, "Dictionary file in the program folder");
    words->add_option("--files", wg.files, "Write a numbered series of this many files");
    words->add_option("--preface", wg.preface, "File name preface of the series");
    words->add_option("--dir", wg.dir, "Folder of the series (default: the current folder)");
    words->add_option("--type", wg.type, "File type of the series: txt, csv, htm or mdb");
    words->add_option("-o,--output", wg.output, "Save to FILE (.txt, .csv, .htm or .mdb) instead of standard output");
    words->add_option("--save-settings", wg.saveSettings, "Write the effective settings to a settings file (.set)");

    auto* dict = app.add_subcommand("dict", "Dictionary files: list, search, download, build");
    dict->require_subcommand(1);
    auto* dictList = dict->add_subcommand("list", "Dictionary files present in the program folder");
    std::string searchWord, searchDictionary = "wordlist_english_abridged.dct";
    bool hybrid = false;
    auto* dictSearch = dict->add_subcommand("search", "Search a word in a dictionary");
    dictSearch->add_option("WORD", searchWord, "Word of four letters or more")->required();
    dictSearch->add_flag("--hybrid", hybrid, "List every word found inside WORD");
    dictSearch->add_option("--dictionary", searchDictionary, "Dictionary file in the program folder");
    std::string downloadName;
    auto* dictDownload = dict->add_subcommand("download", "Download a dictionary file into the program folder");
    dictDownload->add_option("NAME", downloadName, "File name, e.g. wordlist_french.dct")->required();
    std::string buildList, buildOut;
    auto* dictBuild = dict->add_subcommand("build", "Build a dictionary file from a word list");
    dictBuild->add_option("LIST", buildList, "Word list, one word per line")->required();
    dictBuild->add_option("OUT", buildOut, "Dictionary file to write (.dct)")->required();

    // Used by the build to make the dictionaries that ship in the program folder.
    std::string shippedOut;
    auto* dictShipped = dict->add_subcommand("build-shipped", "Build the six shipped dictionaries from Debian's lists");
    dictShipped->group("");
    dictShipped->add_option("FOLDER", shippedOut, "Output folder")->required();

    std::string sortPath;
    bool caseSensitive = false;
    auto* sort = app.add_subcommand("sort", "Sort the lines of a text file in place");
    sort->add_option("FILE", sortPath, "Text file")->required();
    sort->add_flag("--case-sensitive", caseSensitive, "Order by character code (uppercase before lowercase)");

    std::string convertIn, convertOut;
    auto* convert = app.add_subcommand("convert", "Convert a text password list to CSV, HTML or MDB (by the ending)");
    convert->add_option("IN", convertIn, "Text file, one password per line")->required();
    convert->add_option("OUT", convertOut, "Target: .csv, .htm, .html or .mdb")->required();

    std::string compactIn, compactOut;
    auto* compact = app.add_subcommand("compact", "Copy every table of a database into a new, compact file");
    compact->add_option("SRC", compactIn, "Database to compact")->required();
    compact->add_option("DST", compactOut, "New database file")->required();

    std::string repairPath;
    auto* repair = app.add_subcommand("repair", "Rebuild a database in place from what is readable");
    repair->add_option("FILE", repairPath, "Database to repair")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitRefused;
    }
    try {
        if (*gen)
            return runGenerate(g);
        if (*words)
            return runGenerate(wg, &w);
        if (*dictList)
            return runDictList();
        if (*dictSearch)
            return runDictSearch(searchWord, hybrid, searchDictionary);
        if (*dictDownload)
            return runDictDownload(downloadName);
        if (*dictShipped)
            return runDictBuildShipped(shippedOut);
        if (*dictBuild)
            return runDictBuild(buildList, buildOut);
        if (*sort)
            return runSort(sortPath, caseSensitive);
        if (*convert)
            return runConvert(convertIn, convertOut);
        if (*compact)
            return runCompact(compactIn, compactOut);
        if (*repair)
            return runRepair(repairPath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorlix-cli: %s\n", e.what());
        return kExitFailure;
    }
    return kExitFailure;
}
