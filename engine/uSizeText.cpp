#include "engine/uSizeText.h"

#include "engine/uMemoryFigures.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

int ClampInt(int value, int low, int high)
{
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

std::string UserDecimalSeparator()
{
    char separator[8] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof(separator)) <= 1)
        return ".";
    return separator;
}

std::string SizeTextWith(int mb, const std::string& decimalSeparator)
{
    if (mb < 1000) return std::to_string(mb) + " MB";
    char text[64];
    const double gb = mb / 1024.0;
    if (mb < 10000) {
        std::snprintf(text, sizeof(text), "%.2f", gb);
        std::string result = text;
        result.replace(result.find('.'), 1, decimalSeparator);
        return result + " GB";
    }
    std::snprintf(text, sizeof(text), "%.0f GB", gb);
    return text;
}

std::string SizeText(int mb) { return SizeTextWith(mb, UserDecimalSeparator()); }

std::string FreeUpSizeText(int storedLevel)
{
    // In 64 bits: a stored level far below zero must not overflow.
    const int64_t mb = int64_t{TotalPhysMB} - storedLevel;
    return SizeText(mb < 1 ? 1 : mb > TotalPhysMB ? TotalPhysMB : static_cast<int>(mb));
}
