#pragma once
// A registry key of the tests' own under HKEY_CURRENT_USER, removed with
// everything below it before and after each use.
#include "tests/support/DeleteRegTree.h"

#include <windows.h>

#include <string>

class RegTestKey {
public:
    explicit RegTestKey(const std::string& subKey) : subKey_(subKey) { Remove(); }
    ~RegTestKey() { Remove(); }
    RegTestKey(const RegTestKey&) = delete;
    RegTestKey& operator=(const RegTestKey&) = delete;

    // The full path as the program's registry functions take it.
    std::string Path() const { return "HKEY_CURRENT_USER\\" + subKey_; }
    const std::string& SubKey() const { return subKey_; }
    void Remove() const { DeleteRegTree(HKEY_CURRENT_USER, subKey_); }

private:
    std::string subKey_;
};
