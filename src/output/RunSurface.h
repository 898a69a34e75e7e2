#pragma once
// What a run may touch outside itself. The GUI implements these over its
// widgets, the CLI over the terminal, the tests with recorders that keep every
// call in order. Method names follow the main window's controls they stand for.

#include <string>
#include <string_view>

namespace quorlix {

inline constexpr std::string_view kTitle = "Quorlix";
inline constexpr std::string_view kCrLf = "\r\n";

enum class Icon { None, Exclamation, Critical, Information, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// Modal message boxes; returns the button pressed.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual Answer show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) = 0;
    // The common case of every Part: title "Quorlix".
    Answer show(std::string_view text, Icon icon, Buttons buttons) { return show(text, kTitle, icon, buttons); }
};

// The readouts and buttons of the main window that runs and file tools drive.
// Every setter repaints its control at once.
class MainWindowSurface {
public:
    virtual ~MainWindowSurface() = default;

    virtual void setStatus(std::string_view text) = 0;    // Label2, the status line
    virtual void setHeading(std::string_view text) = 0;   // Label10, the display heading
    virtual void setCounter(std::string_view text) = 0;   // Label15, the counter readout
    virtual void setCountdown(std::string_view text) = 0; // lblCountDown
    // lblTime1, lblTime2 and lblCountDown shown and enabled.
    virtual void showCountdown() = 0;
    // tmrCountDown; while enabled the surface calls countdownTick() every 5 s.
    virtual void setCountdownTimerEnabled(bool on) = 0;
    // The progress bar's value followed by InitProgress (a redraw).
    virtual void setProgress(int percent) = 0;
    virtual void setExecuteEnabled(bool on) = 0; // Command1
    virtual void setStopEnabled(bool on) = 0;    // Command5
    virtual void enableOff() = 0;                // busy state
    virtual void enableOn() = 0;                 // back from the busy state (also switches the timer off)
    virtual void repaintList() = 0;              // ResultList repaint
    // Post-run step of a single-mode run: select row 0, focus it, enable "&Clear Display".
    virtual void selectFirstRow() = 0;
    virtual void setMethodOptionsEnabled(bool on) = 0; // both optType options
    virtual bool isMinimized() const = 0;
    // Redraw the "Characters to Use" and probability readouts from the pool,
    // after a run changed the pool (the caller has recounted it already).
    virtual void refreshReadout() {}
    virtual void setWindowTitle(std::string_view text) = 0;

    // Serve pending events (Stop button, timer, repaints). Called through a
    // Yielder, which decides how often this really runs.
    virtual void processEvents() = 0;
};

} // namespace quorlix
