// Start-up, the single-instance rule and the command words, tested by
// starting the real program and looking at it from outside: its windows, its
// exit codes and the registry. The program uses its own options key and the
// autostart value; what the user had there comes back after every test, and
// a program the user is running is never ended (the tests are skipped then).
#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/MessageWindow.h"
#include "tests/support/DeleteRegTree.h"
#include "tests/support/SavedRegistry.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* OptionsKey = "Software\\Orlandek\\Kalvora Professional 5";
const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string ProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "kalvora.exe";
}

// Keeps this process's own windows answering while it waits.
bool WaitPumping(const std::function<bool()>& done, DWORD ms)
{
    return toolkit::Application::Instance().ProcessMessagesUntil(done, ms);
}

class Program {
public:
    explicit Program(const std::string& argument)
    {
        std::string commandLine = "\"" + ProgramPath() + "\"";
        if (!argument.empty()) commandLine += " " + argument;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &info)) {
            process_.Reset(info.hProcess);
            toolkit::UniqueKernelHandle thread(info.hThread);
        }
    }
    bool Started() const { return static_cast<bool>(process_); }
    bool Exited() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0; }
    // The exit code, or nothing when it has not ended within ms.
    std::optional<DWORD> WaitForExit(DWORD ms) const
    {
        if (!WaitPumping([this] { return Exited(); }, ms)) return std::nullopt;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.Get(), &code);
        return code;
    }

private:
    toolkit::UniqueKernelHandle process_;
};

BOOL CALLBACK CollectEngines(HWND window, LPARAM list)
{
    char caption[100] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    if (std::string(caption) != EngineCaption) return TRUE;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(window, WM_ENGINE_PING, 0, 0, SMTO_NORMAL, 5000, &answer) &&
        static_cast<LRESULT>(answer) == EngineSignature)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> RunningEngines()
{
    std::vector<HWND> engines;
    EnumWindows(&CollectEngines, reinterpret_cast<LPARAM>(&engines));
    return engines;
}

// The program's process ids, to end what a failed test left running.
std::vector<DWORD> ProgramProcesses()
{
    std::vector<DWORD> ids;
    toolkit::UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (_stricmp(entry.szExeFile, "kalvora.exe") == 0) ids.push_back(entry.th32ProcessID);
    return ids;
}

int ProgramProcessCount() { return static_cast<int>(ProgramProcesses().size()); }

std::optional<std::string> ReadString(const char* key, const char* name)
{
    char text[1024] = {};
    DWORD size = sizeof(text);
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

std::optional<DWORD> ReadDword(const char* key, const char* name)
{
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool KeyExists(const char* key)
{
    toolkit::UniqueRegKey opened;
    return RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, opened.Put()) == ERROR_SUCCESS;
}

void WriteDword(const char* name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, OptionsKey, name, REG_DWORD, &value, sizeof(value));
}

void WriteString(const char* key, const char* name, const std::string& text)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string AutostartCommand() { return "\"" + ProgramPath() + "\" autostart"; }

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (ProgramProcessCount() != 0)
            GTEST_SKIP() << "Kalvora Professional is already running here: these tests start and quit the "
                            "program, and would end it and change its settings";
        userSettings_ = std::make_unique<SavedRegistryKey>(HKEY_CURRENT_USER, OptionsKey);
        userAutostart_ = std::make_unique<SavedRegistryValue>(HKEY_CURRENT_USER, RunKey, "Kalvora Pro");
        DeleteRegTree(HKEY_CURRENT_USER, OptionsKey);
        ASSERT_FALSE(KeyExists(OptionsKey));
        RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, "Kalvora Pro");
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
        WriteDword("Use Defaults", 0);
        WriteDword("Critical", 0);
        WriteDword("Regular", 0);
        WriteDword("BackgroundActivity", 0);
        WriteDword("CPU Monitoring", 0);
        WriteDword("Startup", 1);
        WriteDword("Chart Interval", 100);
    }

    // Ends every instance and waits until their processes are gone: an
    // instance still saves its settings after its engine window has closed.
    static void QuitAll()
    {
        for (HWND engine : RunningEngines()) PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
        EXPECT_TRUE(WaitPumping([] { return ProgramProcessCount() == 0; }, 15000));
    }

    // Starts the program and waits until its engine answers.
    std::unique_ptr<Program> StartInstance(const std::string& argument = {})
    {
        auto program = std::make_unique<Program>(argument);
        EXPECT_TRUE(program->Started());
        EXPECT_TRUE(WaitPumping([] { return RunningEngines().size() == 1; }, 15000)) << "no engine appeared";
        return program;
    }

private:
    std::unique_ptr<SavedRegistryKey> userSettings_;
    std::unique_ptr<SavedRegistryValue> userAutostart_;
};

}  // namespace

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
    DeleteRegTree(HKEY_CURRENT_USER, OptionsKey);

    auto first = StartInstance();
    EXPECT_FALSE(KeyExists(OptionsKey)) << "nothing is written before the end";

    Program quit("quit");
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_EQ(first->WaitForExit(15000), 0u);
    EXPECT_TRUE(RunningEngines().empty());

    EXPECT_EQ(ReadDword(OptionsKey, "Use Defaults"), 0u);
    EXPECT_EQ(ReadDword(OptionsKey, "Chart Interval"), 1000u);     // the automatic value, not the default 2000
    EXPECT_EQ(ReadDword(OptionsKey, "RegularInterval"), 60u);
    EXPECT_EQ(ReadDword(OptionsKey, "MemoryIconStyle"), 2u);
    EXPECT_EQ(ReadDword(OptionsKey, "Amount1"), totalMB / 2);
    EXPECT_EQ(ReadDword(OptionsKey, "CriticalTriggerMB"), totalMB * 8 / 10);
    EXPECT_EQ(ReadString(RunKey, "Kalvora Pro"), AutostartCommand());
}

TEST_F(StartupTest, ASecondStartLeavesExactlyOneEngine)
{
    auto first = StartInstance();
    EXPECT_FALSE(first->Exited());
    Program second("");
    EXPECT_EQ(second.WaitForExit(15000), 0u);
    EXPECT_EQ(RunningEngines().size(), 1u);
    EXPECT_EQ(first->WaitForExit(0), std::nullopt);
}

TEST_F(StartupTest, QuitEndsARunningInstanceWithItsSettingsSaved)
{
    auto first = StartInstance();
    Program quit("quit");
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_EQ(first->WaitForExit(15000), 0u);
    EXPECT_TRUE(RunningEngines().empty());
    EXPECT_EQ(ReadDword(OptionsKey, "Chart Interval"), 250u) << "the stored 100, clamped and saved";
    EXPECT_EQ(ReadString(RunKey, "Kalvora Pro"), AutostartCommand());
}

TEST_F(StartupTest, QuitWithNoneRunningCreatesNoEngineAndWritesNothing)
{
    RegKeyCopy before, after;
    ASSERT_TRUE(ReadRegKeyCopy(HKEY_CURRENT_USER, OptionsKey, before));
    Program quit("quit");
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_TRUE(RunningEngines().empty());
    ASSERT_TRUE(ReadRegKeyCopy(HKEY_CURRENT_USER, OptionsKey, after));
    EXPECT_TRUE(after == before) << "a save would have written \"Chart Interval\" as 250";
    EXPECT_EQ(ReadString(RunKey, "Kalvora Pro"), std::nullopt);
}

TEST_F(StartupTest, UninstallRemovesTheAutostartValueWithOrWithoutARunningInstance)
{
    for (bool withInstance : {false, true}) {
        SCOPED_TRACE(withInstance ? "with a running instance" : "alone");
        std::unique_ptr<Program> first;
        if (withInstance) first = StartInstance();  // its own save at the end writes the value again
        WriteString(RunKey, "Kalvora Pro", AutostartCommand());

        Program uninstall("UNINSTALL");
        EXPECT_EQ(uninstall.WaitForExit(15000), 0u);
        if (first) {
            EXPECT_EQ(first->WaitForExit(15000), 0u);
        }
        EXPECT_TRUE(RunningEngines().empty());
        EXPECT_EQ(ReadString(RunKey, "Kalvora Pro"), std::nullopt);
    }
}

TEST_F(StartupTest, CommandWordsAreCaseSensitive)
{
    auto first = StartInstance("Quit");  // not the word "quit": an ordinary start
    EXPECT_FALSE(first->Exited());
    WriteString(RunKey, "Kalvora Pro", "left alone");
    Program uninstallOtherCase("uninstall");  // not "UNINSTALL": a second start
    EXPECT_EQ(uninstallOtherCase.WaitForExit(15000), 0u);
    EXPECT_EQ(RunningEngines().size(), 1u);
    EXPECT_EQ(ReadString(RunKey, "Kalvora Pro"), "left alone");
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
    auto program = StartInstance();  // still starts its own engine
    EXPECT_FALSE(program->Exited());
    Program quit("quit");  // and "quit" finds the real one only
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_EQ(program->WaitForExit(15000), 0u);
    EXPECT_TRUE(IsWindow(impostor.Handle()));
}
