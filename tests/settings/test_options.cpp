#include "tests/settings/OptionsTestSupport.h"

#include "settings/uKalvoraOptionsInit.h"
#include "settings/uProgramFiles.h"
#include "toolkit/DebugOut.h"
#include "toolkit/Error.h"

#include <climits>
#include <fstream>
#include <mutex>
#include <vector>

namespace {

using Id = TOptionId;

// One row per stored option, at TotalPhysMB = 1024: what loads when the value
// is missing, and what a stored low, high and ordinary value turn into.
// A value stored with the wrong type always loads as "missing" does.
struct LoadCase {
    Id id;
    const char* name;
    bool isBool;
    int missing;
    int low, lowLoaded;
    int high, highLoaded;
    int valid;
};
const LoadCase LoadCases[] = {
    {Id::CPUMonitoring, "CPU Monitoring", true, 0, 2, 0, -1, 0, 1},
    {Id::ChartInterval, "Chart Interval", false, 2000, 100, 250, 70000, 60000, 1234},
    {Id::Manual, "Manual", false, 1, 0, 1, 5000, 1024, 700},
    {Id::MemoryIcon, "MemoryIcon", true, 1, 2, 1, -1, 1, 0},
    {Id::MemoryIconStyle, "MemoryIconStyle", false, 1, 0, 1, 4, 3, 3},
    {Id::CPUIconStyle, "CPUIconStyle", false, 1, -1, 1, 99, 3, 2},
    {Id::ProgramIcon, "ProgramIcon", true, 0, 2, 0, -1, 0, 1},
    {Id::CriticalIdle, "CriticalIdle", true, 1, 2, 1, -1, 1, 0},
    {Id::CriticalIdlePercent, "CriticalIdlePercent", false, 50, 0, 1, 101, 100, 75},
    {Id::CriticalIdleEnforce, "CriticalIdleEnforce", true, 1, 2, 1, -1, 1, 0},
    {Id::CriticalIdleSeconds, "CriticalIdleSeconds", false, 10, -3, 1, 61, 60, 30},
    {Id::CriticalFreeUpMB, "CriticalFreeUpMB", false, 102, -5, 1, 5000, 1024, 300},
    {Id::CriticalTriggerMB, "CriticalTriggerMB", false, 918, INT_MIN, 1, INT_MAX, 1024, 700},
    {Id::Critical, "Critical", true, 1, 2, 1, -1, 1, 0},
    {Id::RegularInterval, "RegularInterval", false, 1440, 0, 1, 1800, 1440, 90},
    {Id::RegularIdle, "RegularIdle", true, 1, 2, 1, -1, 1, 0},
    {Id::RegularIdlePercent, "RegularIdlePercent", false, 25, 0, 1, 500, 100, 10},
    {Id::RegularIdleEnforce, "RegularIdleEnforce", true, 0, 2, 0, -1, 0, 1},
    {Id::RegularIdleSeconds, "RegularIdleSeconds", false, 60, 0, 1, 61, 60, 5},
    {Id::RegularFreeUpMB, "RegularFreeUpMB", false, 512, -5, -5, 999999, 999999, 100},  // never clamped
    {Id::Regular, "Regular", true, 1, 2, 1, -1, 1, 0},
    {Id::StartupIdle, "StartupIdle", true, 1, 2, 1, -1, 1, 0},
    {Id::StartupIdlePercent, "StartupIdlePercent", false, 25, -1, 1, 101, 100, 40},
    {Id::StartupIdleEnforce, "StartupIdleEnforce", true, 0, 2, 0, -1, 0, 1},
    {Id::StartupIdleSeconds, "StartupIdleSeconds", false, 60, 0, 1, 3600, 60, 15},
    {Id::StartupFreeUpMB, "StartupFreeUpMB", false, 512, -5, 1, 5000, 1024, 256},
    {Id::StartupWait, "StartupWait", false, 0, -5, 0, 121, 120, 30},
    {Id::Startup, "Startup", true, 1, 2, 1, -1, 1, 0},
    {Id::BackgroundActivity, "BackgroundActivity", true, 1, 2, 1, -1, 1, 0},
    // Refused outright: the new object's 0 stays.
    {Id::Amount1, "Amount1", false, 510, -1, 0, 1024, 0, 1023},
    {Id::Amount2, "Amount2", false, 408, INT_MIN, 0, 5000, 0, 0},
    {Id::Amount3, "Amount3", false, 306, -1024, 0, INT_MAX, 0, 1},
    {Id::Hotkey1, "Hotkey1", false, 0xC044, -1, -1, INT_MAX, INT_MAX, 0x4041},
    {Id::Hotkey2, "Hotkey2", false, 0xC046, 0, 0, 0xFFFF, 0xFFFF, 0x2070},
    {Id::Hotkey3, "Hotkey3", false, 0xC047, INT_MIN, INT_MIN, 0x10000, 0x10000, 0x8041},
};

enum class Column { Missing, AsText, Low, High, Valid };

TEST_F(OptionsTest, EveryStoredValueLoadsThroughItsRule)
{
    struct SkinCase { Column column; bool asNumber; std::string stored; std::string loaded; };
    const SkinCase skins[] = {
        {Column::Missing, false, "", "default.skn"},
        {Column::AsText, true, "", "default.skn"},  // a DWORD where text belongs
        {Column::Low, false, "", ""},
        {Column::High, false, std::string(501, 's'), "default.skn"},
        {Column::Valid, false, "C:\\Skins\\blue.skn", "C:\\Skins\\blue.skn"},
    };
    for (const SkinCase& skin : skins) {
        key.Remove();
        StoreNotFirstStart();
        for (const LoadCase& c : LoadCases) {
            switch (skin.column) {
            case Column::Missing: break;
            case Column::AsText: WriteRegString(path, c.name, std::to_string(c.valid)); break;
            case Column::Low: WriteRegInteger(path, c.name, c.low); break;
            case Column::High: WriteRegInteger(path, c.name, c.high); break;
            case Column::Valid: WriteRegInteger(path, c.name, c.valid); break;
            }
        }
        if (skin.column != Column::Missing) {
            if (skin.asNumber)
                WriteRegInteger(path, "Skin", 5);
            else
                WriteRegString(path, "Skin", skin.stored);
        }

        TKalvoraOptions options(path);
        for (const LoadCase& c : LoadCases) {
            int expected = c.missing;
            if (skin.column == Column::Low) expected = c.lowLoaded;
            if (skin.column == Column::High) expected = c.highLoaded;
            if (skin.column == Column::Valid) expected = c.valid;
            EXPECT_EQ(options.Value(c.id), expected) << c.name << ", column " << static_cast<int>(skin.column);
        }
        EXPECT_EQ(options.Skin(), skin.loaded) << "column " << static_cast<int>(skin.column);
        EXPECT_EQ(options.CPUMonitoring(), CpuHistory != nullptr);
    }
}

TEST_F(OptionsTest, TheCriticalLevelNeverEndsAboveItsTrigger)
{
    constexpr int Missing = INT_MIN;
    struct Case { int level, trigger; int levelLoaded, triggerLoaded; };
    const Case cases[] = {
        {800, 600, 600, 600},        // the trigger, read second, pulls the level down
        {300, 700, 300, 700},
        {2000, 5, 5, 5},
        {950, Missing, 918, 918},    // the default trigger is below the stored level
        {Missing, 50, 50, 50},       // the default level is above the stored trigger
        {1024, 1024, 1024, 1024},
    };
    for (const Case& c : cases) {
        key.Remove();
        StoreNotFirstStart();
        if (c.level != Missing) WriteRegInteger(path, "CriticalFreeUpMB", c.level);
        if (c.trigger != Missing) WriteRegInteger(path, "CriticalTriggerMB", c.trigger);
        TKalvoraOptions options(path);
        EXPECT_EQ(options.CriticalFreeUpMB(), c.levelLoaded) << c.level << "/" << c.trigger;
        EXPECT_EQ(options.CriticalTriggerMB(), c.triggerLoaded) << c.level << "/" << c.trigger;
    }
}

TEST_F(OptionsTest, SettersMoveTheOtherSideOfTheCriticalPair)
{
    StoreNotFirstStart();
    TKalvoraOptions options(path);
    struct Step { bool setLevel; int value; int level, trigger; };
    const Step steps[] = {
        {true, 102, 102, 918},   // the defaults
        {true, 950, 950, 950},   // the level above the trigger raises the trigger
        {false, 600, 600, 600},  // the trigger below the level lowers the level
        {false, 800, 600, 800},
        {true, 0, 1, 800},       // clamped first, then compared
        {false, 5000, 1, 1024},
        {true, 5000, 1024, 1024},
    };
    for (const Step& s : steps) {
        if (s.setLevel)
            options.SetCriticalFreeUpMB(s.value);
        else
            options.SetCriticalTriggerMB(s.value);
        EXPECT_EQ(options.CriticalFreeUpMB(), s.level) << s.value;
        EXPECT_EQ(options.CriticalTriggerMB(), s.trigger) << s.value;
    }
}

TEST_F(OptionsTest, PresetAmountsRefuseWhatIsNotBelowTheTotal)
{
    StoreNotFirstStart();
    TKalvoraOptions options(path);
    struct Step { uint32_t value; uint32_t kept; };
    const Step steps[] = {{408, 408}, {0, 0}, {1023, 1023}, {1024, 1023}, {0xFFFFFFFF, 1023}, {5, 5}};
    for (const Step& s : steps) {
        options.SetAmount2(s.value);
        EXPECT_EQ(options.Amount2(), s.kept) << s.value;
    }
    EXPECT_EQ(options.Amount1(), 510u);
    EXPECT_EQ(options.Amount3(), 306u);
}

TEST_F(OptionsTest, AFirstStartTakesAutomaticValuesAndReadsOnlySkinHotkeysAndEntries)
{
    struct Case { const char* what; int stored; bool asText; bool automatic; };
    const Case cases[] = {
        {"missing", 0, false, true},   {"true", 1, false, true},   {"2", 2, false, true},
        {"text 0", 0, true, true},     {"false", 0, false, false},
    };
    for (const Case& c : cases) {
        key.Remove();
        if (std::string(c.what) != "missing") {
            if (c.asText)
                WriteRegString(path, "Use Defaults", std::to_string(c.stored));
            else
                WriteRegInteger(path, "Use Defaults", c.stored);
        }
        WriteRegInteger(path, "Chart Interval", 5000);
        WriteRegInteger(path, "Hotkey2", 0x4042);
        WriteRegString(path, "Skin", "green.skn");
        WriteRegInteger(path, "farCount", 1);
        WriteRegString(path, "1farName", "Entry");

        TKalvoraOptions options(path);
        EXPECT_EQ(options.ChartInterval(), c.automatic ? 1000 : 5000) << c.what;
        EXPECT_EQ(options.Hotkey2(), 0x4042) << c.what;
        EXPECT_EQ(options.Skin(), "green.skn") << c.what;
        ASSERT_EQ(options.FreeAndRunList().Count(), 1) << c.what;
        EXPECT_EQ(options.FreeAndRunList().Item(0).Name, "Entry");
        if (c.automatic) {
            // The automatic settings leave the idle switches as a new object has them.
            EXPECT_FALSE(options.CriticalIdle()) << c.what;
            EXPECT_FALSE(options.RegularIdle()) << c.what;
            EXPECT_FALSE(options.StartupIdle()) << c.what;
            EXPECT_EQ(options.Hotkey1(), 0xC044) << c.what;
            EXPECT_EQ(options.Hotkey3(), 0xC047) << c.what;
        }
    }
}

TEST_F(OptionsTest, SaveWritesEveryOptionWithItsTypeAndLoadsBackTheSame)
{
    StoreNotFirstStart();
    {
        TKalvoraOptions options(path);
        for (const LoadCase& c : LoadCases) options.SetValue(c.id, c.valid);
        options.SetSkin("C:\\Skins\\blue.skn");
        auto entry = std::make_unique<TFreeAndRunItem>();
        entry->FileToRun = "C:\\Tools\\calc.exe";
        entry->MBToFree = 300;
        options.AddFreeAndRunItem(std::move(entry));
        options.SetNextRegularTime(45000.5);
        key.Remove();
        options.Save();
        EXPECT_EQ(ReadRegInteger(path, "Use Defaults", -1), 0);
        for (const LoadCase& c : LoadCases) EXPECT_EQ(ReadRegInteger(path, c.name, -12345), c.valid) << c.name;
        EXPECT_EQ(ReadRegString(path, "Skin", ""), "C:\\Skins\\blue.skn");
        EXPECT_EQ(ReadRegInteger(path, "farCount", 0), 1);
        EXPECT_EQ(ReadRegString(path, "1farFileToRun", ""), "C:\\Tools\\calc.exe");
        const std::vector<std::string> names = ListRegValueNames(path);
        // Use Defaults, the options, Skin, farCount, farMigrated and one entry's three.
        EXPECT_EQ(names.size(), 1 + std::size(LoadCases) + 1 + 2 + 3);
        for (const std::string& name : names) EXPECT_NE(name, "NextRegularTime");
    }
    TKalvoraOptions loaded(path);
    for (const LoadCase& c : LoadCases) EXPECT_EQ(loaded.Value(c.id), c.valid) << c.name;
    EXPECT_EQ(loaded.Skin(), "C:\\Skins\\blue.skn");
    ASSERT_EQ(loaded.FreeAndRunList().Count(), 1);
    EXPECT_EQ(loaded.FreeAndRunList().Item(0).MBToFree, 300);
    EXPECT_EQ(loaded.NextRegularTime(), 0.0);
}

TEST_F(OptionsTest, StartupWritesTheAutostartCommandAndItsAbsenceRemovesIt)
{
    StoreNotFirstStart();
    TKalvoraOptions options(path);
    const std::string command = options.AutostartCommand();
    const std::string program = ProgramFileName();
    EXPECT_EQ(command, "\"" + program + "\" autostart");
    EXPECT_NE(program.find("test_options.exe"), std::string::npos) << program;

    options.SetStartup(true);
    options.Save();
    EXPECT_EQ(ReadRegString(RunKey, "Kalvora Pro", ""), command);
    options.SetStartup(false);
    options.Save();
    EXPECT_EQ(ReadRegString(RunKey, "Kalvora Pro", "absent"), "absent");
    EXPECT_NO_THROW(options.Save()) << "removing an absent value is no error";
}

std::mutex debugMutex;
std::vector<std::string> debugLines;
void KeepDebugLine(const std::string& line)
{
    std::lock_guard<std::mutex> lock(debugMutex);
    debugLines.push_back(line);
}

TEST_F(OptionsTest, AFailingWriteEndsSaveWithItsMessageAndTheEndStillComesInOrder)
{
    // A key name component longer than the registry allows cannot be created.
    const std::string refused = path + "\\" + std::string(300, 'k');
    WriteRegString(RunKey, "Kalvora Pro", "left alone");
    {
        TKalvoraOptions options(refused);
        options.SetStartup(false);
        try {
            options.Save();
            ADD_FAILURE() << "Save did not fail";
        } catch (const toolkit::Error& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot create Key: " + refused);
        }
        EXPECT_EQ(ReadRegString(RunKey, "Kalvora Pro", ""), "left alone") << "nothing after the failure is written";
        debugLines.clear();
        toolkit::SetDebugSink(KeepDebugLine);
    }  // destroyed: saves again, fails again, and says so without throwing
    toolkit::SetDebugSink(nullptr);
    ASSERT_EQ(debugLines.size(), 1u);
    EXPECT_NE(debugLines[0].find("Cannot create Key: " + refused), std::string::npos);
}

TEST_F(OptionsTest, CpuMonitoringIsTheExistenceOfTheCpuHistory)
{
    StoreNotFirstStart();
    TKalvoraOptions options(path);
    EXPECT_FALSE(options.CPUMonitoring());
    options.SetCPUMonitoring(true);
    ASSERT_TRUE(CpuHistory);
    TIntArray* first = CpuHistory.get();
    CpuHistory->Push(55);
    options.SetCPUMonitoring(true);  // already on: the history stays
    EXPECT_EQ(CpuHistory.get(), first);
    EXPECT_EQ(CpuHistory->Last(), 55u);
    options.SetCPUMonitoring(false);
    EXPECT_FALSE(CpuHistory);
    options.SetCPUMonitoring(true);
    ASSERT_TRUE(CpuHistory);
    for (int i = 0; i < TIntArray::Capacity(); ++i) ASSERT_EQ(CpuHistory->Get(i), 0u) << i;
    options.ApplyAutomaticSettings();
    EXPECT_FALSE(CpuHistory) << "automatic settings switch monitoring off";
}

TEST_F(OptionsTest, SkinFilePathLooksBesideTheProgramForABareName)
{
    const std::string folder = ProgramFolder();
    const std::string beside = "kalvora-options-test.skn";
    const std::string elsewhere = folder + "kalvora-options-test-2.skn";
    std::ofstream(folder + beside) << "skin";
    std::ofstream(elsewhere) << "skin";
    ::CreateDirectoryA((folder + "kalvora-options-test-folder.skn").c_str(), nullptr);

    StoreNotFirstStart();
    TKalvoraOptions options(path);
    struct Case { std::string skin; std::string found; };
    const Case cases[] = {
        {beside, folder + beside},
        {"missing-kalvora-skin.skn", ""},
        {elsewhere, elsewhere},                            // with a backslash: tested as it is
        {folder + "missing-kalvora-skin.skn", ""},
        {"kalvora-options-test-folder.skn", ""},           // a folder is no skin file
        {"", ""},
    };
    for (const Case& c : cases) {
        options.SetSkin(c.skin);
        EXPECT_EQ(options.SkinFilePath(), c.found) << c.skin;
    }
    ::DeleteFileA((folder + beside).c_str());
    ::DeleteFileA(elsewhere.c_str());
    ::RemoveDirectoryA((folder + "kalvora-options-test-folder.skn").c_str());
}

TEST_F(OptionsTest, TheGlobalOptionsComeAndGoWithInitAndFinish)
{
    EXPECT_FALSE(Options);
    // The program's own key, emptied for a first start; the user's settings
    // come back when the guard ends (the autostart value by the fixture's).
    const OptionsKeyGuard userSettings;
    DeleteRegTree(HKEY_CURRENT_USER, OptionsKeyGuard::OptionsSubKey);
    InitOptions();
    ASSERT_TRUE(Options);
    EXPECT_EQ(Options->Key(), "HKEY_CURRENT_USER\\Software\\Orlandek\\Kalvora Professional 5");
    EXPECT_EQ(Options->ChartInterval(), 1000) << "a first start";
    Options->SetChartInterval(3000);
    FinishOptions();
    EXPECT_FALSE(Options);
    EXPECT_EQ(ReadRegInteger(OptionsKey, "Chart Interval", 0), 3000) << "saved when destroyed";
    EXPECT_EQ(ReadRegInteger(OptionsKey, "Use Defaults", -1), 0);
}

}  // namespace
