#pragma once
// What the options tests share: a machine size of their choosing, a registry
// key of their own, and the autostart value and CPU history put back as they
// were.
#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uRegistry.h"
#include "tests/settings/RegTestKey.h"
#include "tests/support/SavedRegistry.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <string>

// Saving options writes or deletes the real autostart value: keep its state.
class RunValueGuard : public SavedRegistryValue {
public:
    RunValueGuard() : SavedRegistryValue(HKEY_CURRENT_USER, RunSubKey, AutostartValueName) {}

    static constexpr const char* RunSubKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
};

// The program's own options key, for the tests that must use it: what the
// user has there comes back when the guard ends.
class OptionsKeyGuard : public SavedRegistryKey {
public:
    OptionsKeyGuard() : SavedRegistryKey(HKEY_CURRENT_USER, OptionsSubKey) {}

    static constexpr const char* OptionsSubKey = "Software\\Orlandek\\Kalvora Professional 5";
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
