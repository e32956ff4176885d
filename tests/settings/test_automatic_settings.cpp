#include "tests/settings/OptionsTestSupport.h"

#include <vector>

namespace {

using Id = TOptionId;

// What the automatic settings give on machines of 1024, 1000 and 7 MB.
struct AutomaticCase {
    Id id;
    int at1024, at1000, at7;
};
const AutomaticCase AutomaticCases[] = {
    {Id::Startup, 1, 1, 1},
    {Id::StartupIdlePercent, 25, 25, 25},
    {Id::StartupIdleSeconds, 60, 60, 60},
    {Id::StartupIdleEnforce, 1, 1, 1},
    {Id::StartupFreeUpMB, 512, 500, 3},
    {Id::StartupWait, 5, 5, 5},
    {Id::Regular, 1, 1, 1},
    {Id::RegularIdlePercent, 25, 25, 25},
    {Id::RegularIdleSeconds, 60, 60, 60},
    {Id::RegularIdleEnforce, 0, 0, 0},
    {Id::RegularFreeUpMB, 512, 500, 3},
    {Id::RegularInterval, 60, 60, 60},
    {Id::Critical, 1, 1, 1},
    {Id::CriticalIdlePercent, 50, 50, 50},
    {Id::CriticalIdleSeconds, 10, 10, 10},
    {Id::CriticalIdleEnforce, 1, 1, 1},
    {Id::CriticalFreeUpMB, 614, 600, 4},
    {Id::CriticalTriggerMB, 819, 800, 5},
    {Id::Amount1, 512, 500, 3},
    {Id::Amount2, 409, 400, 2},
    {Id::Amount3, 204, 200, 1},
    {Id::BackgroundActivity, 1, 1, 1},
    {Id::MemoryIcon, 1, 1, 1},
    {Id::ChartInterval, 1000, 1000, 1000},
    {Id::Manual, 512, 500, 3},
    {Id::CPUMonitoring, 0, 0, 0},
    {Id::CPUIconStyle, 2, 2, 2},
    {Id::MemoryIconStyle, 2, 2, 2},
    {Id::ProgramIcon, 0, 0, 0},
};

using AutomaticSettings = OptionsTest;

TEST_F(AutomaticSettings, FollowTheMemorySizeWhateverWasSetBefore)
{
    struct Machine { int total; int AutomaticCase::*value; };
    const Machine machines[] = {{1024, &AutomaticCase::at1024}, {1000, &AutomaticCase::at1000}, {7, &AutomaticCase::at7}};
    // The critical pair from either end: both at the bottom, both at the top.
    for (const Machine& machine : machines) {
        for (int pairStart : {1, machine.total}) {
            TotalPhysMB = machine.total;
            key.Remove();
            StoreNotFirstStart();
            WriteRegInteger(path, "CriticalFreeUpMB", pairStart);
            WriteRegInteger(path, "CriticalTriggerMB", pairStart);
            WriteRegInteger(path, "ProgramIcon", 1);
            WriteRegInteger(path, "CPU Monitoring", 1);
            WriteRegInteger(path, "RegularIdleEnforce", 1);
            TKalvoraOptions options(path);
            options.ApplyAutomaticSettings();
            for (const AutomaticCase& c : AutomaticCases)
                EXPECT_EQ(options.Value(c.id), c.*machine.value)
                    << "option " << static_cast<int>(c.id) << ", total " << machine.total << ", pair from " << pairStart;
        }
    }
}

TEST_F(AutomaticSettings, LeaveIdleSwitchesHotkeysSkinEntriesAndNextTimeAlone)
{
    StoreNotFirstStart();
    TKalvoraOptions options(path);
    options.SetCriticalIdle(true);
    options.SetRegularIdle(false);
    options.SetStartupIdle(true);
    options.SetHotkey1(0x4041);
    options.SetHotkey2(0);
    options.SetHotkey3(0x2070);
    options.SetSkin("C:\\Skins\\blue.skn");
    options.SetNextRegularTime(45000.5);
    auto entry = std::make_unique<TFreeAndRunItem>();
    entry->Name = "kept";
    options.AddFreeAndRunItem(std::move(entry));

    options.ApplyAutomaticSettings();
    EXPECT_TRUE(options.CriticalIdle());
    EXPECT_FALSE(options.RegularIdle());
    EXPECT_TRUE(options.StartupIdle());
    EXPECT_EQ(options.Hotkey1(), 0x4041);
    EXPECT_EQ(options.Hotkey2(), 0);
    EXPECT_EQ(options.Hotkey3(), 0x2070);
    EXPECT_EQ(options.Skin(), "C:\\Skins\\blue.skn");
    EXPECT_EQ(options.NextRegularTime(), 45000.5);
    ASSERT_EQ(options.FreeAndRunList().Count(), 1);
    EXPECT_EQ(options.FreeAndRunList().Item(0).Name, "kept");
    EXPECT_EQ(ReadRegInteger(path, "Use Defaults", -1), 0) << "the flag in the registry is not touched";
}

}  // namespace
