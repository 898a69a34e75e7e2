#include "output/Convert.h"

#include <sys/stat.h>

#include "output/MdbListWriter.h"
#include "output/TextLines.h"
#include "output/ViewerTexts.h"

namespace quorlix {

namespace {

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

constexpr ConversionTexts kCsvTexts{"Saving CSV File: ", "Saved CSV File: ", texts::kViewCsvQuestion,
                                    texts::kCsvViewerHint};
constexpr ConversionTexts kHtmlTexts{"Saving HTML File: ", "Saved HTML File: ", texts::kViewHtmQuestion, ""};
constexpr ConversionTexts kDbTexts{"Saving Database File: ", "Saved Database File: ", texts::kViewMdbQuestion,
                                   texts::kMdbViewerHint};

enum class Target { Csv, Html, Db };

Status convert(Target kind, const std::string& source, const std::string& target, jet::JetVersion version,
               SaveContext& context)
{
    const ConversionTexts& texts = kind == Target::Csv ? kCsvTexts : kind == Target::Html ? kHtmlTexts : kDbTexts;
    const std::string title = titleOf(target);
    context.window.setStatus(std::string(texts.saving) + title);
    context.window.enableOff();

    LineReader in(source);
    struct stat st {
    };
    if (!in.isOpen() || ::stat(source.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
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
            writer->add(asUtf8(line));
            if (!db->status().isOk())
                break;
        } else {
            writer->add(asUtf8(line));
        }
    }
    if (in.failed())
        status = Status::ioError("Could not read the text file " + source);
    else if (db)
        status = db->status();
    // A conversion that does not complete leaves no new file (a part of a
    // list passes for the whole of it) and a file that was there as it was.
    if (!status.isOk()) {
        writer->discard();
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
