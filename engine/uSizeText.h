#pragma once
// Sizes in MB as the user reads them: "999 MB", "1.50 GB", "10 GB".
#include <string>

// low is tested first, so with low > high a value below low gives low.
int ClampInt(int value, int low, int high);

// With the user's regional decimal separator.
std::string SizeText(int mb);
// The same with a given decimal separator.
std::string SizeTextWith(int mb, const std::string& decimalSeparator);
// What a stored free-up level frees: the total minus the level, 1 MB at least.
std::string FreeUpSizeText(int storedLevel);
// The user's decimal separator, read from the locale ("." when unreadable).
std::string UserDecimalSeparator();
