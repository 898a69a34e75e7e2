#pragma once
// The options of `quorlix-cli generate`, and how they change the loaded
// settings. Parsing is kept apart from main() so it can be tested.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "options/OptionState.h"
#include "output/HandOut.h"
#include "output/MultiFileSettings.h"
#include "platform/Status.h"

namespace quorlix::cli
{

struct GenerateArgs {
    std::optional<std::string> settingsFile; // --settings FILE.set
    bool defaults = false;                   // --defaults: first-start values, not the last settings
    bool quiet = false;                      // --quiet: no notes on standard error
    bool stats = false;                      // --stats: print the password space and exit
    std::optional<std::int64_t> count;
    std::optional<std::int64_t> length; // --length N: min = max = N
    std::optional<std::int64_t> minLength;
    std::optional<std::int64_t> maxLength;
    std::optional<bool> dups, side, seq, strong, sort;
    std::optional<std::string> hyphens; // "2,4", "none"
    std::optional<std::string> blanks;
    std::vector<std::string> rules; // "POS=CLASS"
    std::optional<std::string> pool;
    std::optional<std::string> include;
    std::optional<std::string> exclude;
    std::optional<std::string> dictMode;   // --dict whole|hybrid
    std::optional<std::string> dictionary; // --dictionary NAME
    std::optional<std::int64_t> files;
    std::optional<std::string> preface;
    std::optional<std::string> dir;
    std::optional<std::string> type;
    std::optional<std::string> output;       // -o FILE
    std::optional<std::string> saveSettings; // --save-settings FILE.set

    // Handing passwords out.
    std::optional<std::string> format;     // --format: the list type, whatever the ending of -o
    std::optional<std::string> roster;     // --roster FILE: one password per person
    std::optional<std::string> lastColumn; // --last-column, --first-column, --user-column: roster headers
    std::optional<std::string> firstColumn;
    std::optional<std::string> userColumn;
    std::optional<std::string> userPrefix; // --user-prefix pupil: pupil001, pupil002, ...
    std::optional<std::string> hash;       // --hash yescrypt|sha512crypt|bcrypt
    bool namesInText = false;              // --names: "Last, First<TAB>password" lines in TXT
    std::optional<std::int64_t> slipsPerPage;
    bool qr = false;
    std::optional<std::string> heading;
    std::optional<std::string> note;
    std::optional<std::string> paper; // a4 | letter
};

// The Random Words options of `quorlix-cli words`; multi-file and output
// options come from GenerateArgs.
struct WordsArgs {
    std::optional<std::int64_t> count;
    std::optional<std::int64_t> words;
    std::optional<std::string> separator;
    std::optional<std::int64_t> digits;
    bool noDigits = false;
    std::optional<std::int64_t> minWord, maxWord;
    std::optional<bool> upper, dups;
    std::optional<std::string> dictionary;
    std::optional<std::string> wordCase; // --case lower|upper|capitalised|alternating|random
};

// The options of `quorlix-cli pronounceable`; the checks, the output and the
// multi-file options come from GenerateArgs.
struct PronounceableArgs {
    std::optional<std::int64_t> count;
    std::optional<std::int64_t> length; // --length N: min = max = N
    std::optional<std::int64_t> minLength;
    std::optional<std::int64_t> maxLength;
    std::optional<std::string> capital;   // none|first|random
    std::optional<std::int64_t> digits;   // 0 to 9
    std::optional<bool> symbol;
    std::optional<std::string> separator; // none|hyphen|blank|dot
};

// Applies the Pronounceable options and selects the method. Amounts and
// lengths pass through for the run to refuse with its own messages.
Status applyPronounceableArgs(const PronounceableArgs& args, OptionState& state);

// Applies the Random Words options and selects the method.
Status applyWordsArgs(const WordsArgs& args, OptionState& state);

// Applies everything but the settings file and the output to state and
// multiFile. Errors are Status::invalidArgument with a sentence naming the
// option. Values the run itself checks (amounts, lengths) are passed through
// unchanged so the run refuses them with its own messages.
Status applyGenerateArgs(const GenerateArgs& args, OptionState& state, MultiFileSettings& multiFile,
                         const std::string& currentDir);

// The hand-out options: reads and checks the roster (before anything is
// generated) and the slip, hash and user-name options. A refusal is
// Status::invalidArgument with a sentence naming the option or the roster line.
Status handOutFromArgs(const GenerateArgs& args, HandOut& out);

// Characters easily taken for one another, which --pool unambiguous leaves out.
inline constexpr std::string_view kAmbiguousCharacters = "0OoQD1lIij|!'`\",.:;2Z5S8B6G";

// "default62", "default88", "all", "unambiguous", or class names joined by
// commas (number, lower, upper, special); replaces every flag of the pool.
Status applyPoolSpec(const std::string& spec, CharacterPool& pool);
// "none" or positions 1..59 joined by commas; replaces the whole set.
Status parseMarks(const std::string& spec, std::array<std::int16_t, 61>& marks, const char* option);
// "POS=CLASS", CLASS 0..4 or any/number/lower/upper/special.
Status applyRule(const std::string& spec, PositionRules& rules);

} // namespace quorlix::cli
