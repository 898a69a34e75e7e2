#pragma once
// The two Pronounceable generators: into the display, and into a numbered
// series of files. Execute (RunControl) checks the request first and does the
// run start, as for Random Characters; each handles every end of its run.
// The duplication check (within the run, or within each file of a series),
// the dictionary check and sorting apply as they do to Random Characters.

#include <optional>
#include <string>

#include "engine/CharacterRun.h"
#include "engine/DictionaryCheck.h"
#include "engine/RunRequest.h"

namespace quorlix
{

// Why Execute refuses a Pronounceable request, or nullopt when it may run.
// Checked in this order: the amount, the lengths, the digits, a range no
// password fits, more passwords than exist with the duplication check on.
std::optional<std::string> pronounceableRefusal(const PronounceableSettings& settings, const CheckOptions& checks);

// dictionary may be null (the check then passes); when given, it has been prepared.
void generatePronounceable(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary);
void generateMultiFilePronounceable(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary,
                                    const MultiFileHooks& hooks);

} // namespace quorlix
