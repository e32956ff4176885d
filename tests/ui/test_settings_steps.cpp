// How the settings pages turn scroll positions into option values and back,
// and the texts beside them: the chart interval steps, the regular interval
// in minutes and hours, the filled-in labels, and the time of the next
// regular free-up in the user's own short time format.
#include "ui/uSettingsSteps.h"

#include "tests/support/SavedLocaleInfo.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <limits>
#include <string>

namespace {

struct IntervalStep {
    int position;
    int ms;
    const wchar_t* text;
};

const IntervalStep kIntervalSteps[] = {
    {1, 250, L"250 ms"},   {2, 500, L"500 ms"},   {3, 1000, L"1 s"},     {4, 2000, L"2 s"},
    {5, 3000, L"3 s"},     {6, 5000, L"5 s"},     {7, 10000, L"10 s"},   {8, 20000, L"20 s"},
    {9, 30000, L"30 s"},   {10, 45000, L"45 s"},  {11, 60000, L"60 s"},
};

// A date-time in days since 1899-12-30 for a time of day.
double At(int days, int hour, int minute, int second = 0)
{
    return days + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

}  // namespace

TEST(IntervalSteps, EachPositionHasItsStepAndTheStepLeadsBack)
{
    for (const IntervalStep& step : kIntervalSteps) {
        SCOPED_TRACE(step.position);
        EXPECT_EQ(IntervalMsForPosition(step.position), step.ms);
        EXPECT_EQ(IntervalPositionForMs(step.ms), step.position);
        EXPECT_EQ(IntervalText(step.ms), step.text);
    }
}

TEST(IntervalSteps, PositionsOutsideTheBarGiveTheNearestEnd)
{
    const std::pair<int, int> cases[] = {{0, 250}, {-1, 250}, {INT_MIN, 250}, {12, 60000}, {1000, 60000}, {INT_MAX, 60000}};
    for (const auto& [position, ms] : cases) {
        SCOPED_TRACE(position);
        EXPECT_EQ(IntervalMsForPosition(position), ms);
    }
}

TEST(IntervalSteps, AnIntervalBetweenStepsShowsTheStepBelowIt)
{
    struct Case {
        int ms;
        int position;
        const wchar_t* text;
    };
    const Case cases[] = {
        {INT_MIN, 1, L"250 ms"}, {0, 1, L"250 ms"},     {499, 1, L"250 ms"}, {999, 2, L"500 ms"},
        {1999, 3, L"1 s"},       {2999, 4, L"2 s"},     {4999, 5, L"3 s"},   {7000, 6, L"5 s"},
        {9999, 6, L"5 s"},       {19999, 7, L"10 s"},   {29999, 8, L"20 s"}, {44999, 9, L"30 s"},
        {59999, 10, L"45 s"},    {60001, 11, L"60 s"},  {INT_MAX, 11, L"60 s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ms);
        EXPECT_EQ(IntervalPositionForMs(c.ms), c.position);
        EXPECT_EQ(IntervalText(c.ms), c.text);
    }
}

TEST(RegularIntervalSteps, PositionsAreMinutesUpToAnHourAndWholeHoursAbove)
{
    struct Case {
        int position;
        int minutes;
        const wchar_t* text;
    };
    const Case cases[] = {
        {INT_MIN, 1, L"1 min"}, {-5, 1, L"1 min"},     {0, 1, L"1 min"},      {1, 1, L"1 min"},
        {45, 45, L"45 min"},    {59, 59, L"59 min"},   {60, 60, L"1 hrs"},    {61, 120, L"2 hrs"},
        {62, 180, L"3 hrs"},    {82, 1380, L"23 hrs"}, {83, 1440, L"24 hrs"}, {86, 1620, L"27 hrs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        EXPECT_EQ(RegularMinutesForPosition(c.position), c.minutes);
        EXPECT_EQ(RegularIntervalText(RegularMinutesForPosition(c.position)), c.text);
    }
    // A skin may hand any position; the minutes never wrap round.
    EXPECT_EQ(RegularMinutesForPosition(INT_MAX), INT_MAX);
    EXPECT_GT(RegularMinutesForPosition(INT_MAX / 60 + 60), 0);
}

TEST(RegularIntervalSteps, MinutesLeadBackToTheirPosition)
{
    const std::pair<int, int> cases[] = {
        {1, 1},     {45, 45},   {59, 59},   {60, 60},   {61, 60},   {119, 60},
        {120, 61},  {179, 61},  {180, 62},  {1380, 82}, {1439, 82}, {1440, 83},
    };
    for (const auto& [minutes, position] : cases) {
        SCOPED_TRACE(minutes);
        EXPECT_EQ(RegularPositionForMinutes(minutes), position);
    }
    // Every position of the bar that a user reaches gives minutes that lead
    // back to it (1..60 and the hours from 2 on).
    for (int position = 1; position <= 82; ++position) {
        SCOPED_TRACE(position);
        EXPECT_EQ(RegularPositionForMinutes(RegularMinutesForPosition(position)), position);
    }
}

TEST(RegularIntervalSteps, TextsBelowAnHourAreMinutesAndAboveAreWholeHours)
{
    const std::pair<int, const wchar_t*> cases[] = {
        {1, L"1 min"}, {59, L"59 min"}, {60, L"1 hrs"}, {119, L"1 hrs"}, {150, L"2 hrs"}, {1440, L"24 hrs"},
    };
    for (const auto& [minutes, text] : cases) {
        SCOPED_TRACE(minutes);
        EXPECT_EQ(RegularIntervalText(minutes), text);
    }
}

TEST(SettingsTexts, NumbersAreFilledInPlainDecimal)
{
    EXPECT_EQ(StartupWaitText(0), L"0 sec");
    EXPECT_EQ(StartupWaitText(120), L"120 sec");
    EXPECT_EQ(IdleTimeText(1), L"Idle search time: 1 s");
    EXPECT_EQ(IdleTimeText(60), L"Idle search time: 60 s");
    EXPECT_EQ(IdleCpuText(25), L"Allowed CPU usage: 25%");
    EXPECT_EQ(IdleCpuText(100), L"Allowed CPU usage: 100%");
    EXPECT_EQ(IdleCpuText(-3), L"Allowed CPU usage: -3%");
}

// ---- the time of the next regular free-up

class ShortTimeTest : public ::testing::Test {
protected:
    // The user's time format for the test; the real one comes back. Where
    // the system keeps a short time format of its own, that one is set;
    // elsewhere (Wine) the long one, whose seconds the short form drops.
    bool UseFormat(const char* shortFormat, const char* longFormat)
    {
        const bool set = savedShort_.Saved()
                             ? ::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTTIME, shortFormat) != 0
                             : savedLong_.Saved() && ::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, longFormat) != 0;
        // Some systems (Wine) answer a short format that does not follow
        // the user's changes: there the test cannot say what to expect.
        char now[80] = {};
        if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTTIME, now, sizeof(now)) > 1 && std::strcmp(now, shortFormat) != 0)
            return false;
        wchar_t wide[80] = {};
        wchar_t wanted[80] = {};
        for (size_t i = 0; shortFormat[i] && i + 1 < std::size(wanted); ++i) wanted[i] = static_cast<wchar_t>(shortFormat[i]);
        if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTTIME, wide, 80) > 1 && std::wcscmp(wide, wanted) != 0)
            return false;
        return set;
    }
    const SavedLocaleInfo savedShort_{LOCALE_SSHORTTIME};
    const SavedLocaleInfo savedLong_{LOCALE_STIMEFORMAT};
};

TEST_F(ShortTimeTest, TheTimeOfDayIsWrittenInTheUsersShortFormat)
{
    struct Case {
        const char* shortFormat;
        const char* longFormat;
        double when;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"HH:mm", "HH:mm:ss", At(46000, 9, 5), L"09:05"},
        {"HH:mm", "HH:mm:ss", At(46000, 23, 59, 59), L"23:59"},
        {"H.mm", "H.mm.ss", At(46000, 7, 30), L"7.30"},
        {"h:mm tt", "h:mm:ss tt", At(46000, 15, 45), L"3:45 PM"},
        {"h:mm tt", "h:mm:ss tt", At(46000, 0, 10), L"12:10 AM"},
        // Only the time counts, whatever the day.
        {"HH:mm", "HH:mm:ss", At(0, 6, 15), L"06:15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shortFormat);
        if (!UseFormat(c.shortFormat, c.longFormat)) GTEST_SKIP() << "the time format cannot be changed here, or does not follow the change";
        EXPECT_EQ(ShortTimeText(c.when), c.text);
    }
}

TEST_F(ShortTimeTest, TheNextFreeUpIsAnnouncedOnlyWhileRegularFreeUpsAreOn)
{
    if (!UseFormat("HH:mm", "HH:mm:ss")) GTEST_SKIP() << "the time format cannot be changed here, or does not follow the change";
    EXPECT_EQ(NextRegularText(true, At(46000, 18, 20)), L"Next Free up at 18:20.");
    EXPECT_EQ(NextRegularText(false, At(46000, 18, 20)), L"");
    // The format changes with the user's settings, not once for all.
    if (!UseFormat("H.mm", "H.mm.ss")) GTEST_SKIP() << "the time format does not follow the change";
    EXPECT_EQ(NextRegularText(true, At(46000, 8, 5)), L"Next Free up at 8.05.");
}

TEST(ShortTime, DateTimesTheClockNeverShowsGiveMidnight)
{
    // Midnight in whatever format the user has.
    const std::wstring midnight = ShortTimeText(At(46000, 0, 0));
    ASSERT_FALSE(midnight.empty());
    EXPECT_TRUE(midnight.find(L"00") != std::wstring::npos || midnight.find(L"12") != std::wstring::npos) << midnight;
    EXPECT_NE(midnight, ShortTimeText(At(46000, 0, 1)));
    // Rounding up to the next midnight is midnight.
    const double cases[] = {
        0.0,
        At(46000, 23, 59, 59) + 0.9999 / 86400.0,
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        1e300,
    };
    for (double when : cases) {
        SCOPED_TRACE(when);
        EXPECT_EQ(ShortTimeText(when), midnight);
    }
}

TEST(ShortTime, TheTimeOfDayIsRightInWhateverFormatTheUserHas)
{
    // Minutes always show as two digits; the hour in either clock.
    struct Case {
        double when;
        const wchar_t* minutes;
        const wchar_t* hour24;
        const wchar_t* hour12;
    };
    const Case cases[] = {
        {At(46000, 18, 47), L"47", L"18", L"6"},
        {At(46000, 9, 5), L"05", L"9", L"9"},
        {At(46000, 23, 59, 59), L"59", L"23", L"11"},
        {At(46001, 13, 31), L"31", L"13", L"1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        const std::wstring text = ShortTimeText(c.when);
        EXPECT_NE(text.find(c.minutes), std::wstring::npos) << text;
        EXPECT_TRUE(text.find(c.hour24) != std::wstring::npos || text.find(c.hour12) != std::wstring::npos) << text;
    }
    // Midnight and noon differ, whatever the clock.
    EXPECT_NE(ShortTimeText(At(46000, 0, 0)), ShortTimeText(At(46000, 12, 0)));
    // The seconds never show: two times a few seconds apart read the same.
    EXPECT_EQ(ShortTimeText(At(46000, 10, 20, 1)), ShortTimeText(At(46000, 10, 20, 58)));
}
