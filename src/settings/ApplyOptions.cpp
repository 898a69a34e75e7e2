#include "settings/ApplyOptions.h"

#include <string>

#include "options/RunFields.h"

namespace quorlix {

namespace {

void writeFields(const OptionState& state, OptionControls& controls)
{
    // Copies: each write may change the run values the next one would read.
    const RunValues loaded = state.run;
    controls.setTotalPasswordsField(std::to_string(loaded.totalPasswords));
    controls.setMinLengthField(std::to_string(loaded.minLength));
    controls.setMaxLengthField(std::to_string(loaded.maxLength));
}

// The duplication, side-by-side, sequential, counter and sort check boxes.
void applyFiveSwitches(const OptionState& state, OptionControls& controls)
{
    controls.setDuplicationCheck(state.checks.duplication);
    controls.setSideBySideCheck(state.checks.sideBySide);
    controls.setSequentialCheck(state.checks.sequential);
    controls.setCounter(state.checks.counter);
    controls.setSortDisplay(state.checks.sortDisplay);
}

} // namespace

void applyLastSettings(OptionState& state, OptionControls& controls)
{
    writeFields(state, controls);
    applyFiveSwitches(state, controls);
    controls.setStrongPasswords(state.checks.strong);
    controls.selectMethod(state.method);
}

void applySettingsFile(OptionState& state, OptionControls& controls)
{
    writeFields(state, controls);
    applyFiveSwitches(state, controls);
    controls.setDictionaryCheck(state.checks.dictionary);
    controls.setWholeWord(state.checks.dictionaryMode == DictionaryMode::Whole);
    controls.setStrongPasswords(state.checks.strong);
    controls.selectMethod(state.method);
    controls.setRulesLight(state.rules.active(state.run.maxLength));
    controls.refreshReadout();
}

void StateControls::setTotalPasswordsField(std::string_view text)
{
    const FieldChange change = changeTotalPasswords(m_state.run, text);
    if (change.status)
        m_status = *change.status;
}

void StateControls::setMinLengthField(std::string_view text)
{
    const FieldChange change = changeMinLength(m_state.run, text);
    if (change.status)
        m_status = *change.status;
    if (change.refreshReadout)
        refreshReadout();
}

void StateControls::setMaxLengthField(std::string_view text)
{
    const FieldChange change = changeMaxLength(m_state.run, text);
    if (change.status)
        m_status = *change.status;
    if (change.refreshReadout)
        refreshReadout();
}

void StateControls::selectMethod(GenerationMethod method)
{
    m_state.method = method;
    // Choosing Random Characters recomputes the probability; Random Words shows
    // its notice instead.
    if (method == GenerationMethod::RandomCharacters)
        refreshReadout();
    else if (method == GenerationMethod::RandomWords)
        m_readout.probability = std::string(kReadoutDisabledForWords);
}

void StateControls::refreshReadout()
{
    m_readout = quorlix::refreshReadout(m_state.pool, m_state.run);
}

} // namespace quorlix
