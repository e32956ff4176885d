#include "engine/uDateTime.h"

#include <cmath>
#include <cstdint>

namespace {
// FILETIME ticks (100 ns since 1601-01-01) of the date-time origin 1899-12-30.
constexpr int64_t OriginTicks = 94353120000000000LL;
constexpr double TicksPerDay = 864000000000.0;
}  // namespace

double DateTimeFromSystemTime(const SYSTEMTIME& time)
{
    FILETIME file{};
    ::SystemTimeToFileTime(&time, &file);
    const int64_t ticks = (static_cast<int64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return static_cast<double>(ticks - OriginTicks) / TicksPerDay;
}

SYSTEMTIME SystemTimeFromDateTime(double dateTime)
{
    // Rounded to the millisecond, so that a value made from whole minutes
    // comes back as whole minutes.
    const int64_t ms = std::llround(dateTime * 86400000.0);
    const int64_t ticks = ms * 10000 + OriginTicks;
    FILETIME file{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME time{};
    ::FileTimeToSystemTime(&file, &time);
    return time;
}

double NowDateTime()
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return DateTimeFromSystemTime(now);
}

double MinutesToDays(int minutes) { return minutes / 1440.0; }

double TruncToMinute(double dateTime)
{
    SYSTEMTIME time = SystemTimeFromDateTime(dateTime);
    time.wSecond = 0;
    time.wMilliseconds = 0;
    return DateTimeFromSystemTime(time);
}
