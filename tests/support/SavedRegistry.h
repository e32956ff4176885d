#pragma once
// Guards for the few tests that must use a key or value the program itself
// uses (its options key, the autostart value): what was there when the guard
// began is put back exactly when it ends, also when the test fails half-way.
// Values keep their type and bytes; subkeys are kept with everything below.
#include "tests/support/DeleteRegTree.h"
#include "toolkit/Handles.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

struct RegValueCopy {
    std::string Name;
    DWORD Type = REG_NONE;
    std::string Data;
    bool operator==(const RegValueCopy&) const = default;
};

// A key with its values and subkeys, in enumeration order.
struct RegKeyCopy {
    std::string Name;
    std::vector<RegValueCopy> Values;
    std::vector<RegKeyCopy> Keys;
    bool operator==(const RegKeyCopy&) const = default;
};

namespace savedreg {

inline void CopyKey(HKEY key, RegKeyCopy& copy)
{
    DWORD subKeys = 0, longestKey = 0, values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &longestKey, nullptr, &values, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<char> name(std::max(longestName, longestKey) + 2);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        RegValueCopy value;
        if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &value.Type, data.data(), &dataLength) !=
            ERROR_SUCCESS)
            break;
        value.Name.assign(name.data(), nameLength);
        value.Data.assign(reinterpret_cast<const char*>(data.data()), dataLength);
        copy.Values.push_back(std::move(value));
    }
    for (DWORD i = 0; i < subKeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        RegKeyCopy child;
        child.Name.assign(name.data(), nameLength);
        toolkit::UniqueRegKey opened;
        if (RegOpenKeyExA(key, child.Name.c_str(), 0, KEY_READ, opened.Put()) == ERROR_SUCCESS)
            CopyKey(opened.Get(), child);
        copy.Keys.push_back(std::move(child));
    }
}

inline void WriteKey(HKEY parent, const RegKeyCopy& copy)
{
    toolkit::UniqueRegKey key;
    if (RegCreateKeyExA(parent, copy.Name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const RegValueCopy& value : copy.Values)
        RegSetValueExA(key.Get(), value.Name.c_str(), 0, value.Type, reinterpret_cast<const BYTE*>(value.Data.data()),
                       static_cast<DWORD>(value.Data.size()));
    for (const RegKeyCopy& child : copy.Keys) WriteKey(key.Get(), child);
}

}  // namespace savedreg

// What root\subKey holds now; false when the key does not exist.
inline bool ReadRegKeyCopy(HKEY root, const std::string& subKey, RegKeyCopy& copy)
{
    copy = RegKeyCopy{subKey, {}, {}};
    toolkit::UniqueRegKey key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return false;
    savedreg::CopyKey(key.Get(), copy);
    return true;
}

class SavedRegistryKey {
public:
    // When keys on the way to subKey are missing, the outermost of them is the
    // one kept absent, so that nothing the test creates stays behind.
    SavedRegistryKey(HKEY root, const std::string& subKey) : root_(root), subKey_(subKey)
    {
        for (size_t end = subKey.find('\\'); end != std::string::npos; end = subKey.find('\\', end + 1)) {
            toolkit::UniqueRegKey key;
            if (RegOpenKeyExA(root_, subKey.substr(0, end).c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
                subKey_ = subKey.substr(0, end);
                return;
            }
        }
        existed_ = ReadRegKeyCopy(root_, subKey_, copy_);
    }
    ~SavedRegistryKey() { Restore(); }
    SavedRegistryKey(const SavedRegistryKey&) = delete;
    SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;

    // The key as it was when the guard began, and only that.
    void Restore() const
    {
        DeleteRegTree(root_, subKey_);
        if (existed_) savedreg::WriteKey(root_, copy_);
    }

private:
    HKEY root_;
    std::string subKey_;
    bool existed_ = false;
    RegKeyCopy copy_;
};

class SavedRegistryValue {
public:
    SavedRegistryValue(HKEY root, std::string subKey, std::string name)
        : root_(root), subKey_(std::move(subKey)), name_(std::move(name))
    {
        toolkit::UniqueRegKey key;
        if (RegOpenKeyExA(root_, subKey_.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return;
        DWORD size = 0;
        if (RegQueryValueExA(key.Get(), name_.c_str(), nullptr, &type_, nullptr, &size) != ERROR_SUCCESS) return;
        std::vector<BYTE> data(size + 1);
        size = static_cast<DWORD>(data.size());
        if (RegQueryValueExA(key.Get(), name_.c_str(), nullptr, &type_, data.data(), &size) != ERROR_SUCCESS) return;
        data_.assign(reinterpret_cast<const char*>(data.data()), size);
        present_ = true;
    }
    ~SavedRegistryValue()
    {
        toolkit::UniqueRegKey key;
        if (present_) {
            if (RegCreateKeyExA(root_, subKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr) ==
                ERROR_SUCCESS)
                RegSetValueExA(key.Get(), name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(data_.data()),
                               static_cast<DWORD>(data_.size()));
        } else if (RegOpenKeyExA(root_, subKey_.c_str(), 0, KEY_SET_VALUE, key.Put()) == ERROR_SUCCESS) {
            RegDeleteValueA(key.Get(), name_.c_str());
        }
    }
    SavedRegistryValue(const SavedRegistryValue&) = delete;
    SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

private:
    HKEY root_;
    std::string subKey_;
    std::string name_;
    bool present_ = false;
    DWORD type_ = REG_NONE;
    std::string data_;
};
