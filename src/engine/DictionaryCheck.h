#pragma once
// The dictionary check as the Random Characters generators see it. The words
// library implements it (it owns the dictionary files); without one the check
// passes every password.

#include <string>
#include <string_view>

#include "options/RunOptions.h"
#include "platform/Status.h"

namespace quorlix
{

class DictionaryCheck
{
public:
    virtual ~DictionaryCheck() = default;

    // Before a run, when the dictionary switch is on and the maximum length
    // is above 3: the bare name of the dictionary-check file in the program
    // folder. A failure refuses the run before anything is made, showing the
    // status's message (the critical icon), so its text is the user's.
    virtual Status prepare(const std::string& fileName)
    {
        (void)fileName;
        return Status::ok();
    }

    // Status texts of a run into the display: a hit shows "Dictionary Word
    // Found. Reselected.", a hybrid search without a hit "Processing.....Please Wait".
    virtual void useSingleWindowTexts() = 0;
    // Status texts of a multi-file run: a hit shows nothing; a hybrid search
    // without a hit puts back "Writing to File: " + shownName.
    virtual void useMultiFileTexts(std::string shownName) = 0;

    // Called for every assembled candidate while the dictionary switch is on,
    // after the duplication check (and the strong check in a single-window
    // run). drawnLength counts generated characters, separators excluded; the
    // check passes candidates of 3 or fewer. True accepts the candidate.
    // May yield to the event loop. Exceptions end a multi-file run with its
    // error end; a single-window run treats them as a pass.
    virtual bool accept(std::string_view password, int drawnLength, DictionaryMode mode) = 0;
};

} // namespace quorlix
