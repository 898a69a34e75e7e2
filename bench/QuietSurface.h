#pragma once
// A main window that shows nothing and answers OK, so benchmarks time the run alone.

#include "output/RunSurface.h"

namespace quorlix::bench {

class QuietSurface final : public MainWindowSurface {
public:
    void setStatus(std::string_view) override {}
    void setHeading(std::string_view) override {}
    void setCounter(std::string_view) override {}
    void setCountdown(std::string_view) override {}
    void showCountdown() override {}
    void setCountdownTimerEnabled(bool) override {}
    void setProgress(int) override {}
    void setExecuteEnabled(bool) override {}
    void setStopEnabled(bool) override {}
    void enableOff() override {}
    void enableOn() override {}
    void repaintList() override {}
    void selectFirstRow() override {}
    void setMethodOptionsEnabled(bool) override {}
    bool isMinimized() const override { return false; }
    void setWindowTitle(std::string_view) override {}
    void processEvents() override {}
};

class QuietBoxes final : public MessageBoxes {
public:
    using MessageBoxes::show;
    Answer show(std::string_view, std::string_view, Icon, Buttons) override { return Answer::Ok; }
};

} // namespace quorlix::bench
