#pragma once
// Bringing a loaded option state onto the main window. The window implements
// OptionControls over its widgets; the CLI and the tests use StateControls,
// which keeps only the state. The order of the calls is part of the contract:
// writing a field text runs that field's change handling, which may change the
// run values (a stored maximum of 75 becomes 0) before later steps read them.

#include <string_view>

#include "options/OptionState.h"
#include "options/Readout.h"

namespace quorlix {

class OptionControls {
public:
    virtual ~OptionControls() = default;
    // The three fields as decimal text; each write runs the field's change
    // handling (changeTotalPasswords / changeMinLength / changeMaxLength).
    virtual void setTotalPasswordsField(std::string_view text) = 0;
    virtual void setMinLengthField(std::string_view text) = 0;
    virtual void setMaxLengthField(std::string_view text) = 0;
    // Check boxes; the first three and the strong-password one also check their
    // Options-menu items.
    virtual void setDuplicationCheck(bool on) = 0;
    virtual void setSideBySideCheck(bool on) = 0;
    virtual void setSequentialCheck(bool on) = 0;
    virtual void setCounter(bool on) = 0;
    virtual void setSortDisplay(bool on) = 0;
    virtual void setDictionaryCheck(bool on) = 0; // box and menu item
    virtual void setWholeWord(bool on) = 0;       // "Whole:" when true, else "Hybrid:"
    virtual void setStrongPasswords(bool on) = 0;
    // Selects an optType button; the selection runs the method switch.
    virtual void selectMethod(GenerationMethod method) = 0;
    virtual void setRulesLight(bool green) = 0;
    virtual void refreshReadout() = 0;
};

// After loadLastSettings: the three fields, the switches (duplication,
// side-by-side, sequential, counter, sort, strong) and the method selection.
// The dictionary check's controls are left to the window's own start-up.
void applyLastSettings(OptionState& state, OptionControls& controls);

// After reading a settings file: the three fields; duplication, side-by-side,
// sequential, counter, sort, dictionary check, whole word, strong passwords;
// the method selection; the rules light from the maximum as it stands after
// the field handling; the readout refresh.
void applySettingsFile(OptionState& state, OptionControls& controls);

// Controls without a window: the field writes run the field-change rules on the
// state, the readout refresh recounts the pool; the rest is already in state.
class StateControls : public OptionControls {
public:
    explicit StateControls(OptionState& state) : m_state(state) {}

    void setTotalPasswordsField(std::string_view text) override;
    void setMinLengthField(std::string_view text) override;
    void setMaxLengthField(std::string_view text) override;
    void setDuplicationCheck(bool) override {}
    void setSideBySideCheck(bool) override {}
    void setSequentialCheck(bool) override {}
    void setCounter(bool) override {}
    void setSortDisplay(bool) override {}
    void setDictionaryCheck(bool) override {}
    void setWholeWord(bool) override {}
    void setStrongPasswords(bool) override {}
    void selectMethod(GenerationMethod method) override;
    void setRulesLight(bool green) override { m_rulesLight = green; }
    void refreshReadout() override;

    bool rulesLight() const { return m_rulesLight; }
    const ReadoutText& readout() const { return m_readout; }
    // The status line text left by the last field change that set one.
    const std::string& status() const { return m_status; }

private:
    OptionState& m_state;
    bool m_rulesLight = false;
    ReadoutText m_readout;
    std::string m_status;
};

} // namespace quorlix
