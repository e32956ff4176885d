// Start-up, the single-instance rule and the command words, tested by
// starting the real program and looking at it from outside: its windows, its
// exit codes and the registry. The program uses its own options key and the
// autostart value; what the user had there comes back after every test, and
// a program the user is running is never ended (the tests are skipped then).
#include "tests/app/RunningProgram.h"

#include "toolkit/MessageWindow.h"

namespace program_test {
namespace {

std::string AutostartCommand() { return "\"" + ProgramPath() + "\" autostart"; }

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (ProgramProcessCount() != 0)
            GTEST_SKIP() << "Kalvora Professional is already running here: these tests start and quit the "
                            "program, and would end it and change its settings";
        userSettings_ = std::make_unique<SavedRegistryKey>(HKEY_CURRENT_USER, OptionsSubKey);
        userAutostart_ = std::make_unique<SavedRegistryValue>(HKEY_CURRENT_USER, RunSubKey, RunValueName);
        DeleteRegTree(HKEY_CURRENT_USER, OptionsSubKey);
        ASSERT_FALSE(KeyExists(OptionsSubKey));
        RegDeleteKeyValueA(HKEY_CURRENT_USER, RunSubKey, RunValueName);
        StoreQuietSettings();
    }
    void TearDown() override
    {
        if (!userSettings_) return;  // skipped: nothing was touched
        QuitAll();
        // Ended in order or not at all: nothing the program saves late may
        // overwrite what the guards put back.
        for (DWORD id : ProgramProcesses()) {
            toolkit::UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (!process) continue;
            TerminateProcess(process.Get(), 1);
            WaitForSingleObject(process.Get(), 15000);
        }
        instances_.clear();
        userAutostart_.reset();
        userSettings_.reset();
    }

    // Settings under which the program frees no memory by itself: no
    // critical or regular free-ups and no background activity. The start-up
    // free-up also needs the word "autostart", which no test passes; with
    // "Startup" on, a save writes the autostart value. "Chart Interval" is
    // stored below its range, so a 250 in the key tells that the program saved.
    static void StoreQuietSettings()
    {
        WriteDwords(OptionsSubKey, {{"Use Defaults", 0},
                                    {"Critical", 0},
                                    {"Regular", 0},
                                    {"BackgroundActivity", 0},
                                    {"CPU Monitoring", 0},
                                    {"Startup", 1},
                                    {"Chart Interval", 100}});
    }

    // Ends every instance and waits until their processes are gone: an
    // instance still saves its settings after its engine window has closed.
    static void QuitAll()
    {
        for (HWND engine : RunningEngines()) PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
        EXPECT_TRUE(WaitPumping([] { return ProgramProcessCount() == 0; }, 15000));
    }

    // Starts the program and waits until its engine answers. The fixture
    // keeps it, so that one still running at the end is quit in order.
    Program& StartInstance(const std::string& argument = {})
    {
        Program& program = *instances_.emplace_back(std::make_unique<Program>(argument));
        EXPECT_TRUE(program.Started()) << "CreateProcess failed with " << program.StartError();
        EXPECT_TRUE(WaitPumping([] { return RunningEngines().size() == 1; }, 15000)) << "no engine appeared";
        return program;
    }

private:
    std::unique_ptr<SavedRegistryKey> userSettings_;
    std::unique_ptr<SavedRegistryValue> userAutostart_;
    std::vector<std::unique_ptr<Program>> instances_;
};

TEST_F(StartupTest, FirstStartSavesAutomaticSettingsAndTheAutostartCommandAtExit)
{
    // A first start does critical free-ups from 80 % of the memory in use,
    // and such a free-up commits 40 % of the memory: run only where the
    // machine is far enough below that.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    const DWORD totalMB = static_cast<DWORD>(static_cast<double>(status.ullTotalPhys) / 1048576.0 + 0.99);
    const DWORD usedMB = totalMB - static_cast<DWORD>(status.ullAvailPhys >> 20);
    if (usedMB >= totalMB / 10 * 7)
        GTEST_SKIP() << usedMB << " of " << totalMB << " MB are in use: the first start's critical free-up "
                     << "(from 80 %) could start during the test and commit 40 % of the memory";
    DeleteRegTree(HKEY_CURRENT_USER, OptionsSubKey);

    Program& first = StartInstance();
    EXPECT_FALSE(KeyExists(OptionsSubKey)) << "nothing is written before the end";

    Program quit("quit");
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_EQ(first.WaitForExit(15000), 0u);
    EXPECT_TRUE(RunningEngines().empty());

    EXPECT_EQ(ReadDword(OptionsSubKey, "Use Defaults"), 0u);
    EXPECT_EQ(ReadDword(OptionsSubKey, "Chart Interval"), 1000u);     // the automatic value, not the default 2000
    EXPECT_EQ(ReadDword(OptionsSubKey, "RegularInterval"), 60u);
    EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 2u);
    EXPECT_EQ(ReadDword(OptionsSubKey, "Amount1"), totalMB / 2);
    EXPECT_EQ(ReadDword(OptionsSubKey, "CriticalTriggerMB"), totalMB * 8 / 10);
    EXPECT_EQ(ReadString(RunSubKey, RunValueName), AutostartCommand());
}

TEST_F(StartupTest, ASecondStartLeavesExactlyOneEngine)
{
    Program& first = StartInstance();
    EXPECT_FALSE(first.Exited());
    Program second("");
    EXPECT_EQ(second.WaitForExit(15000), 0u);
    EXPECT_EQ(RunningEngines().size(), 1u);
    EXPECT_EQ(first.WaitForExit(0), std::nullopt);
}

TEST_F(StartupTest, QuitEndsARunningInstanceWithItsSettingsSaved)
{
    Program& first = StartInstance();
    Program quit("quit");
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_EQ(first.WaitForExit(15000), 0u);
    EXPECT_TRUE(RunningEngines().empty());
    EXPECT_EQ(ReadDword(OptionsSubKey, "Chart Interval"), 250u) << "the stored 100, clamped and saved";
    EXPECT_EQ(ReadString(RunSubKey, RunValueName), AutostartCommand());
}

TEST_F(StartupTest, QuitWithNoneRunningCreatesNoEngineAndWritesNothing)
{
    RegKeyCopy before, after;
    ASSERT_TRUE(ReadRegKeyCopy(HKEY_CURRENT_USER, OptionsSubKey, before));
    Program quit("quit");
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_TRUE(RunningEngines().empty());
    ASSERT_TRUE(ReadRegKeyCopy(HKEY_CURRENT_USER, OptionsSubKey, after));
    EXPECT_TRUE(after == before) << "a save would have written \"Chart Interval\" as 250";
    EXPECT_EQ(ReadString(RunSubKey, RunValueName), std::nullopt);
}

TEST_F(StartupTest, UninstallRemovesTheAutostartValueWithOrWithoutARunningInstance)
{
    for (bool withInstance : {false, true}) {
        SCOPED_TRACE(withInstance ? "with a running instance" : "alone");
        Program* first = nullptr;
        if (withInstance) first = &StartInstance();  // its own save at the end writes the value again
        WriteString(RunSubKey, RunValueName, AutostartCommand());

        Program uninstall("UNINSTALL");
        EXPECT_EQ(uninstall.WaitForExit(15000), 0u);
        if (first) {
            EXPECT_EQ(first->WaitForExit(15000), 0u);
        }
        EXPECT_TRUE(RunningEngines().empty());
        EXPECT_EQ(ReadString(RunSubKey, RunValueName), std::nullopt);
    }
}

TEST_F(StartupTest, CommandWordsAreCaseSensitive)
{
    Program& first = StartInstance("Quit");  // not the word "quit": an ordinary start
    EXPECT_FALSE(first.Exited());
    WriteString(RunSubKey, RunValueName, "left alone");
    Program uninstallOtherCase("uninstall");  // not "UNINSTALL": a second start
    EXPECT_EQ(uninstallOtherCase.WaitForExit(15000), 0u);
    EXPECT_EQ(RunningEngines().size(), 1u);
    EXPECT_EQ(ReadString(RunSubKey, RunValueName), "left alone");
}

TEST_F(StartupTest, AWindowWithTheCaptionButNotTheSignatureIsNoInstance)
{
    toolkit::MessageWindow impostor(
        [](UINT message, WPARAM, LPARAM, LRESULT& result) {
            if (message != WM_ENGINE_PING) return false;
            result = 1234;
            return true;
        },
        EngineCaption);
    Program& program = StartInstance();  // still starts its own engine
    EXPECT_FALSE(program.Exited());
    Program quit("quit");  // and "quit" finds the real one only
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_EQ(program.WaitForExit(15000), 0u);
    EXPECT_TRUE(IsWindow(impostor.Handle()));
}

}  // namespace
}  // namespace program_test
