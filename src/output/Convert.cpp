#include "output/Convert.h"

#include <fstream>
#include <vector>

#include "output/MdbListWriter.h"
#include "platform/jet/JetReader.h"

namespace quorlix {

namespace {

// Lines of a text file ending in CR LF, CR or LF (the last line may have no
// end), read through a fixed buffer.
class LineReader {
public:
    explicit LineReader(const std::string& path) : m_in(path, std::ios::binary), m_buffer(1 << 16) {}
    bool isOpen() const { return static_cast<bool>(m_in.is_open()); }
    bool failed() const { return m_in.bad(); }

    bool next(std::string* line)
    {
        line->clear();
        bool any = false;
        for (;;) {
            if (m_pos == m_end && !fill())
                return any;
            if (m_skipLf) {
                m_skipLf = false;
                if (m_buffer[m_pos] == '\n') {
                    ++m_pos;
                    continue;
                }
            }
            any = true;
            const std::size_t start = m_pos;
            while (m_pos < m_end && m_buffer[m_pos] != '\r' && m_buffer[m_pos] != '\n')
                ++m_pos;
            line->append(m_buffer.data() + start, m_pos - start);
            if (m_pos < m_end) {
                m_skipLf = m_buffer[m_pos] == '\r';
                ++m_pos;
                return true;
            }
        }
    }

private:
    bool fill()
    {
        if (!m_in)
            return false;
        m_in.read(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        m_pos = 0;
        m_end = static_cast<std::size_t>(m_in.gcount());
        return m_end > 0;
    }

    std::ifstream m_in;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_skipLf = false;
};

bool isValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (i + extra >= s.size() && extra > 0)
            return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

bool isBlank(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

std::string titleOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string trimBlanks(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

struct ConversionTexts {
    std::string_view saving;
    std::string_view saved;
    std::string_view viewQuestion;
    std::string_view viewerHint; // empty: a viewer failure passes quietly
};

constexpr ConversionTexts kCsvTexts{"Saving CSV File: ", "Saved CSV File: ",
                                    "Do you wish to launch MS-Excel to view this file now?",
                                    " Please verify that your system has MS-Excel installed and that the CSV "
                                    "extension is set to run MS-Excel."};
constexpr ConversionTexts kHtmlTexts{"Saving HTML File: ", "Saved HTML File: ",
                                     "Do you wish to launch your default web browser to view this file now?", ""};
constexpr ConversionTexts kDbTexts{"Saving Database File: ", "Saved Database File: ",
                                   "Do you wish to launch MS-Access to view this file now?",
                                   " Please verify that your system has MS-Access installed and that the MDB "
                                   "extension is set to run MS-Access."};

enum class Target { Csv, Html, Db };

Status convert(Target kind, const std::string& source, const std::string& target, jet::JetVersion version,
               SaveContext& context)
{
    const ConversionTexts& texts = kind == Target::Csv ? kCsvTexts : kind == Target::Html ? kHtmlTexts : kDbTexts;
    const std::string title = titleOf(target);
    context.window.setStatus(std::string(texts.saving) + title);
    context.window.enableOff();

    LineReader in(source);
    if (!in.isOpen()) {
        context.window.enableOn();
        return Status::ioError("Could not open the text file " + source);
    }
    Status status;
    std::unique_ptr<ListWriter> writer;
    MdbListWriter* db = nullptr;
    if (kind == Target::Db) {
        auto mdb = MdbListWriter::open(target, MdbTableLayout::ConvertedList, version, &status);
        db = mdb.get();
        writer = std::move(mdb);
    } else {
        writer = openListFile(target, kind == Target::Csv ? ListFormat::Csv : ListFormat::Htm, &status);
    }
    if (!writer) {
        context.window.enableOn();
        return status;
    }

    writer->begin();
    std::size_t blankLines = 0;
    std::string line;
    while (in.next(&line)) {
        if (context.yield)
            context.yield();
        if (db) {
            if (isBlank(line)) {
                ++blankLines;
                continue;
            }
            writer->add(isValidUtf8(line) ? line : jet::cp1252ToUtf8(line));
            if (!db->status().isOk())
                break;
        } else {
            writer->add(line);
        }
    }
    if (in.failed())
        status = Status::ioError("Could not read the text file " + source);
    else if (db)
        status = db->status();
    if (!status.isOk()) {
        writer->closeUnfinished();
        context.window.enableOn();
        return status;
    }
    status = writer->finish();
    if (!status.isOk()) {
        writer->discard();
        context.window.enableOn();
        return status;
    }
    context.window.enableOn();
    std::string saved = std::string(texts.saved) + title;
    if (blankLines > 0)
        saved += " (" + std::to_string(blankLines) + (blankLines == 1 ? " blank line skipped)" : " blank lines skipped)");
    context.window.setStatus(saved);

    if (context.boxes.show(texts.viewQuestion, Icon::Exclamation, Buttons::YesNo) == Answer::Yes) {
        const Status opened = context.shell.openFile(trimBlanks(target));
        if (!opened.isOk() && !texts.viewerHint.empty())
            context.boxes.show("Unable to open " + target + std::string(texts.viewerHint), Icon::Exclamation,
                               Buttons::Ok);
    }
    return Status::ok();
}

} // namespace

std::optional<std::string> proposedConversionTarget(std::string_view sourceTitle)
{
    if (sourceTitle.size() < 4)
        return std::nullopt;
    return std::string(sourceTitle.substr(0, sourceTitle.size() - 4));
}

Status ConvertTXTtoCSV1(const std::string& source, const std::string& target, SaveContext& context)
{
    return convert(Target::Csv, source, target, jet::JetVersion::Jet3, context);
}

Status ConvertTXTtoHTML1(const std::string& source, const std::string& target, SaveContext& context)
{
    return convert(Target::Html, source, target, jet::JetVersion::Jet3, context);
}

Status convertTXTtoDB(const std::string& source, const std::string& target, jet::JetVersion version,
                      SaveContext& context)
{
    return convert(Target::Db, source, target, version, context);
}

} // namespace quorlix
