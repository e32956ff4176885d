#pragma once
// Registry values addressed by one full path string, root spelled out:
// "HKEY_CURRENT_USER\Software\Orlandek\Kalvora Professional 5". Every call
// opens the key, does one thing and closes it again; nothing is cached.
//
// Only REG_DWORD (integers, booleans 0/1) and REG_SZ (text) are written or
// accepted. Reads never fail: a missing key or value, a wrong type or size, or
// a text longer than 500 characters gives the default. Writes create every
// missing key on the way and raise toolkit::Error when the registry refuses.
// A root name that is not one of the six raises toolkit::Error everywhere.
#include <windows.h>

#include <string>
#include <vector>

struct TRegPath {
    HKEY Root;
    std::string SubKey;  // empty: the root key itself
};

// Longest text a read returns; longer ones read as the default.
constexpr size_t MaxRegText = 500;

TRegPath SplitRegPath(const std::string& path);

int ReadRegInteger(const std::string& path, const std::string& name, int defaultValue);
void WriteRegInteger(const std::string& path, const std::string& name, int value);
bool ReadRegBool(const std::string& path, const std::string& name, bool defaultValue);
void WriteRegBool(const std::string& path, const std::string& name, bool value);
std::string ReadRegString(const std::string& path, const std::string& name, const std::string& defaultValue);
void WriteRegString(const std::string& path, const std::string& name, const std::string& text);

// Missing keys and values are no error; nothing is reported.
void DeleteRegValue(const std::string& path, const std::string& name);
// Only a key without subkeys can go; a root key is never deleted.
void DeleteRegKey(const std::string& path);

// Value names in enumeration order; empty when the key cannot be opened.
std::vector<std::string> ListRegValueNames(const std::string& path);
bool RegKeyExists(const std::string& path);
