#pragma once
// The English texts the program writes into a freshly loaded skin.
#include <string>
#include <vector>

#include "skin/SkinInterfaces.h"

// Templates of the idle option texts; "%1" is the number.
inline constexpr wchar_t IdleCpuTextTemplate[] = L"Allowed CPU usage: %1%";
inline constexpr wchar_t IdleTimeTextTemplate[] = L"Idle search time: %1 s";
inline constexpr wchar_t DistributorCredit[] = L"Distributed by Orlandek Software";

// The text the program writes into each element after loading, in the
// order it writes them.
struct TElementText {
    std::wstring Element;
    bool Button;  // a button's caption, else a static's text
    std::wstring Text;
};
std::vector<TElementText> ElementTextTable();

// Every "%1" in text replaced by value.
std::wstring FillPlaceholder(std::wstring text, const std::wstring& value);

// Writes every text into its element; an element the skin lacks, or one of
// another kind, is skipped without a word.
void ApplyElementTexts(skin::ISkinObject* root);
