#include "cli/Hints.h"

#include "engine/RunTexts.h"
#include "output/MultiFileWindow.h"
#include "output/SaveAs.h"
#include "words/WordSettingsWindow.h"

namespace quorlix::cli
{

std::string optionHint(std::string_view message)
{
    struct Hint {
        std::string_view text; // the message, or its start or end as marked
        bool prefix;
        bool suffix;
        std::string_view hint;
    };
    static constexpr Hint kHints[] = {
        {texts::kMinAboveMax, false, false, "Set --min to at most --max (or both with --length)."},
        {texts::kNothingRequested, false, false, "Set --count and --max to 1 or more."},
        {texts::kAmountRange, false, false, "Set --count to 1 to 10,000,000."},
        {texts::kLengthRange, false, false, "Set --min and --max within 1 to 60."},
        {texts::kStrongNeedsSix, false, false, "Set --min to 6 or more, or leave strong passwords off (--no-strong)."},
        {texts::kHyphenBeyondLength, false, false, "Give --hyphens positions below --max."},
        {texts::kBlankBeyondLength, false, false, "Give --blanks positions below --max."},
        {texts::kStrongPairTail, false, true,
         "Make those characters available (--pool, --include) or leave strong passwords off (--no-strong)."},
        {"Position ", true, false, "Change that --rule, or make its characters available (--pool, --include)."},
        {texts::kRulesMismatchError, false, false, "Make the characters the --rule positions need available."},
        {texts::kTooFewPossibleStart, true, false,
         "Lower --count, allow more characters, words or lengths, or leave the duplication check off (--no-dups)."},
        {texts::kEndlessRejections, false, false,
         "Allow more characters, words or lengths, or leave some checks off (--no-dups, --no-side, --no-seq, "
         "--no-strong)."},
        {"No pronounceable password has ", true, false,
         "Raise --max, or ask for fewer --digits or no --symbol (--no-symbol)."},
        {kPrefaceMissing, false, false, "Name the files with --preface."},
        {kDirectoryMissing, false, false, "Name the folder of the files with --dir."},
        {kPrefaceNotAName, false, false,
         "Give --preface the start of a file name, such as batch; --dir chooses the folder."},
        {kTotalFilesTooFew, false, false, "Set --files to 2 or more."},
        {kTotalFilesNotWhole, false, false, "Set --files to a whole number from 2 to 32,767."},
        {kUnrecognizedFileType, false, false, "End the -o file name in .txt, .csv, .htm or .mdb."},
        {kMinWordLengthText, false, false, "Set --min-word to 4 or more."},
        {kMaxWordLengthText, false, false, "Set --max-word to at least --min-word."},
        {"passwords to be created which is more than this dictionary file contains", false, false,
         "Use --no-dups, more --words, a smaller --count or a larger --dictionary."},
    };
    // The dictionary file named before "marker" in the message.
    const auto nameBefore = [message](std::size_t at) {
        const auto slash = message.rfind('/', at);
        return std::string(
            message.substr(slash == message.npos ? 0 : slash + 1, at - (slash == message.npos ? 0 : slash + 1)));
    };
    const std::string kNameOne =
        "Name one with --dictionary: quorlix-cli dict list shows those present, dict download --list what can be had.";
    // A missing dictionary: how to get that very file.
    if (const auto at = message.find(" not found in folder. This file is necessary"); at != message.npos)
        return nameBefore(at).empty() ? kNameOne
                                      : "Get it with: quorlix-cli dict download " + nameBefore(at) +
                                            ", or name another with --dictionary (dict list shows those present).";
    // A damaged one: how to get it again.
    for (std::string_view marker : {std::string_view(" file appears to not be a Quorlix dictionary file"),
                                    std::string_view(" file triggered an unknown error.")})
        if (const auto at = message.find(marker); at != message.npos)
            return "Get it again with: quorlix-cli dict download " + nameBefore(at) +
                   ", or name another with --dictionary (dict list shows those present).";
    if (message.starts_with("It appears that no dictionary file has been selected"))
        return kNameOne;
    for (const Hint& h : kHints) {
        const bool match = h.prefix ? message.starts_with(h.text)
                           : h.suffix
                               ? message.ends_with(h.text)
                               : message == h.text || (h.text.size() > 30 && message.find(h.text) != message.npos);
        if (match)
            return std::string(h.hint);
    }
    return {};
}

} // namespace quorlix::cli
