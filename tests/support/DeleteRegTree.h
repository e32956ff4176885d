#pragma once
// Removes a registry key with everything below it. RegDeleteTreeA is not
// used: Wine's version stops early when a longer value name follows a
// shorter one, and leaves half the values behind.
#include "toolkit/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

inline void DeleteRegTree(HKEY root, const std::string& subKey)
{
    toolkit::UniqueRegKey opened;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_ALL_ACCESS, opened.Put()) != ERROR_SUCCESS) return;
    HKEY key = opened.Get();
    std::vector<std::string> names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    for (const std::string& child : names) DeleteRegTree(key, child);
    names.clear();
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    for (const std::string& value : names) RegDeleteValueA(key, value.c_str());
    opened.Reset();
    RegDeleteKeyA(root, subKey.c_str());
}
