#include "engine/uDateTime.h"
#include "engine/uEngineStatus.h"

#include <gtest/gtest.h>

TEST(EngineStatus, TheFirstRowThatHoldsGivesIconHintAndLine)
{
    struct Case {
        TEngineActivity activity;
        const char* icon;
        const char* hint;
        const char* line;
    };
    TEngineActivity working{true, false, false, true};
    working.PercentDone = 37;
    TEngineActivity idle{true, true, false, true};
    idle.IdleSecondsLeft = 7;
    idle.CpuPercent = 42;
    idle.CpuThresholdShown = 25;
    TEngineActivity delay{true, false, true, true};
    delay.DelayTotal = 5;
    delay.DelayElapsed = 3;
    TEngineActivity bothFlags = idle;  // idle wait is tested before the delay
    bothFlags.InDelay = true;
    const Case cases[] = {
        {working, "STATUSWORK", "Kalvora is working.", "working (37% done)"},
        {idle, "STATUSIDLE", "Kalvora is waiting for idle time.", "detecting idle (7 sec, CPU 42%/25%)"},
        {delay, "STATUSIDLE", "Kalvora is waiting.", "waiting for 5 seconds (3)."},
        {bothFlags, "STATUSIDLE", "Kalvora is waiting for idle time.", "detecting idle (7 sec, CPU 42%/25%)"},
        {TEngineActivity{false, true, true, true}, "STATUSNORMAL", "Kalvora is monitoring your system.",
         "monitoring"},
        {TEngineActivity{false, false, false, false}, "STATUSOFF", "Kalvora", "monitoring - no background activity"},
    };
    for (const Case& c : cases) {
        const TEngineStatusRow& row = EngineStatusRow(c.activity);
        EXPECT_STREQ(row.IconName, c.icon);
        EXPECT_STREQ(row.Hint, c.hint);
        EXPECT_EQ(EngineStatusLine(c.activity), c.line);
    }
}

TEST(EngineStatus, TheStatusIconShowsWhileWorkingOrByTheDisplaySettings)
{
    const TEngineStatusRow& idleRow = EngineStatusRow(TEngineActivity{});
    const TEngineStatusRow& workRow = EngineStatusRow(TEngineActivity{true});
    struct Case { bool programIcon, memoryIcon, cpu; bool idleShown; };
    const Case cases[] = {
        {false, true, false, false}, {true, true, false, true}, {false, false, false, true},
        {false, false, true, false}, {true, false, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusIconShown(idleRow, c.programIcon, c.memoryIcon, c.cpu), c.idleShown);
        EXPECT_TRUE(StatusIconShown(workRow, c.programIcon, c.memoryIcon, c.cpu));
    }
}

TEST(DateTime, TruncatesToTheMinuteAndAddsMinutes)
{
    const double start = DateTimeFromSystemTime(SYSTEMTIME{2026, 12, 4, 31, 23, 15, 40, 500});
    const double expected = DateTimeFromSystemTime(SYSTEMTIME{2027, 1, 5, 1, 0, 15, 0, 0});
    EXPECT_DOUBLE_EQ(TruncToMinute(start + MinutesToDays(60)), expected);  // across a year's end
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(SYSTEMTIME{1899, 12, 6, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(SYSTEMTIME{1900, 1, 1, 1, 12, 0, 0, 0}), 2.5);
}
