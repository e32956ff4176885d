#pragma once
// Date-times as the scheduler keeps them: days since 1899-12-30 with the time
// of day as the fraction, in local time.
#include <windows.h>

double DateTimeFromSystemTime(const SYSTEMTIME& time);
SYSTEMTIME SystemTimeFromDateTime(double dateTime);
double NowDateTime();  // local time

double MinutesToDays(int minutes);
// The same date, hour and minute; seconds and milliseconds dropped.
double TruncToMinute(double dateTime);
