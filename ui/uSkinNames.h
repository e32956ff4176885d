#pragma once
// The names of the skin elements the program knows, with their numeric IDs.
// The IDs are the program's vocabulary for pages, actions and values, and
// they number the help file's popup texts as well.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct TSkinID {
    std::wstring_view Name;
    int32_t ID;
};

// 94 names and a last row with an empty name and ID 0.
extern const std::array<TSkinID, 95> SkinNames;

// ID of the first row with exactly this name (case counts); 0 when none.
int32_t SkinNameToID(std::wstring_view name);
// Name of the first row with this ID; empty when none.
std::wstring SkinIDToName(int32_t id);
