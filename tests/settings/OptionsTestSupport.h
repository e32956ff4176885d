#pragma once
// What the options tests share: a machine size of their choosing, a registry
// key of their own, and the autostart value and CPU history put back as they
// were.
#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uRegistry.h"
#include "tests/settings/RegTestKey.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <string>

// Saving options writes or deletes the real autostart value: keep its state.
class RunValueGuard {
public:
    RunValueGuard()
    {
        toolkit::UniqueRegKey key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, RunSubKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return;
        char buffer[2048];
        DWORD size = sizeof(buffer);
        if (::RegQueryValueExA(key.Get(), AutostartValueName, nullptr, &type_, reinterpret_cast<BYTE*>(buffer),
                               &size) == ERROR_SUCCESS) {
            data_.assign(buffer, size);
            present_ = true;
        }
    }
    ~RunValueGuard()
    {
        toolkit::UniqueRegKey key;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, RunSubKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                              nullptr) != ERROR_SUCCESS)
            return;
        if (present_)
            ::RegSetValueExA(key.Get(), AutostartValueName, 0, type_, reinterpret_cast<const BYTE*>(data_.data()),
                             static_cast<DWORD>(data_.size()));
        else
            ::RegDeleteValueA(key.Get(), AutostartValueName);
    }
    RunValueGuard(const RunValueGuard&) = delete;
    RunValueGuard& operator=(const RunValueGuard&) = delete;

    static constexpr const char* RunSubKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

private:
    bool present_ = false;
    DWORD type_ = REG_SZ;
    std::string data_;
};

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TotalPhysMB = 1024;
        CpuHistory.reset();
    }
    void TearDown() override
    {
        TotalPhysMB = savedTotal_;
        CpuHistory.reset();
    }

    // Stored values are read only once "Use Defaults" says so.
    void StoreNotFirstStart() const { WriteRegBool(path, "Use Defaults", false); }

    RunValueGuard runValue;  // declared first: restored after every options object is gone
    RegTestKey key{"Software\\KalvoraTests\\Options"};
    const std::string path = key.Path();

private:
    const int savedTotal_ = TotalPhysMB;
};
