#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>

#include "EngineFixture.h"
#include "engine/Progress.h"

namespace quorlix::testing {
namespace {

struct IntervalRow {
    double seconds;
    std::optional<std::string> expected;
};

TEST(FormatIntervalTest, SecondsRoundHalfToEvenAndHoursAreNotReduced)
{
    const std::vector<IntervalRow> rows{{0, "0:00:00"},          {3725, "1:02:05"},     {90061, "25:01:01"},
                                        {4995, "1:23:15"},       {90, "0:01:30"},       {0.5, "0:00:00"},
                                        {1.5, "0:00:02"},        {2.5, "0:00:02"},      {3.5, "0:00:04"},
                                        {3599.4, "0:59:59"},     {360000, "100:00:00"}, {2147483647.0, "596523:14:07"},
                                        {2147483648.0, std::nullopt}};
    for (const auto& row : rows)
        EXPECT_EQ(FormatInterval(row.seconds / 86400.0, "H:MM:SS"), row.expected) << row.seconds;
    EXPECT_EQ(FormatInterval(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

struct TickRow {
    float ticks;
    std::int32_t n;
    std::int32_t total;
    std::string text;
    int percent;
};

TEST(CountdownTest, EstimateAndProgress)
{
    const std::vector<TickRow> rows{
        {1, 1, 1000, "1:23:15", 0},    // 0.2 passwords a second, 999 to go
        {2, 1000, 10000, "0:01:30", 10}, // 100 a second, 9,000 to go
        {1, 0, 100, "0:00:00", 0},     // nothing made yet: no rate
        {3, 1, 200, "0:49:45", 1},     // 0.5 per cent rounds up
        {1, 5, 8, "0:00:03", 63},      // 62.5 rounds up
        {4, 50, 50, "0:00:00", 100}};
    for (const auto& row : rows) {
        const CountdownReading r = countdownReading(row.ticks, row.n, row.total);
        EXPECT_EQ(r.text, row.text) << row.n << " of " << row.total;
        EXPECT_EQ(r.percent, row.percent) << row.n << " of " << row.total;
    }
    EXPECT_EQ(countdownReading(1, 0, 0).percent, std::nullopt);
}

class CountdownTickTest : public EngineFixture {};

// The tick counts itself and reads the total of the selected method.
TEST_F(CountdownTickTest, TickUsesTheSelectedMethodsTotal)
{
    values.totalPasswords = 1000;
    words.totalPasswords = 10000;
    RunControl control(request(), environment());
    state.currentPassword = 1;
    control.countdownTick();
    EXPECT_EQ(state.ticks, 1.0f);
    EXPECT_EQ(surface.countdown, "1:23:15");
    method = GenerationMethod::RandomWords;
    state.currentPassword = 1000;
    RunControl words_(request(), environment());
    words_.countdownTick();
    EXPECT_EQ(state.ticks, 2.0f);
    EXPECT_EQ(surface.countdown, "0:01:30");
    EXPECT_EQ(surface.progress, 10);
}

// ---- stop ------------------------------------------------------------------

const std::string kPromptTail = " requested passwords at the time you have elected to stop.\r\n\r\nSelect 'OK' to "
                                "terminate this run.\r\n\r\nSelect 'Cancel' to continue with this run.";

std::string singlePrompt(int made, int total)
{
    return "Warning:  You have selected to stop the password generation process. This run has produced " +
           std::to_string(made) + " of " + std::to_string(total) + kPromptTail;
}

class StopTest : public EngineFixture {
protected:
    // Passwords of one character, no duplication check: two yields per
    // password (its start, and after its character), so yield k is exact.
    void pressStopAtYield(std::size_t k)
    {
        values.totalPasswords = 5;
        values.minLength = 1;
        values.maxLength = 1;
        checks.duplication = false;
        surface.onProcessEvents = [this, k] {
            if (surface.processEventsCount == k)
                state.stopRequested = 1;
        };
    }
};

struct StopRow {
    const char* name;
    std::size_t yield;
    std::size_t rowsAtPrompt;
    int reported;
};

class StopAtYieldTest : public StopTest, public ::testing::WithParamInterface<StopRow> {};

// Noticed while a character is drawn, the current password is not counted;
// noticed after a password was added, the prompt still reports n - 1.
TEST_P(StopAtYieldTest, OkEndsTheRunAsStopped)
{
    pressStopAtYield(GetParam().yield);
    std::size_t rowsAtPrompt = 0;
    boxes.onShow = [&](const auto&) { rowsAtPrompt = list.count(); };
    boxes.answers = {Answer::Ok};
    execute();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, singlePrompt(GetParam().reported, 5));
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(rowsAtPrompt, GetParam().rowsAtPrompt);
    EXPECT_EQ(list.count(), GetParam().rowsAtPrompt);

    const auto at = std::find(log.begin(), log.end(), "message:" + boxes.shown[0].text);
    ASSERT_NE(at, log.end());
    EXPECT_EQ(*(at - 1), "setCounter:" + std::to_string(GetParam().reported) + " of 5");
    const CallLog tail(at + 1, log.end());
    const CallLog expected{"enableOn",           "setCountdownTimerEnabled:0", "setCountdown:0:00:00",
                           "setStopEnabled:0",   "setExecuteEnabled:1",        "setHeading:Generated Passwords",
                           "setStatus:Stopped by User", "enableOn"};
    EXPECT_EQ(tail, expected); // the post-run step is skipped: the flag stays 1
    EXPECT_EQ(state.stopRequested.load(), 1);
    for (std::size_t i = 0; i < list.count(); ++i)
        EXPECT_EQ(list.rowColour(i), i % 2 == 0 ? 11 : 15);
    EXPECT_TRUE(list.updating());
}

INSTANTIATE_TEST_SUITE_P(Cases, StopAtYieldTest,
                         ::testing::Values(StopRow{"AtFirstPasswordStart", 1, 0, 0},
                                           StopRow{"AtThirdPasswordStart", 5, 2, 2},
                                           StopRow{"AfterSecondCharacter", 4, 2, 1}),
                         [](const ::testing::TestParamInfo<StopRow>& row) { return std::string(row.param.name); });

// Cancel finishes the interrupted password: every requested password is made,
// and a second stop reports the new count.
TEST_F(StopTest, CancelContinuesAndKeepsTheInterruptedPassword)
{
    pressStopAtYield(5);
    surface.onProcessEvents = [this] {
        if (surface.processEventsCount == 5 || surface.processEventsCount == 11)
            state.stopRequested = 1;
    };
    boxes.answers = {Answer::Cancel, Answer::Cancel};
    execute();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, singlePrompt(2, 5));
    EXPECT_GT(boxes.shown[1].text, "");
    EXPECT_NE(boxes.shown[1].text, boxes.shown[0].text);
    EXPECT_EQ(list.count(), 5u);
    EXPECT_EQ(state.stopRequested.load(), 0);
    EXPECT_EQ(surface.status, "Complete");
    EXPECT_TRUE(surface.called("selectFirstRow"));
    EXPECT_EQ(list.rowColour(4), 11);
}

// With the duplication check on, checks of a password may wait for the next
// draw; the prompt must still count exactly the passwords in the display.
TEST_F(StopTest, PromptCountMatchesDisplayWithDuplicationOn)
{
    for (std::size_t k : {3u, 4u, 7u, 10u, 15u}) {
        SCOPED_TRACE(k);
        values.totalPasswords = 12;
        values.minLength = 2;
        values.maxLength = 3;
        checks.duplication = true;
        state.stopRequested = 0;
        surface.processEventsCount = 0;
        surface.onProcessEvents = [this, k] {
            if (surface.processEventsCount == k)
                state.stopRequested = 1;
        };
        std::size_t rowsAtPrompt = 99;
        boxes.shown.clear();
        boxes.onShow = [&](const auto&) { rowsAtPrompt = list.count(); };
        boxes.answers = {Answer::Ok};
        execute();
        ASSERT_EQ(boxes.shown.size(), 1u);
        const std::regex count("produced ([0-9]+) of 12");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(boxes.shown[0].text, m, count));
        const auto reported = static_cast<std::size_t>(std::stoul(m[1]));
        EXPECT_TRUE(reported == rowsAtPrompt || reported + 1 == rowsAtPrompt);
        EXPECT_EQ(list.count(), rowsAtPrompt);
    }
}

} // namespace
} // namespace quorlix::testing
