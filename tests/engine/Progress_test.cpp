#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "EngineFixture.h"
#include "engine/Progress.h"

namespace quorlix::testing {
namespace {

TEST(FormatIntervalTest, SecondsRoundHalfToEvenAndHoursAreNotReduced)
{
    const std::vector<std::pair<double, std::optional<std::string>>> rows{
        {0, "0:00:00"}, {3725, "1:02:05"}, {90061, "25:01:01"}, {0.5, "0:00:00"}, {1.5, "0:00:02"}, {2.5, "0:00:02"},
        {3599.4, "0:59:59"}, {2147483647.0, "596523:14:07"}, {2147483648.0, std::nullopt}};
    for (const auto& [seconds, expected] : rows)
        EXPECT_EQ(FormatInterval(seconds / 86400.0, "H:MM:SS"), expected) << seconds;
    EXPECT_EQ(FormatInterval(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(CountdownTest, EstimateAndProgress)
{
    struct Row {
        float ticks;
        std::int32_t n, total;
        std::string text;
        int percent;
    };
    const std::vector<Row> rows{{1, 1, 1000, "1:23:15", 0}, // 0.2 passwords a second, 999 to go
                                {1, 0, 100, "0:00:00", 0},  // nothing made yet: no rate
                                {3, 1, 200, "0:49:45", 1},  // 0.5 per cent rounds up
                                {1, 5, 8, "0:00:03", 63},   // 62.5 rounds up
                                {4, 50, 50, "0:00:00", 100}};
    for (const auto& row : rows) {
        const CountdownReading r = countdownReading(row.ticks, row.n, row.total);
        EXPECT_EQ(r.text, row.text) << row.n << " of " << row.total;
        EXPECT_EQ(r.percent, row.percent) << row.n << " of " << row.total;
    }
    EXPECT_EQ(countdownReading(1, 0, 0).percent, std::nullopt);
}

// The tick counts itself and reads the total of the selected method.
TEST_F(EngineFixture, CountdownTickUsesTheSelectedMethodsTotal)
{
    values.totalPasswords = 1000;
    words.totalPasswords = 10000;
    state.currentPassword = 1;
    RunControl(request(), environment()).countdownTick();
    EXPECT_EQ(surface.countdown, "1:23:15");
    method = GenerationMethod::RandomWords;
    state.currentPassword = 1000;
    RunControl(request(), environment()).countdownTick();
    EXPECT_EQ(state.ticks, 2.0f);
    EXPECT_EQ(surface.countdown, "0:01:30");
    EXPECT_EQ(surface.progress, 10);
}

std::string singlePrompt(int made, int total)
{
    return "Warning:  You have selected to stop the password generation process. This run has produced " +
           std::to_string(made) + " of " + std::to_string(total) +
           " requested passwords at the time you have elected to stop.\r\n\r\nSelect 'OK' to terminate this "
           "run.\r\n\r\nSelect 'Cancel' to continue with this run.";
}

class StopTest : public EngineFixture {
protected:
    // Passwords of one character, no duplication check: two yields per
    // password (its start, and after its character), so yield k is exact.
    void pressStopAtYields(std::vector<std::size_t> yields)
    {
        values.totalPasswords = 5;
        values.minLength = values.maxLength = 1;
        checks.duplication = false;
        surface.onProcessEvents = [this, yields] {
            if (std::count(yields.begin(), yields.end(), surface.processEventsCount))
                state.stopRequested = 1;
        };
    }
};

// Noticed while a character is drawn, the current password is not counted;
// noticed after a password was added, it is. OK ends the run as stopped and
// skips the post-run step.
TEST_F(StopTest, OkEndsTheRunAsStopped)
{
    const std::vector<std::tuple<std::size_t, std::size_t, int>> rows{{1, 0, 0}, {5, 2, 2}, {4, 2, 2}};
    for (const auto& [yield, rowsAtPrompt, reported] : rows) {
        SCOPED_TRACE(yield);
        log.clear();
        boxes.shown.clear();
        surface.processEventsCount = 0;
        state.stopRequested = 0;
        pressStopAtYields({yield});
        std::size_t rowsSeen = 99;
        boxes.onShow = [&](const auto&) { rowsSeen = list.count(); };
        boxes.answers = {Answer::Ok};
        execute();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, singlePrompt(reported, 5));
        EXPECT_EQ(boxes.shown[0].buttons, Buttons::OkCancel);
        EXPECT_EQ(rowsSeen, rowsAtPrompt);
        EXPECT_EQ(list.count(), rowsAtPrompt);
        const auto at = std::find(log.begin(), log.end(), "message:" + boxes.shown[0].text);
        ASSERT_NE(at, log.begin());
        EXPECT_EQ(joined(log, static_cast<std::size_t>(at - log.begin()) - 1),
                  "setCounter:" + std::to_string(reported) + " of 5|message:" + boxes.shown[0].text +
                      "|enableOn|setCountdownTimerEnabled:0|setCountdown:0:00:00|setStopEnabled:0|setExecuteEnabled:1|"
                      "setHeading:Generated Passwords|setStatus:Stopped by User|enableOn"); // no post-run step
        EXPECT_EQ(state.stopRequested.load(), 1);
        EXPECT_TRUE(list.updating());
    }
}

// Cancel finishes the interrupted password: every requested password is made,
// and a second stop (noticed once password 5 is in the display) reports the
// new count.
TEST_F(StopTest, CancelContinuesAndKeepsTheInterruptedPassword)
{
    pressStopAtYields({5, 11});
    boxes.answers = {Answer::Cancel, Answer::Cancel};
    execute();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, singlePrompt(2, 5));
    EXPECT_EQ(boxes.shown[1].text, singlePrompt(5, 5));
    EXPECT_EQ(list.count(), 5u);
    EXPECT_EQ(state.stopRequested.load(), 0);
    EXPECT_EQ(surface.status, "Complete");
    EXPECT_EQ(list.rowColour(4), 11);
}

// With the duplication check on, checks of a password may wait for the next
// draw; the prompt must still count the passwords in the display.
TEST_F(StopTest, PromptCountMatchesDisplayWithDuplicationOn)
{
    values.totalPasswords = 12;
    values.minLength = 2;
    values.maxLength = 3;
    std::size_t rowsAtPrompt = 99;
    boxes.onShow = [&](const auto&) { rowsAtPrompt = list.count(); };
    for (std::size_t k : {3u, 4u, 7u, 15u}) {
        state.stopRequested = 0;
        surface.processEventsCount = 0;
        surface.onProcessEvents = [this, k] {
            if (surface.processEventsCount == k)
                state.stopRequested = 1;
        };
        boxes.answers = {Answer::Ok};
        execute();
        const std::string& text = boxes.shown.back().text;
        const std::size_t at = text.find("produced ") + 9;
        const auto reported = std::stoul(text.substr(at, text.find(" of 12", at) - at));
        EXPECT_EQ(reported, rowsAtPrompt) << k << ": " << text;
        EXPECT_EQ(list.count(), rowsAtPrompt) << k;
    }
    EXPECT_EQ(boxes.shown.size(), 4u);
}

} // namespace
} // namespace quorlix::testing
