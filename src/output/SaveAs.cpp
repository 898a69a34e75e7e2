#include "output/SaveAs.h"

#include "output/ViewerTexts.h"

#include <utility>

namespace quorlix {

namespace {

struct WriterTexts {
    ListFormat format;
    std::string_view saving;
    std::string_view saved;
    std::string_view viewQuestion;
    // Shown when the viewer cannot be started; empty: such a failure passes quietly.
    std::string_view viewerHint;
};

constexpr WriterTexts kTxt{ListFormat::Txt, "Saving Text File: ", "Saved Text File: ", texts::kViewTxtQuestion,
                           ""};
constexpr WriterTexts kCsv{ListFormat::Csv, "Saving CSV File: ", "Saved CSV File: ", texts::kViewCsvQuestion,
                           texts::kCsvViewerHint};
constexpr WriterTexts kHtm{ListFormat::Htm, "Saving HTM File: ", "Saved HTM File: ", texts::kViewHtmQuestion, ""};
constexpr WriterTexts kMdb{ListFormat::Mdb, "Saving Database File: ", "Created Database File: ",
                           texts::kViewMdbQuestion, texts::kMdbViewerHint};

std::string trimBlanks(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::string concat(std::string_view a, std::string_view b) { return std::string(a) + std::string(b); }

Status writeAll(const std::string& path, ListFormat format, const ResultList& list, SaveContext& context)
{
    Status status;
    if (context.prewritten) {
        PrewrittenFile* prewritten = std::exchange(context.prewritten, nullptr);
        if (prewritten->completeFor(path, format, list, &status))
            return status;
    }
    auto writer = openListFile(path, format, &status);
    if (!writer)
        return status;
    writer->begin();
    const std::size_t n = list.count();
    for (std::size_t i = 0; i < n; ++i) {
        if (context.yield)
            context.yield();
        writer->add(list.row(i));
    }
    status = writer->finish();
    if (!status.isOk())
        writer->discard();
    return status;
}

void saveWith(const WriterTexts& texts, const std::string& path, const std::string& title, const ResultList& list,
              SaveContext& context)
{
    context.window.setStatus(concat(texts.saving, title));
    context.window.enableOff();
    const Status written = writeAll(path, texts.format, list, context);
    context.window.enableOn();
    if (!written.isOk()) {
        context.window.setStatus("Could not save " + title);
        context.boxes.show("Could not save " + path + ": " + written.message(), Icon::Exclamation, Buttons::Ok);
        return;
    }
    context.window.setStatus(concat(texts.saved, title));
    if (context.boxes.show(texts.viewQuestion, Icon::Exclamation, Buttons::YesNo) != Answer::Yes)
        return;
    const Status opened = context.shell.openFile(trimBlanks(path));
    if (!opened.isOk() && !texts.viewerHint.empty())
        context.boxes.show("Unable to open " + path + std::string(texts.viewerHint), Icon::Exclamation, Buttons::Ok);
}

} // namespace

void SaveToTXT(const std::string& path, const std::string& title, const ResultList& list, SaveContext& context)
{
    saveWith(kTxt, path, title, list, context);
}

void SaveToCSV(const std::string& path, const std::string& title, const ResultList& list,
               std::int32_t passwordAmount, SaveContext& context)
{
    if (passwordAmount > kExcelQuestionAbove) {
        const std::string question =
            "Your default CSV application can only display a maximum of 65,533 cells. You are requesting to save in "
            "CSV format a total "
            "of " +
            std::to_string(passwordAmount) +
            " passwords. If you attempt to view them in your default CSV application, only the first 65,533 passwords "
            "will display.\r\n"
            "\r\nDo you wish to save in CSV format anyway?";
        if (context.boxes.show(question, Icon::Exclamation, Buttons::YesNo) != Answer::Yes)
            return;
    }
    saveWith(kCsv, path, title, list, context);
}

void SaveToHTM(const std::string& path, const std::string& title, const ResultList& list, SaveContext& context)
{
    saveWith(kHtm, path, title, list, context);
}

void SaveToDB(const std::string& path, const std::string& title, const ResultList& list, SaveContext& context)
{
    saveWith(kMdb, path, title, list, context);
}

void saveChosenFile(const ResultList& list, std::int32_t passwordAmount, const ChosenFile& file,
                    SaveContext& context)
{
    context.window.setStatus("Saving Text File: " + file.title);
    const auto format = formatFromFileName(file.title);
    if (!format) {
        context.boxes.show(kUnrecognizedFileType, Icon::Exclamation, Buttons::Ok);
        return;
    }
    switch (*format) {
    case ListFormat::Txt:
        SaveToTXT(file.path, file.title, list, context);
        break;
    case ListFormat::Mdb:
        SaveToDB(file.path, file.title, list, context);
        break;
    case ListFormat::Csv:
        SaveToCSV(file.path, file.title, list, passwordAmount, context);
        break;
    case ListFormat::Htm:
        SaveToHTM(file.path, file.title, list, context);
        break;
    }
}

void SaveAsMenu(const ResultList& list, std::int32_t passwordAmount, SaveAsDialogs& dialogs, SaveContext& context)
{
    dialogs.showSaveAsNotice();
    const auto chosen = dialogs.chooseSaveFile(kSaveDialogTitle, kSaveDialogFilter);
    if (!chosen) {
        context.window.enableOn();
        return;
    }
    saveChosenFile(list, passwordAmount, *chosen, context);
}

} // namespace quorlix
