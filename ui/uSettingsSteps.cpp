#include "ui/uSettingsSteps.h"

#include <windows.h>

#include <array>
#include <climits>
#include <cmath>

#include "ui/uSkinTranslate.h"

namespace {

struct TIntervalStep {
    int Ms;
    const wchar_t* Text;
};

// By position, from 1.
constexpr std::array<TIntervalStep, 11> IntervalSteps{{
    {250, L"250 ms"},
    {500, L"500 ms"},
    {1000, L"1 s"},
    {2000, L"2 s"},
    {3000, L"3 s"},
    {5000, L"5 s"},
    {10000, L"10 s"},
    {20000, L"20 s"},
    {30000, L"30 s"},
    {45000, L"45 s"},
    {60000, L"60 s"},
}};
constexpr int IntervalPositions = static_cast<int>(IntervalSteps.size());

// Up to 60 the position is the minutes; the hours start at 2 (position 61).
constexpr int LastMinutePosition = 60;
constexpr int HourPositionOffset = 59;

std::wstring Filled(const wchar_t* pattern, int number) { return FillPlaceholder(pattern, std::to_wstring(number)); }

}  // namespace

int IntervalMsForPosition(int position)
{
    if (position < 1) position = 1;
    if (position > IntervalPositions) position = IntervalPositions;
    return IntervalSteps[static_cast<size_t>(position - 1)].Ms;
}

int IntervalPositionForMs(int ms)
{
    // The first step whose successor is above ms.
    for (int position = 1; position < IntervalPositions; ++position)
        if (ms < IntervalSteps[static_cast<size_t>(position)].Ms) return position;
    return IntervalPositions;
}

std::wstring IntervalText(int ms) { return IntervalSteps[static_cast<size_t>(IntervalPositionForMs(ms) - 1)].Text; }

int RegularMinutesForPosition(int position)
{
    if (position <= 0) return 1;
    if (position <= LastMinutePosition) return position;
    // 64 bits: a skin may hand any position; the option's setter clamps.
    const long long minutes = 60LL * (static_cast<long long>(position) - HourPositionOffset);
    return minutes > INT_MAX ? INT_MAX : static_cast<int>(minutes);
}

int RegularPositionForMinutes(int minutes)
{
    return minutes > LastMinutePosition ? minutes / 60 + HourPositionOffset : minutes;
}

std::wstring RegularIntervalText(int minutes)
{
    return minutes >= 60 ? Filled(L"%1 hrs", minutes / 60) : Filled(L"%1 min", minutes);
}

std::wstring StartupWaitText(int seconds) { return Filled(L"%1 sec", seconds); }
std::wstring IdleTimeText(int seconds) { return Filled(IdleTimeTextTemplate, seconds); }
std::wstring IdleCpuText(int percent) { return Filled(IdleCpuTextTemplate, percent); }

std::wstring ShortTimeText(double dateTime)
{
    // Only the time of day counts; any value gives one, also one the clock
    // never reaches.
    double days = std::isfinite(dateTime) ? dateTime : 0.0;
    long long ms = std::llround((days - std::floor(days)) * 86400000.0);
    if (ms < 0 || ms >= 86400000LL) ms = 0;
    SYSTEMTIME time{};
    time.wYear = 2000;
    time.wMonth = 1;
    time.wDay = 1;
    time.wHour = static_cast<WORD>(ms / 3600000);
    time.wMinute = static_cast<WORD>(ms / 60000 % 60);
    time.wSecond = static_cast<WORD>(ms / 1000 % 60);

    wchar_t text[128] = {};
    // The user's short time format; systems without one drop the seconds
    // of the long format instead. Each read anew: the user may change them
    // while the program runs.
    wchar_t format[80] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTTIME, format, 80) > 1 &&
        ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, format, text, 128) > 0)
        return text;
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, format, 80) > 1 &&
        ::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, format, text, 128) > 0)
        return text;
    if (::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, text, 128) > 0) return text;
    return std::wstring();
}

std::wstring NextRegularText(bool regular, double when)
{
    if (!regular) return std::wstring();
    return FillPlaceholder(L"Next Free up at %1.", ShortTimeText(when));
}
