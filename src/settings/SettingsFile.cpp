#include "settings/SettingsFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

#include "options/CharactersWindow.h"
#include "options/RunFields.h"
#include "platform/AtomicFile.h"
#include "settings/LastSettings.h"

namespace quorlix {

namespace {

std::string flag(bool on)
{
    return linePrintInteger(on ? 1 : 0);
}

// A text item must stay on its own line.
std::string textItem(std::string_view text)
{
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n')
            out.push_back(c);
    return out;
}

// Hands out the lines one by one and records what became of each.
class ItemReader {
public:
    ItemReader(std::vector<std::string> lines, SettingsFileReport& report)
        : m_lines(std::move(lines)), m_report(report)
    {
    }

    std::optional<std::string> text()
    {
        auto line = next();
        if (line)
            ++m_report.applied;
        // Cleaned as on writing, so what was read saves unchanged.
        return line ? std::optional<std::string>(textItem(*line)) : std::nullopt;
    }
    std::optional<std::int32_t> int32() { return number(parseInt32); }
    // A code of an option list; one no version wrote cannot be read.
    template <typename FromCode> auto code(FromCode fromCode) -> decltype(fromCode(0))
    {
        auto line = next();
        if (!line)
            return std::nullopt;
        const auto number = parseInt16(*line);
        const auto value = number ? fromCode(*number) : std::nullopt;
        if (value) {
            ++m_report.applied;
            ++m_report.recognised;
        } else
            m_report.skipped.push_back(m_index);
        return value;
    }
    std::optional<std::int16_t> int16() { return number(parseInt16); }
    // Flags and their kin: on exactly when the line holds 1.
    std::optional<bool> flagIsOne()
    {
        const auto value = int16();
        return value ? std::optional<bool>(*value == 1) : std::nullopt;
    }
    // "True" or a non-zero number is true; any other text present is false.
    std::optional<bool> booleanText()
    {
        auto line = next();
        if (!line)
            return std::nullopt;
        ++m_report.applied;
        const auto value = parseBoolText(*line);
        if (value)
            ++m_report.recognised;
        return value.value_or(false);
    }

private:
    template <typename Parse> auto number(Parse parse) -> decltype(parse(std::string_view{}))
    {
        auto line = next();
        if (!line)
            return std::nullopt;
        auto value = parse(*line);
        if (value) {
            ++m_report.applied;
            ++m_report.recognised;
        } else
            m_report.skipped.push_back(m_index);
        return value;
    }
    std::optional<std::string_view> next()
    {
        ++m_index;
        if (m_index > static_cast<int>(m_lines.size())) {
            // An older file ends before the newer items: they are not missing.
            if (m_index <= kSettingsFileClassicLines)
                m_report.skipped.push_back(m_index);
            return std::nullopt;
        }
        return std::string_view(m_lines[static_cast<std::size_t>(m_index - 1)]);
    }

    std::vector<std::string> m_lines;
    SettingsFileReport& m_report;
    int m_index = 0;
};

template <typename T> void take(std::optional<T> value, T& target)
{
    if (value)
        target = *value;
}

// Cuts bytes into the file's lines as the text-file readers do: a line ends
// at CR LF, LF or a lone CR, and a file that ends with a line end has no empty
// line after it. A run of CRs before an LF is one line end too (CR CR LF: a
// CR LF file once more through a text-mode copy); an item never holds a CR,
// the writer drops them.
class LineSplitter {
public:
    explicit LineSplitter(std::size_t longestLine) : m_longest(longestLine) {}

    void feed(std::string_view bytes)
    {
        for (char c : bytes) {
            if (c == '\r') {
                ++m_crs;
                continue;
            }
            if (c == '\n') {
                endLine(1);
                continue;
            }
            if (m_crs > 0)
                endLine(m_crs);
            m_inLine = true;
            if (m_line.size() < m_longest) // a huge line keeps only its start
                m_line.push_back(c);
        }
    }
    // The lines, the last one included.
    std::vector<std::string> finish()
    {
        if (m_crs > 0)
            endLine(m_crs);
        else if (m_inLine)
            endLine(1);
        return std::move(m_lines);
    }
    std::size_t count() const { return m_lines.size(); }

private:
    void endLine(std::size_t ends)
    {
        m_lines.push_back(std::move(m_line));
        m_lines.resize(m_lines.size() + ends - 1); // lone CRs after the first: empty lines
        m_line.clear();
        m_crs = 0;
        m_inLine = false;
    }

    std::size_t m_longest;
    std::vector<std::string> m_lines;
    std::string m_line;
    std::size_t m_crs = 0;
    bool m_inLine = false;
};

} // namespace

std::string linePrintInteger(long long value)
{
    return (value < 0 ? "" : " ") + std::to_string(value) + " ";
}

std::vector<std::string> settingsFileItems(const OptionState& state)
{
    std::vector<std::string> items;
    items.reserve(kSettingsFileLines);
    const auto& c = state.checks;
    const auto& w = state.words;
    const bool characters = state.method == GenerationMethod::RandomCharacters;
    const auto& pr = state.pronounceable;

    items.push_back(linePrintInteger(state.run.totalPasswords));
    items.push_back(linePrintInteger(state.run.minLength));
    items.push_back(linePrintInteger(state.run.maxLength));
    items.push_back(flag(c.duplication));
    items.push_back(flag(c.sideBySide));
    items.push_back(flag(c.sequential));
    items.push_back(flag(c.counter));
    items.push_back(flag(c.sortDisplay));
    items.push_back(textItem(state.dictionaryFile));
    items.push_back(flag(c.dictionary));
    items.push_back(flag(c.dictionaryMode == DictionaryMode::Whole));
    items.push_back(flag(c.strong));
    items.push_back(flag(characters)); // the selected option button
    items.push_back(flag(characters)); // the method flag; both follow the one method
    items.push_back(textItem(w.dictionary));
    items.push_back(textItem(w.separator));
    items.push_back(linePrintInteger(w.wordsPerPassword));
    items.push_back(linePrintInteger(w.totalPasswords));
    items.push_back(flag(w.duplicationCheck));
    items.push_back(flag(w.randomNumbers));
    items.push_back(boolText(w.wordLengthLimit));
    items.push_back(linePrintInteger(w.minWordLength));
    items.push_back(linePrintInteger(w.maxWordLength));
    items.push_back(linePrintInteger(w.digitCount));
    items.push_back(boolText(w.randomUppercase));
    for (int p = 1; p <= 59; ++p) {
        items.push_back(linePrintInteger(state.inserts.hyphen[p]));
        items.push_back(linePrintInteger(state.inserts.blank[p]));
    }
    for (int code : poolOrderCodes())
        items.push_back(linePrintInteger(state.pool.flag(code)));
    for (int p = 1; p <= kMaxLength; ++p)
        items.push_back(linePrintInteger(state.rules.rule[p]));
    items.push_back(flag(state.method == GenerationMethod::Pronounceable));
    items.push_back(linePrintInteger(pr.totalPasswords));
    items.push_back(linePrintInteger(pr.minLength));
    items.push_back(linePrintInteger(pr.maxLength));
    items.push_back(linePrintInteger(static_cast<int>(pr.capital)));
    items.push_back(linePrintInteger(pr.digitCount));
    items.push_back(flag(pr.symbol));
    items.push_back(linePrintInteger(static_cast<int>(pr.separator)));
    items.push_back(linePrintInteger(static_cast<int>(w.wordCase)));
    return items;
}

std::string settingsFileText(const OptionState& state)
{
    std::string text;
    for (const auto& item : settingsFileItems(state)) {
        text += item;
        text += "\r\n";
    }
    return text;
}

Status saveSettingsFile(const std::string& path, const OptionState& state)
{
    AtomicFile file;
    if (Status s = file.open(path); !s)
        return s;
    file.write(settingsFileText(state));
    return file.commit();
}

namespace {

// Only the first 306 lines matter, and no item is anywhere near 4 KiB: of a
// longer line only the start is kept.
constexpr std::size_t kLongestLine = 4095;

SettingsFileReport readSettingsLines(std::vector<std::string> lines, OptionState& state)
{
    SettingsFileReport report;
    report.lines = static_cast<int>(lines.size());
    ItemReader in(std::move(lines), report);
    auto& c = state.checks;
    auto& w = state.words;

    take(in.int32(), state.run.totalPasswords);
    take(in.int16(), state.run.minLength);
    take(in.int16(), state.run.maxLength);
    take(in.flagIsOne(), c.duplication);
    take(in.flagIsOne(), c.sideBySide);
    take(in.flagIsOne(), c.sequential);
    take(in.flagIsOne(), c.counter);
    take(in.flagIsOne(), c.sortDisplay);
    take(in.text(), state.dictionaryFile);
    take(in.flagIsOne(), c.dictionary);
    if (const auto whole = in.flagIsOne())
        c.dictionaryMode = *whole ? DictionaryMode::Whole : DictionaryMode::Hybrid;
    take(in.flagIsOne(), c.strong);
    const auto selected = in.flagIsOne();   // line 13
    const auto methodFlag = in.flagIsOne(); // line 14
    // The method flag is set from line 14 first; the selection of line 13 then
    // sets it again, so line 13 decides whenever it can be read.
    for (const auto& characters : {methodFlag, selected})
        if (characters)
            state.method = *characters ? GenerationMethod::RandomCharacters : GenerationMethod::RandomWords;
    take(in.text(), w.dictionary);
    take(in.text(), w.separator);
    take(in.int16(), w.wordsPerPassword);
    take(in.int32(), w.totalPasswords);
    take(in.flagIsOne(), w.duplicationCheck);
    take(in.flagIsOne(), w.randomNumbers);
    take(in.booleanText(), w.wordLengthLimit);
    take(in.int16(), w.minWordLength);
    take(in.int16(), w.maxWordLength);
    take(in.int16(), w.digitCount);
    take(in.booleanText(), w.randomUppercase);
    for (int p = 1; p <= 59; ++p) {
        take(in.int16(), state.inserts.hyphen[p]);
        take(in.int16(), state.inserts.blank[p]);
    }
    for (int code : poolOrderCodes())
        if (const auto value = in.int16())
            state.pool.setFlag(code, *value);
    for (int p = 1; p <= kMaxLength; ++p)
        take(in.int16(), state.rules.rule[p]);
    // Line 298 decides over line 13 when it says Pronounceable; an older file
    // has no such line and keeps the method of line 13.
    if (const auto pronounceable = in.flagIsOne(); pronounceable && *pronounceable)
        state.method = GenerationMethod::Pronounceable;
    auto& pr = state.pronounceable;
    take(in.int32(), pr.totalPasswords);
    take(in.int16(), pr.minLength);
    take(in.int16(), pr.maxLength);
    take(in.code(capitalFromCode), pr.capital);
    take(in.int16(), pr.digitCount);
    take(in.flagIsOne(), pr.symbol);
    take(in.code(separatorFromCode), pr.separator);
    take(in.code(wordCaseFromCode), w.wordCase);
    state.pool.recount();
    return report;
}

} // namespace

SettingsFileReport readSettingsText(std::string_view text, OptionState& state)
{
    LineSplitter split(kLongestLine);
    split.feed(text);
    return readSettingsLines(split.finish(), state);
}

Status loadSettingsFile(const std::string& path, OptionState& state, SettingsFileReport* report)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Status::ioError("Cannot open " + path + ": " + std::strerror(errno));
    // A huge or binary file chosen by mistake is not read whole into memory:
    // reading stops once the lines the file can hold are there, or at
    // kSettingsFileMostBytes.
    LineSplitter split(kLongestLine);
    std::string chunk(1 << 14, '\0');
    std::size_t read = 0;
    while (split.count() <= static_cast<std::size_t>(kSettingsFileLines) && in && read < kSettingsFileMostBytes) {
        in.read(chunk.data(), static_cast<std::streamsize>(std::min(chunk.size(), kSettingsFileMostBytes - read)));
        const auto got = static_cast<std::size_t>(in.gcount());
        read += got;
        split.feed(std::string_view(chunk.data(), got));
    }
    if (in.bad())
        return Status::ioError("Cannot read " + path);
    if (split.count() <= static_cast<std::size_t>(kSettingsFileLines) && read >= kSettingsFileMostBytes && in &&
        in.peek() != std::char_traits<char>::eof())
        return Status::tooLarge(path + " is not a settings file: its first 1 MiB does not hold the " +
                                std::to_string(kSettingsFileLines) + " lines of one.");
    std::vector<std::string> lines = split.finish();
    if (lines.size() > static_cast<std::size_t>(kSettingsFileLines))
        lines.resize(kSettingsFileLines);
    SettingsFileReport local = readSettingsLines(std::move(lines), state);
    if (report)
        *report = std::move(local);
    return Status::ok();
}

std::string settingsItemName(int line)
{
    static const char* const kFirst[] = {
        "total passwords",
        "minimum total characters",
        "maximum total characters",
        "duplication check",
        "side-by-side check",
        "sequential check",
        "passwords-generated counter",
        "sort display",
        "dictionary file of the dictionary check",
        "dictionary check",
        "dictionary check mode",
        "strong passwords",
        "Random Characters selected",
        "method flag",
        "Random Words dictionary",
        "Random Words separator",
        "words per password",
        "Random Words total passwords",
        "Random Words duplication check",
        "Random Words random numbers",
        "word-length limit",
        "minimum word length",
        "maximum word length",
        "amount of random digits",
        "random uppercase",
    };
    static const char* const kLast[] = {
        "Pronounceable selected",
        "Pronounceable total passwords",
        "Pronounceable minimum length",
        "Pronounceable maximum length",
        "Pronounceable capital",
        "Pronounceable digits",
        "Pronounceable symbol",
        "Pronounceable separator",
        "word case",
    };
    constexpr int kMarksStart = 26, kPoolStart = 144, kRulesStart = 238;
    if (line >= 1 && line < kMarksStart)
        return kFirst[line - 1];
    if (line >= kMarksStart && line < kPoolStart)
        return std::string((line - kMarksStart) % 2 == 0 ? "hyphen" : "blank") + " after position " +
               std::to_string((line - kMarksStart) / 2 + 1);
    if (line >= kPoolStart && line < kRulesStart)
        return "pool flag of \"" +
               std::string(1, static_cast<char>(poolOrderCodes()[static_cast<std::size_t>(line - kPoolStart)])) + "\"";
    if (line >= kRulesStart && line <= kSettingsFileClassicLines)
        return "rule of position " + std::to_string(line - kRulesStart + 1);
    if (line > kSettingsFileClassicLines && line <= kSettingsFileLines)
        return kLast[line - kSettingsFileClassicLines - 1];
    return "line " + std::to_string(line);
}

std::vector<std::string> describeSkippedItems(const SettingsFileReport& report)
{
    std::vector<std::string> out;
    const std::vector<int>& skipped = report.skipped;
    for (std::size_t i = 0; i < skipped.size();) {
        // A run of consecutive lines, all missing or all present but unreadable.
        const bool missing = skipped[i] > report.lines;
        std::size_t j = i + 1;
        while (j < skipped.size() && skipped[j] == skipped[j - 1] + 1 && (skipped[j] > report.lines) == missing)
            ++j;
        const int first = skipped[i];
        const int last = skipped[j - 1];
        if (first == last)
            out.push_back("line " + std::to_string(first) + " (" + settingsItemName(first) + ") " +
                          (missing ? "is missing" : "could not be read"));
        else
            out.push_back("lines " + std::to_string(first) + " to " + std::to_string(last) + " (" +
                          settingsItemName(first) + " to " + settingsItemName(last) + ") " +
                          (missing ? "are missing" : "could not be read"));
        i = j;
    }
    return out;
}

} // namespace quorlix
