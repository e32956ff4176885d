#pragma once
// How the settings pages turn scroll positions into option values and back,
// and the texts they show beside them. Pure functions, but for the time
// text, which follows the user's regional settings.
#include <string>

// "intervall_scroll": positions 1..11 stand for 250 ms..60 s; below 1 gives
// the first step and above 11 the last.
int IntervalMsForPosition(int position);
// The position whose step a chart interval falls into (below 500 ms: 1).
int IntervalPositionForMs(int ms);
// "250 ms", "1 s", ...: the text of the position a chart interval falls into.
std::wstring IntervalText(int ms);

// "regular_adjust_scroll": positions 1..60 are minutes, the positions above
// are whole hours from 2 on (61: 2 hrs, 82: 23 hrs); 0 and below give 1 minute.
int RegularMinutesForPosition(int position);
int RegularPositionForMinutes(int minutes);
// "%1 hrs" from 60 minutes on (whole hours), "%1 min" below.
std::wstring RegularIntervalText(int minutes);

std::wstring StartupWaitText(int seconds);
std::wstring IdleTimeText(int seconds);
std::wstring IdleCpuText(int percent);

// The time of day of a date-time (days since 1899-12-30, local time) in the
// user's short time format.
std::wstring ShortTimeText(double dateTime);
// "Next Free up at <time>." for a scheduled regular free-up; empty otherwise.
std::wstring NextRegularText(bool regular, double when);
