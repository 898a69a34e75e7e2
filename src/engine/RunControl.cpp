#include "engine/RunControl.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <utility>

#include "engine/PasswordSpace.h"
#include "engine/Progress.h"
#include "engine/PronounceableRun.h"
#include "engine/RunTexts.h"
#include "output/MultiFileWindow.h"
#include "output/SortTextFile.h"
#include "platform/AtomicFile.h"

namespace quorlix
{

namespace
{

constexpr int kApostrophe = 39;
constexpr int kVerticalBar = 124;

std::string_view ruleTail(int cls)
{
    switch (cls) {
    case 1:
        return texts::kRuleNeedsNumber;
    case 2:
        return texts::kRuleNeedsLowercase;
    case 3:
        return texts::kRuleNeedsUppercase;
    default:
        return texts::kRuleNeedsSpecial;
    }
}

// Class names as the strong-password refusal spells them.
std::string_view pairName(CharClass c)
{
    switch (c) {
    case CharClass::Number:
        return "Numbers";
    case CharClass::Lowercase:
        return "Lowercase Letters";
    case CharClass::Uppercase:
        return "Uppercase Letters";
    default:
        return "Special Symbols";
    }
}

} // namespace

std::string multiFileConfirmationText(const MultiFileSettings& settings, GenerationMethod method)
{
    const std::string crlf(kCrLf);
    const std::string n = std::to_string(settings.totalFiles);
    const std::string methodName = method == GenerationMethod::RandomCharacters ? "Random Characters"
                                   : method == GenerationMethod::Pronounceable  ? "Pronounceable"
                                                                                : "Random Words";
    return "Multifile saves are active. If you wish to deactivate this mode, you must remove the check in the "
           "MultiFile display (from the FILE menu). Select 'Yes' to execute Multi-File settings. Select 'NO' to "
           "bypass MultiFile settings. Select 'Cancel' to Exit this execution. If executed in Multi-File mode then " +
           n + " files will be created starting with: " + crlf + crlf + settings.filePreface + "1." +
           settings.extension() + crlf + crlf + "Completing with: " + crlf + crlf + settings.filePreface + n + "." +
           settings.extension() + crlf + crlf + "They will be saved in the following directory/path: " + crlf + crlf +
           settings.directory + crlf + crlf + "This execution will be using the '" + methodName +
           "' method, and password criteria is based on the current settings for this method.";
}

RunControl::RunControl(const RunRequest& request, const RunEnvironment& env) : m_request(request), m_env(env)
{
    // Each file of a series is one whole hand-out: the roster from its first person.
    m_hooks.open = [handOut = request.handOut, &values = request.values, &words = request.words,
                    &pronounceable = request.pronounceable,
                    &method = request.method](const std::string& path, ListFormat format, Status* error) {
        if (!handOut)
            return openListFile(path, format, error);
        HandOut perFile = *handOut;
        const std::int32_t total = method == GenerationMethod::RandomWords     ? words.totalPasswords
                                   : method == GenerationMethod::Pronounceable ? pronounceable.totalPasswords
                                                                               : values.totalPasswords;
        perFile.rows = static_cast<std::size_t>(std::max(1, total));
        return openHandOutList(path, format, perFile, error);
    };
    m_hooks.sort = [](const std::string& path, bool caseSensitive, Status* error) {
        return SortTextFile(path, caseSensitive, error);
    };
}

void RunControl::refuse(std::string_view text)
{
    m_env.boxes.show(text, Icon::Exclamation, Buttons::Ok);
}

bool RunControl::checkCharacterRequest()
{
    const RunValues& values = m_request.values;
    const CheckOptions& checks = m_request.checks;
    CharacterPool& pool = m_request.pool;
    const int min = values.minLength;
    const int max = values.maxLength;
    const std::int32_t total = values.totalPasswords;

    if (min > max) {
        refuse(texts::kMinAboveMax);
        return false;
    }
    if (total < 1 || max < 1) {
        refuse(texts::kNothingRequested);
        return false;
    }
    if (total < 1 || total > kMaxPasswords) {
        refuse(texts::kAmountRange);
        return false;
    }
    if (min < 1 || max > kMaxLength) {
        refuse(texts::kLengthRange);
        return false;
    }
    if (checks.strong && min < 6) {
        refuse(texts::kStrongNeedsSix);
        return false;
    }

    if (checks.dictionary && checks.dictionaryMode == DictionaryMode::Whole &&
        (pool.isAvailable(kApostrophe) || pool.isAvailable(kVerticalBar))) {
        m_env.boxes.show(texts::kWholeWordDeactivated, Icon::Exclamation, Buttons::Ok);
        pool.deactivateWholeWordUnsafe();
        pool.recount();
        m_env.surface.refreshReadout();
    }

    // Marks that would fall at or after the end of the shortest password are
    // dropped for good; what is left must fall inside the longest one.
    InsertSettings& inserts = m_request.inserts;
    if (max <= kMaxLength) {
        for (int i = min; i <= 59; ++i) {
            inserts.hyphen[i] = 0;
            inserts.blank[i] = 0;
        }
    }
    for (int i = 0; i <= kMaxLength; ++i) {
        if (inserts.hyphen[i] == 1 && i >= max) {
            refuse(texts::kHyphenBeyondLength);
            return false;
        }
        if (inserts.blank[i] == 1 && i >= max) {
            refuse(texts::kBlankBeyondLength);
            return false;
        }
    }

    const std::array<bool, 5> available{
        false, pool.classAvailable(CharClass::Number), pool.classAvailable(CharClass::Lowercase),
        pool.classAvailable(CharClass::Uppercase), pool.classAvailable(CharClass::Special)};
    if (checks.strong) {
        static constexpr std::array<std::pair<CharClass, CharClass>, 6> kPairs{{
            {CharClass::Number, CharClass::Lowercase},
            {CharClass::Number, CharClass::Uppercase},
            {CharClass::Number, CharClass::Special},
            {CharClass::Lowercase, CharClass::Uppercase},
            {CharClass::Lowercase, CharClass::Special},
            {CharClass::Uppercase, CharClass::Special},
        }};
        for (const auto& [a, b] : kPairs) {
            if (!available[static_cast<int>(a)] && !available[static_cast<int>(b)]) {
                refuse(std::string(pairName(a)) + " and " + std::string(pairName(b)) +
                       std::string(texts::kStrongPairTail));
                return false;
            }
        }
    }

    for (int p = 1; p <= max; ++p) {
        const int cls = m_request.rules.rule[p];
        if (cls >= 1 && cls <= 4 && !available[cls]) {
            refuse("Position " + std::to_string(p) + std::string(ruleTail(cls)));
            return false;
        }
    }

    // Without repeats a run (or each file of a series) can never make more than this.
    if (checks.duplication) {
        const std::uint64_t possible = possiblePasswords(pool, values, m_request.rules);
        if (static_cast<std::uint64_t>(total) > possible) {
            refuse(texts::tooFewPossible(total, possible));
            return false;
        }
    }
    return true;
}

void RunControl::execute()
{
    if (const auto dispatch = prepare())
        generate(*dispatch);
}

std::optional<RunControl::Dispatch> RunControl::prepare()
{
    MainWindowSurface& surface = m_env.surface;
    const CheckOptions& checks = m_request.checks;
    MultiFileSettings& multiFile = m_request.multiFile;

    if (!checks.counter)
        surface.setCounter(texts::kCounterOff);
    m_env.list.setSorted(checks.sortDisplay);
    surface.setHeading(checks.sortDisplay ? texts::kSortedHeading : texts::kUnsortedHeading);
    m_env.state.currentPassword = 0;
    surface.setProgress(0);

    if (multiFile.active == 1) {
        const Answer answer = m_env.boxes.show(multiFileConfirmationText(multiFile, m_request.method),
                                               Icon::Exclamation, Buttons::YesNoCancel);
        if (answer == Answer::Cancel)
            return std::nullopt;
        if (answer == Answer::No)
            multiFile.active = 0;
    }
    const bool multi = multiFile.active == 1;
    // The window refuses such a preface on Accept, but a change stays in
    // force when the window is cancelled: no file may land outside the folder.
    if (multi && !isPlainPreface(multiFile.filePreface)) {
        refuse(kPrefaceNotAName);
        return std::nullopt;
    }
    // A file of the series that cannot be replaced safely (another user's, or
    // in a folder that takes no new file) is refused before a password is made.
    if (multi) {
        for (int n = 1; n <= multiFile.totalFiles; ++n) {
            struct stat st {
            };
            const std::string path = multiFile.filePath(n);
            if (::lstat(path.c_str(), &st) != 0)
                continue;
            if (const Status s = checkReplaceable(path); !s) {
                refuse(s.message());
                return std::nullopt;
            }
        }
    }
    if (const HandOut* handOut = m_request.handOut) {
        // A list type that cannot carry the hand-out is refused before anything is made.
        if (multi) {
            const auto format = formatFromName(multiFile.fileType);
            if (const Status s = format ? checkHandOut(*format, *handOut) : Status::ok(); !s) {
                refuse(s.message());
                return std::nullopt;
            }
        }
        // The count follows the roster: one password per person.
        if (handOut->hasNames()) {
            const auto people = static_cast<std::int32_t>(handOut->roster->size());
            m_request.values.totalPasswords = people;
            m_request.words.totalPasswords = people;
            m_request.pronounceable.totalPasswords = people;
        }
    }
    if (m_request.method == GenerationMethod::RandomWords)
        return multi ? Dispatch::MultiFileWords : Dispatch::Words;
    if (m_request.method == GenerationMethod::Pronounceable) {
        if (const auto refusal = pronounceableRefusal(m_request.pronounceable, m_request.checks)) {
            refuse(*refusal);
            return std::nullopt;
        }
        return multi ? Dispatch::MultiFilePronounceable : Dispatch::Pronounceable;
    }
    if (!checkCharacterRequest())
        return std::nullopt;
    return multi ? Dispatch::MultiFileCharacters : Dispatch::Characters;
}

void RunControl::generate(Dispatch dispatch)
{
    MainWindowSurface& surface = m_env.surface;
    const CheckOptions& checks = m_request.checks;
    const bool multi = dispatch == Dispatch::MultiFileCharacters || dispatch == Dispatch::MultiFileWords ||
                       dispatch == Dispatch::MultiFilePronounceable;
    const bool pronounceable = dispatch == Dispatch::Pronounceable || dispatch == Dispatch::MultiFilePronounceable;

    switch (dispatch) {
    case Dispatch::Words:
        if (m_words)
            m_words->passwordGenWords(m_request, m_env);
        break;
    case Dispatch::MultiFileWords:
        if (m_words)
            m_words->saveMultiFileWords(m_request, m_env);
        break;
    case Dispatch::Characters:
    case Dispatch::MultiFileCharacters:
    case Dispatch::Pronounceable:
    case Dispatch::MultiFilePronounceable: {
        // A check that cannot read its file would pass every password: the
        // run is refused before the display is cleared or a file is written.
        const int maxLength = pronounceable ? m_request.pronounceable.maxLength : m_request.values.maxLength;
        if (m_dictionary && checks.dictionary && maxLength > 3) {
            if (const Status s = m_dictionary->prepare(m_request.dictionaryCheckFile); !s) {
                m_env.boxes.show(s.message(), Icon::Critical, Buttons::Ok);
                return;
            }
        }
        m_env.list.clear();
        m_env.list.setUpdating(true);
        m_env.state.stopRequested = 0;
        surface.setStopEnabled(true);
        surface.setExecuteEnabled(false);
        surface.enableOff();
        surface.repaintList();
        if (!multi) {
            if (pronounceable)
                generatePronounceable(m_request, m_env, m_dictionary);
            else
                generateCharacters(m_request, m_env, m_dictionary);
            surface.enableOn();
        } else {
            const std::string& type = m_request.multiFile.fileType;
            if ((checks.duplication || checks.sortDisplay) && type != "txt")
                m_env.boxes.show(texts::kOnlyTextSorts, Icon::Exclamation, Buttons::Ok);
            if (pronounceable)
                generateMultiFilePronounceable(m_request, m_env, m_dictionary, m_hooks);
            else
                generateMultiFileCharacters(m_request, m_env, m_dictionary, m_hooks);
        }
        break;
    }
    }

    if (!m_env.state.stopPending()) {
        if (!multi)
            surface.selectFirstRow();
        surface.setExecuteEnabled(true);
        surface.setStopEnabled(false);
        surface.setMethodOptionsEnabled(true);
    }
}

void RunControl::countdownTick()
{
    RunState& state = m_env.state;
    state.ticks += 1;
    const std::int32_t total = m_request.method == GenerationMethod::RandomCharacters ? m_request.values.totalPasswords
                               : m_request.method == GenerationMethod::Pronounceable
                                   ? m_request.pronounceable.totalPasswords
                                   : m_request.words.totalPasswords;
    const CountdownReading reading = countdownReading(state.ticks, state.currentPassword, total);
    if (reading.text)
        m_env.surface.setCountdown(*reading.text);
    if (reading.percent)
        m_env.surface.setProgress(*reading.percent);
}

} // namespace quorlix
