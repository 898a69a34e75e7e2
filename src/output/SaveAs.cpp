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
constexpr WriterTexts kSlips{ListFormat::Pdf, "Saving PDF Slips: ", "Saved PDF Slips: ",
                             "Do you wish to view the slips now in your default PDF viewer?", ""};
constexpr WriterTexts kChpasswd{ListFormat::Chpasswd, "Saving Account List: ", "Saved Account List: ",
                                texts::kViewTxtQuestion, ""};
constexpr WriterTexts kManagerCsv{ListFormat::ManagerCsv, "Saving Password Manager List: ",
                                  "Saved Password Manager List: ", texts::kViewTxtQuestion, ""};
constexpr WriterTexts kBitwardenCsv{ListFormat::BitwardenCsv, "Saving Password Manager List: ",
                                    "Saved Password Manager List: ", texts::kViewTxtQuestion, ""};

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
    HandOut handOut = context.handOut ? *context.handOut : HandOut{};
    handOut.rows = list.count();
    if (context.prewritten) {
        PrewrittenFile* prewritten = std::exchange(context.prewritten, nullptr);
        // A followed file holds the plain list; a list handed out is written
        // anew (no path matches the empty one, so the followed file is dropped).
        if (prewritten->completeFor(handOut.isPlain() ? path : std::string(), format, list, &status))
            return status;
    }
    // Passwords beyond the roster would go to nobody (an account list would
    // get lines without a user); they come from before the roster was chosen.
    if (handOut.hasNames() && list.count() > handOut.roster->size())
        return Status::invalidArgument("The display holds " + std::to_string(list.count()) +
                                       " passwords and the roster names " + std::to_string(handOut.roster->size()) +
                                       " people: press Execute to make one password per person.");
    auto writer = openHandOutList(path, format, handOut, &status);
    if (!writer)
        return status;
    // A list handed out pairs people with passwords in the order they were
    // made: a sorted order would put the smallest passwords first in the roster.
    const bool madeOrder = !handOut.isPlain();
    writer->begin();
    const std::size_t n = list.count();
    int shown = -1;
    for (std::size_t i = 0; i < n; ++i) {
        if (context.yield)
            context.yield();
        if (context.stopRequested && context.stopRequested()) {
            writer->discard();
            return Status::cancelled();
        }
        writer->addRow(ListRow{madeOrder ? list.rowAdded(i) : list.row(i)});
        // Hashes and slips take long enough for a person to wait on them.
        if (!handOut.isPlain() || format == ListFormat::Pdf) {
            const int percent = static_cast<int>((i + 1) * 100 / n);
            if (percent != shown)
                context.window.setProgress(shown = percent);
        }
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
    if (written.code() == Status::Code::Cancelled) {
        context.window.setStatus(concat(kSaveStopped, title));
        return;
    }
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

void SaveToSlips(const std::string& path, const std::string& title, const ResultList& list, SaveContext& context)
{
    saveWith(kSlips, path, title, list, context);
}

void SaveToChpasswd(const std::string& path, const std::string& title, const ResultList& list,
                    SaveContext& context)
{
    saveWith(kChpasswd, path, title, list, context);
}

void SaveToManagerCSV(const std::string& path, const std::string& title, const ResultList& list,
                      SaveContext& context)
{
    saveWith(kManagerCsv, path, title, list, context);
}

void SaveToBitwardenCSV(const std::string& path, const std::string& title, const ResultList& list,
                        SaveContext& context)
{
    saveWith(kBitwardenCsv, path, title, list, context);
}

std::optional<SaveFormat> saveFormatOf(const ChosenFile& file)
{
    if (file.format)
        return SaveFormat{*file.format};
    const auto byName = formatFromFileName(file.title);
    if (!byName)
        return std::nullopt;
    // The entries that share an ending with a list of the four decide only
    // when the name has that ending.
    if (*byName == ListFormat::Csv && file.filter == kManagerCsvFilter)
        return SaveFormat{ListFormat::ManagerCsv};
    if (*byName == ListFormat::Csv && file.filter == kBitwardenCsvFilter)
        return SaveFormat{ListFormat::BitwardenCsv};
    if (*byName == ListFormat::Csv && file.filter == kHashedCsvFilter)
        return SaveFormat{ListFormat::Csv, true};
    if (*byName == ListFormat::Mdb && file.filter == kHashedMdbFilter)
        return SaveFormat{ListFormat::Mdb, true};
    return SaveFormat{*byName};
}

void saveChosenFile(const ResultList& list, std::int32_t passwordAmount, const ChosenFile& file,
                    SaveContext& context)
{
    context.window.setStatus("Saving Text File: " + file.title);
    const auto chosen = saveFormatOf(file);
    if (!chosen) {
        context.boxes.show(kUnrecognizedFileType, Icon::Exclamation, Buttons::Ok);
        return;
    }
    if (context.handOut) {
        if (const Status s = checkHandOut(chosen->format, *context.handOut); !s) {
            context.boxes.show(s.message(), Icon::Exclamation, Buttons::Ok);
            return;
        }
    }
    switch (chosen->format) {
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
    case ListFormat::Pdf:
        SaveToSlips(file.path, file.title, list, context);
        break;
    case ListFormat::Chpasswd:
        SaveToChpasswd(file.path, file.title, list, context);
        break;
    case ListFormat::ManagerCsv:
        SaveToManagerCSV(file.path, file.title, list, context);
        break;
    case ListFormat::BitwardenCsv:
        SaveToBitwardenCSV(file.path, file.title, list, context);
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
    // The hand-out lists ask their options before anything is written.
    const auto format = saveFormatOf(*chosen);
    if (format && (format->format == ListFormat::Pdf || format->format == ListFormat::Chpasswd || format->hashed)) {
        HandOut handOut = context.handOut ? *context.handOut : HandOut{};
        if (format->hashed && !handOut.hash)
            handOut.hash = HashScheme::Yescrypt;
        if (!dialogs.chooseHandOutOptions(format->format, handOut)) {
            context.window.enableOn();
            return;
        }
        SaveContext withOptions = context;
        withOptions.handOut = &handOut;
        ChosenFile file = *chosen;
        file.format = format->format;
        saveChosenFile(list, passwordAmount, file, withOptions);
        return;
    }
    saveChosenFile(list, passwordAmount, *chosen, context);
}

} // namespace quorlix
