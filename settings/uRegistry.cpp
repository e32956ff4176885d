#include "settings/uRegistry.h"

#include "toolkit/Error.h"
#include "toolkit/Handles.h"

#include <cstring>

using toolkit::UniqueRegKey;

namespace {

struct RootName {
    const char* Name;
    HKEY Key;
};

// Matched in this order after upper-casing the first path component.
const RootName RootNames[] = {
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER}, {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}, {"HKEY_DYN_DATA", HKEY_DYN_DATA},
    {"HKEY_USERS", HKEY_USERS},               {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

// Text read back through a buffer of this many bytes (500 characters and the
// terminating zero); value names in enumeration likewise.
constexpr DWORD TextBufferSize = MaxRegText + 1;

std::string UpperCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

UniqueRegKey OpenKey(const std::string& path, REGSAM access)
{
    const TRegPath where = SplitRegPath(path);
    UniqueRegKey key;
    if (::RegOpenKeyExA(where.Root, where.SubKey.c_str(), 0, access, key.Put()) != ERROR_SUCCESS) key.Release();
    return key;
}

UniqueRegKey CreateKey(const std::string& path)
{
    const TRegPath where = SplitRegPath(path);
    UniqueRegKey key;
    if (::RegCreateKeyExA(where.Root, where.SubKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, key.Put(), nullptr) != ERROR_SUCCESS) {
        key.Release();  // never opened: nothing to close
        throw toolkit::Error("Cannot create Key: " + path);
    }
    return key;
}

void SetValue(const std::string& path, const std::string& name, DWORD type, const BYTE* data, DWORD size)
{
    UniqueRegKey key = CreateKey(path);
    if (::RegSetValueExA(key.Get(), name.c_str(), 0, type, data, size) != ERROR_SUCCESS)
        throw toolkit::Error("Cannot create Entry: " + name + " in Key: " + path);
}

}  // namespace

TRegPath SplitRegPath(const std::string& path)
{
    const size_t slash = path.find('\\');
    const std::string root = UpperCase(path.substr(0, slash));
    for (const RootName& candidate : RootNames)
        if (root == candidate.Name)
            return {candidate.Key, slash == std::string::npos ? std::string() : path.substr(slash + 1)};
    throw toolkit::Error("Unknown Root Registry Key: " + root);
}

int ReadRegInteger(const std::string& path, const std::string& name, int defaultValue)
{
    UniqueRegKey key = OpenKey(path, KEY_QUERY_VALUE);
    if (!key) return defaultValue;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
        ERROR_SUCCESS)
        return defaultValue;
    // A REG_DWORD shorter than four bytes would leave part of the number unset.
    if (type != REG_DWORD || size != sizeof(data)) return defaultValue;
    return static_cast<int>(data);
}

void WriteRegInteger(const std::string& path, const std::string& name, int value)
{
    const DWORD data = static_cast<DWORD>(value);
    SetValue(path, name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

bool ReadRegBool(const std::string& path, const std::string& name, bool defaultValue)
{
    switch (ReadRegInteger(path, name, -1)) {
    case 1: return true;
    case 0: return false;
    default: return defaultValue;
    }
}

void WriteRegBool(const std::string& path, const std::string& name, bool value)
{
    WriteRegInteger(path, name, value ? 1 : 0);
}

std::string ReadRegString(const std::string& path, const std::string& name, const std::string& defaultValue)
{
    UniqueRegKey key = OpenKey(path, KEY_QUERY_VALUE);
    if (!key) return defaultValue;
    char buffer[TextBufferSize];
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return defaultValue;
    // Stored data need not end with a zero: never read past what came back.
    const size_t length = strnlen(buffer, size);
    if (length > MaxRegText) return defaultValue;
    return std::string(buffer, length);
}

void WriteRegString(const std::string& path, const std::string& name, const std::string& text)
{
    SetValue(path, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

void DeleteRegValue(const std::string& path, const std::string& name)
{
    UniqueRegKey key = OpenKey(path, KEY_SET_VALUE);
    if (key) ::RegDeleteValueA(key.Get(), name.c_str());
}

void DeleteRegKey(const std::string& path)
{
    const TRegPath where = SplitRegPath(path);
    if (where.SubKey.empty()) return;  // a root key is not ours to delete
    ::RegDeleteKeyA(where.Root, where.SubKey.c_str());
}

std::vector<std::string> ListRegValueNames(const std::string& path)
{
    std::vector<std::string> names;
    UniqueRegKey key = OpenKey(path, KEY_QUERY_VALUE);
    if (!key) return names;
    for (DWORD index = 0;; ++index) {
        char name[TextBufferSize];
        DWORD length = sizeof(name);
        const LONG result = ::RegEnumValueA(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer is skipped rather than ending the
        // list, so the names after it are not lost.
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

bool RegKeyExists(const std::string& path)
{
    return static_cast<bool>(OpenKey(path, KEY_QUERY_VALUE));
}
