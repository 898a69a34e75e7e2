#include "cli/GenerateOptions.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <memory>
#include <limits>
#include <sstream>

#include "output/ListWriter.h"
#include "output/MultiFileWindow.h"

namespace quorlix::cli
{

namespace
{

std::vector<std::string> splitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ','))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

std::optional<int> parseInt(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<CharClass> parseClass(const std::string& name)
{
    if (name == "0" || name == "any")
        return CharClass::Any;
    if (name == "1" || name == "number" || name == "numbers" || name == "digits")
        return CharClass::Number;
    if (name == "2" || name == "lower" || name == "lowercase")
        return CharClass::Lowercase;
    if (name == "3" || name == "upper" || name == "uppercase")
        return CharClass::Uppercase;
    if (name == "4" || name == "special" || name == "specials")
        return CharClass::Special;
    return std::nullopt;
}

Status setCharacters(const std::string& chars, CharacterPool& pool, bool on, const char* option)
{
    for (unsigned char c : chars) {
        if (c < kFirstCode || c > kLastCode)
            return Status::invalidArgument(std::string(option) +
                                           ": only the printable characters from ! to ~ can be in the pool");
        pool.setAvailable(c, on);
    }
    return Status::ok();
}

template <typename T> Status narrow(std::int64_t value, T& out, const char* option)
{
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        return Status::invalidArgument(std::string(option) + " " + std::to_string(value) + " is out of range");
    out = static_cast<T>(value);
    return Status::ok();
}

} // namespace

Status applyPoolSpec(const std::string& spec, CharacterPool& pool)
{
    for (int code = kFirstCode; code <= kLastCode; ++code)
        pool.setAvailable(code, false);
    if (spec == "default62") {
        pool = CharacterPool::defaultPool();
    } else if (spec == "unambiguous") {
        for (int code = kFirstCode; code <= kLastCode; ++code)
            pool.setAvailable(code, kAmbiguousCharacters.find(static_cast<char>(code)) == std::string_view::npos);
    } else if (spec == "all" || spec == "default88") {
        for (int code = kFirstCode; code <= kLastCode; ++code)
            pool.setAvailable(code, true);
        // The Characters window's Default: everything but the look-alikes.
        if (spec == "default88")
            for (char c : std::string_view("ljiO01"))
                pool.setAvailable(c, false);
    } else {
        const auto names = splitCommas(spec);
        if (names.empty())
            return Status::invalidArgument(
                "--pool: name default62, default88, all, unambiguous, or classes joined by commas");
        for (const auto& name : names) {
            const auto cls = parseClass(name);
            if (!cls || *cls == CharClass::Any)
                return Status::invalidArgument("--pool: unknown character class \"" + name +
                                               "\" (use number, lower, upper, special)");
            for (int code = kFirstCode; code <= kLastCode; ++code)
                if (classOf(code) == *cls)
                    pool.setAvailable(code, true);
        }
    }
    pool.recount();
    return Status::ok();
}

Status parseMarks(const std::string& spec, std::array<std::int16_t, 61>& marks, const char* option)
{
    std::array<std::int16_t, 61> result{};
    if (spec != "none") {
        for (const auto& part : splitCommas(spec)) {
            const auto pos = parseInt(part);
            if (!pos || *pos < 1 || *pos > 59)
                return Status::invalidArgument(std::string(option) +
                                               ": positions are whole numbers from 1 to 59, got \"" + part + "\"");
            result[static_cast<std::size_t>(*pos)] = 1;
        }
    }
    marks = result;
    return Status::ok();
}

Status applyRule(const std::string& spec, PositionRules& rules)
{
    const auto eq = spec.find('=');
    const auto pos = eq == std::string::npos ? std::nullopt : parseInt(std::string_view(spec).substr(0, eq));
    const auto cls = eq == std::string::npos ? std::nullopt : parseClass(spec.substr(eq + 1));
    if (!pos || *pos < 1 || *pos > kMaxLength || !cls)
        return Status::invalidArgument("--rule: write POS=CLASS with POS 1 to 60 and CLASS 0-4 or "
                                       "any/number/lower/upper/special, got \"" +
                                       spec + "\"");
    rules.rule[static_cast<std::size_t>(*pos)] = static_cast<std::int16_t>(*cls);
    return Status::ok();
}

Status handOutFromArgs(const GenerateArgs& args, HandOut& out)
{
    out = HandOut{};
    if (args.roster) {
        const RosterColumns columns{args.lastColumn.value_or(""), args.firstColumn.value_or(""),
                                    args.userColumn.value_or("")};
        auto roster = std::make_shared<Roster>();
        if (Status s = readRoster(*args.roster, columns, *roster); !s)
            return Status::invalidArgument(s.message());
        out.roster = std::move(roster);
        out.rows = out.roster->size();
    } else if (args.lastColumn || args.firstColumn || args.userColumn) {
        return Status::invalidArgument("--last-column, --first-column and --user-column name columns of --roster");
    }
    if (args.userPrefix) {
        if (out.roster && out.roster->hasUserNames())
            return Status::invalidArgument("--user-prefix: the roster names its users already");
        const std::string& prefix = *args.userPrefix;
        if (prefix.empty() || prefix.find_first_of(" :,\t\n\r") != std::string::npos)
            return Status::invalidArgument("--user-prefix: give a prefix without blanks, commas or colons, e.g. "
                                           "pupil");
        out.userPrefix = prefix;
    }
    if (args.hash) {
        out.hash = hashSchemeFromName(*args.hash);
        if (!out.hash)
            return Status::invalidArgument("--hash: choose yescrypt, sha512crypt or bcrypt");
    }
    out.namesInText = args.namesInText;
    if (args.note)
        out.note = *args.note;
    if (args.heading)
        out.slips.heading = *args.heading;
    out.slips.qrCode = args.qr;
    if (args.slipsPerPage) {
        if (!isSlipsPerPageChoice(static_cast<int>(std::clamp<std::int64_t>(*args.slipsPerPage, 0, 100))))
            return Status::invalidArgument("--slips-per-page: choose 1, 4, 8 or 10");
        out.slips.perPage = static_cast<int>(*args.slipsPerPage);
    }
    if (args.paper) {
        if (*args.paper == "a4" || *args.paper == "A4")
            out.slips.paper = PaperSize::A4;
        else if (*args.paper == "letter" || *args.paper == "Letter")
            out.slips.paper = PaperSize::Letter;
        else
            return Status::invalidArgument("--paper: choose a4 or letter");
    }
    return Status::ok();
}

Status applyPronounceableArgs(const PronounceableArgs& args, OptionState& state)
{
    PronounceableSettings& p = state.pronounceable;
    state.method = GenerationMethod::Pronounceable;
    Status s;
    if (args.count && !(s = narrow(*args.count, p.totalPasswords, "--count")))
        return s;
    if (args.length) {
        if (args.minLength || args.maxLength)
            return Status::invalidArgument("--length sets --min and --max both: give one or the others");
        if (!(s = narrow(*args.length, p.minLength, "--length")))
            return s;
        p.maxLength = p.minLength;
    }
    if (args.minLength && !(s = narrow(*args.minLength, p.minLength, "--min")))
        return s;
    if (args.maxLength && !(s = narrow(*args.maxLength, p.maxLength, "--max")))
        return s;
    if (args.capital) {
        const auto capital = capitalFromName(*args.capital);
        if (!capital)
            return Status::invalidArgument("--capital: choose none, first or random");
        p.capital = *capital;
    }
    if (args.digits) {
        if (*args.digits < 0 || *args.digits > kPronounceableMostDigits)
            return Status::invalidArgument("--digits: choose 0 to 9 digits");
        p.digitCount = static_cast<std::int16_t>(*args.digits);
    }
    if (args.symbol)
        p.symbol = *args.symbol;
    if (args.separator) {
        const auto separator = separatorFromName(*args.separator);
        if (!separator)
            return Status::invalidArgument("--separator: choose none, hyphen, blank or dot");
        p.separator = *separator;
    }
    return Status::ok();
}

Status applyGenerateArgs(const GenerateArgs& args, OptionState& state, MultiFileSettings& multiFile,
                         const std::string& currentDir)
{
    state.method = GenerationMethod::RandomCharacters;
    Status s;
    if (args.count && !(s = narrow(*args.count, state.run.totalPasswords, "--count")))
        return s;
    if (args.length) {
        if (args.minLength || args.maxLength)
            return Status::invalidArgument("--length sets --min and --max both: give one or the others");
        if (!(s = narrow(*args.length, state.run.minLength, "--length")))
            return s;
        state.run.maxLength = state.run.minLength;
    }
    if (args.minLength && !(s = narrow(*args.minLength, state.run.minLength, "--min")))
        return s;
    if (args.maxLength && !(s = narrow(*args.maxLength, state.run.maxLength, "--max")))
        return s;
    if (args.dups)
        state.checks.duplication = *args.dups;
    if (args.side)
        state.checks.sideBySide = *args.side;
    if (args.seq)
        state.checks.sequential = *args.seq;
    if (args.strong)
        state.checks.strong = *args.strong;
    if (args.sort)
        state.checks.sortDisplay = *args.sort;
    if (args.hyphens && !(s = parseMarks(*args.hyphens, state.inserts.hyphen, "--hyphens")))
        return s;
    if (args.blanks && !(s = parseMarks(*args.blanks, state.inserts.blank, "--blanks")))
        return s;
    for (const auto& rule : args.rules)
        if (!(s = applyRule(rule, state.rules)))
            return s;
    if (args.pool && !(s = applyPoolSpec(*args.pool, state.pool)))
        return s;
    if (args.include && !(s = setCharacters(*args.include, state.pool, true, "--include")))
        return s;
    if (args.exclude && !(s = setCharacters(*args.exclude, state.pool, false, "--exclude")))
        return s;
    state.pool.recount();
    if (args.dictMode) {
        if (*args.dictMode == "whole")
            state.checks.dictionaryMode = DictionaryMode::Whole;
        else if (*args.dictMode == "hybrid")
            state.checks.dictionaryMode = DictionaryMode::Hybrid;
        else if (*args.dictMode != "off")
            return Status::invalidArgument("--dict: choose whole, hybrid or off");
        state.checks.dictionary = *args.dictMode != "off";
    }
    if (args.dictionary)
        state.dictionaryFile = *args.dictionary;

    const bool wantsFiles = args.files || args.preface || args.dir || args.type;
    if (wantsFiles) {
        if (!args.files)
            return Status::invalidArgument("--files N is needed with --preface, --dir and --type");
        if (args.output)
            return Status::invalidArgument("-o cannot be combined with --files: the files are the output");
        multiFile.filePreface = args.preface.value_or("");
        if (multiFile.filePreface.empty())
            return Status::invalidArgument(std::string(kPrefaceMissing));
        if (!isPlainPreface(multiFile.filePreface))
            return Status::invalidArgument(std::string(kPrefaceNotAName));
        if (*args.files <= 1)
            return Status::invalidArgument(std::string(kTotalFilesTooFew));
        if (*args.files > std::numeric_limits<std::int16_t>::max())
            return Status::invalidArgument(std::string(kTotalFilesNotWhole));
        multiFile.totalFiles = static_cast<std::int16_t>(*args.files);
        multiFile.fileType = args.type.value_or("txt");
        if (!formatFromName(multiFile.fileType))
            return Status::invalidArgument("--type: choose txt, csv, htm, mdb, pdf, chpasswd, manager-csv or bitwarden-csv");
        std::string dir = args.dir.value_or(currentDir);
        if (!dir.starts_with('/'))
            dir = withPathSeparator(currentDir) + dir;
        multiFile.directory = withPathSeparator(std::filesystem::path(dir).lexically_normal().string());
        multiFile.active = 1;
    }
    return Status::ok();
}

} // namespace quorlix::cli
