// Start-up, the single-instance rule and the command words, tested by
// starting the real program and looking at it from outside: its windows, its
// exit codes and the registry.
#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/MessageWindow.h"
#include "tests/support/DeleteRegTree.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

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

int ProgramProcessCount()
{
    toolkit::UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (_stricmp(entry.szExeFile, "kalvora.exe") == 0) ++count;
    return count;
}

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

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QuitAll();
        DeleteRegTree(HKEY_CURRENT_USER, OptionsKey);
        ASSERT_FALSE(KeyExists(OptionsKey));
        RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, "Kalvora Pro");
    }
    void TearDown() override
    {
        QuitAll();
        // Left behind, the autostart value would start the program with the
        // next session of this prefix.
        RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, "Kalvora Pro");
    }

    // Ends every instance and waits until their processes are gone: an
    // instance still saves its settings after its engine window has closed.
    static void QuitAll()
    {
        for (HWND engine : RunningEngines()) PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
        ASSERT_TRUE(WaitPumping([] { return ProgramProcessCount() == 0; }, 15000));
    }

    // Starts the program and waits until its engine answers.
    std::unique_ptr<Program> StartInstance(const std::string& argument = {})
    {
        auto program = std::make_unique<Program>(argument);
        EXPECT_TRUE(program->Started());
        EXPECT_TRUE(WaitPumping([] { return RunningEngines().size() == 1; }, 15000)) << "no engine appeared";
        return program;
    }
};

}  // namespace

TEST_F(StartupTest, FirstStartSavesAutomaticSettingsAndTheAutostartCommandAtExit)
{
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
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    GlobalMemoryStatusEx(&status);
    const DWORD totalMB = static_cast<DWORD>(static_cast<double>(status.ullTotalPhys) / 1048576.0 + 0.99);
    EXPECT_EQ(ReadDword(OptionsKey, "Amount1"), totalMB / 2);
    EXPECT_EQ(ReadDword(OptionsKey, "CriticalTriggerMB"), totalMB * 8 / 10);
    EXPECT_EQ(ReadString(RunKey, "Kalvora Pro"), "\"" + ProgramPath() + "\" autostart");
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
    EXPECT_EQ(ReadDword(OptionsKey, "Use Defaults"), 0u);
}

TEST_F(StartupTest, QuitWithNoneRunningCreatesNoEngineAndWritesNothing)
{
    Program quit("quit");
    EXPECT_EQ(quit.WaitForExit(15000), 0u);
    EXPECT_TRUE(RunningEngines().empty());
    EXPECT_FALSE(KeyExists(OptionsKey));
}

TEST_F(StartupTest, UninstallRemovesTheAutostartValueWithOrWithoutARunningInstance)
{
    for (bool withInstance : {false, true}) {
        SCOPED_TRACE(withInstance ? "with a running instance" : "alone");
        std::unique_ptr<Program> first;
        if (withInstance) first = StartInstance();
        const std::string command = "\"" + ProgramPath() + "\" autostart";
        RegSetKeyValueA(HKEY_CURRENT_USER, RunKey, "Kalvora Pro", REG_SZ, command.c_str(),
                        static_cast<DWORD>(command.size() + 1));

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
    Program uninstallOtherCase("uninstall");  // not "UNINSTALL": a second start
    EXPECT_EQ(uninstallOtherCase.WaitForExit(15000), 0u);
    EXPECT_EQ(RunningEngines().size(), 1u);
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
