#pragma once
// What the tests of the whole program share: kalvora.exe started as a user
// would start it, its engines found as another instance finds them, and the
// program's real settings key set up for the test and put back afterwards.
#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "freeandrun/uFreeAndRunList.h"
#include "settings/uKalvoraOptions.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "tests/support/DeleteRegTree.h"
#include "tests/support/SavedRegistry.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace program_test {

// The keys as the tests' own registry calls take them (below HKCU).
inline const char* const OptionsSubKey = "Software\\Orlandek\\Kalvora Professional 5";
inline const char* const OldFreeAndRunSubKey = "Software\\Orlandek\\Kalvora Pro\\Free And Run 4";
inline const char* const RunSubKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The autostart value below RunSubKey, spelt out rather than taken from the
// program, so that a wrong name there shows.
inline const char* const RunValueName = "Kalvora Pro";

inline std::string ProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "kalvora.exe";
}

// Keeps this process's own windows answering while it waits.
inline bool WaitPumping(const std::function<bool()>& done, DWORD ms)
{
    return toolkit::Application::Instance().ProcessMessagesUntil(done, ms);
}

enum class StartMode { Running, Suspended };

class Program {
public:
    // A suspended program runs from Resume on, so that several can start at
    // the same moment.
    explicit Program(const std::string& argument = {}, StartMode mode = StartMode::Running)
    {
        std::string commandLine = "\"" + ProgramPath() + "\"";
        if (!argument.empty()) commandLine += " " + argument;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        const DWORD flags = mode == StartMode::Suspended ? CREATE_SUSPENDED : 0;
        // Wine's first start of a program of the other bitness in a fresh
        // prefix may fail once on a loaded machine; a failure that stays is
        // the test's failure, with its code.
        for (int attempt = 0; attempt < 3 && !process_; ++attempt) {
            if (attempt > 0) Sleep(1000);
            if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                               &startup, &info)) {
                process_.Reset(info.hProcess);
                thread_.Reset(info.hThread);
                id_ = info.dwProcessId;
            } else {
                startError_ = GetLastError();
            }
        }
    }
    // Whatever a test left running ends with the test.
    ~Program()
    {
        if (process_ && !Exited()) {
            TerminateProcess(process_.Get(), 1);
            WaitForSingleObject(process_.Get(), 10000);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    // Why the start failed (GetLastError of the last attempt).
    DWORD StartError() const { return startError_; }
    void Resume() const { ResumeThread(thread_.Get()); }
    DWORD Id() const { return id_; }
    bool Exited() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0; }
    // The exit code, or nothing when it has not ended within ms.
    std::optional<DWORD> WaitForExit(DWORD ms) const
    {
        if (!WaitPumping([this] { return Exited(); }, ms)) return std::nullopt;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.Get(), &code);
        return code;
    }
    // Ends it the way Windows ends a program at the end of a session.
    void Terminate(UINT code) const
    {
        TerminateProcess(process_.Get(), code);
        WaitForSingleObject(process_.Get(), 10000);
    }

private:
    toolkit::UniqueKernelHandle process_;
    toolkit::UniqueKernelHandle thread_;
    DWORD id_ = 0;
    DWORD startError_ = 0;
};

inline DWORD ProcessOf(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

// Every window captioned "Memory Engine" that answers the ping with the
// signature, as another instance recognises an engine.
inline BOOL CALLBACK CollectEngine(HWND window, LPARAM list)
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

inline std::vector<HWND> RunningEngines()
{
    std::vector<HWND> engines;
    EnumWindows(&CollectEngine, reinterpret_cast<LPARAM>(&engines));
    return engines;
}

// The engine of one process, or nullptr.
inline HWND EngineOf(DWORD processId)
{
    for (HWND engine : RunningEngines())
        if (ProcessOf(engine) == processId) return engine;
    return nullptr;
}

// Every top-level window of a process: the windows Windows tells that the
// session ends.
struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    if (ProcessOf(window) == search.processId) search.found.push_back(window);
    return TRUE;
}

inline std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    WindowSearch search{processId, {}};
    EnumWindows(&CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The ids of every running kalvora.exe, started by a test or not.
inline std::vector<DWORD> ProgramProcesses()
{
    std::vector<DWORD> ids;
    toolkit::UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (_stricmp(entry.szExeFile, "kalvora.exe") == 0) ids.push_back(entry.th32ProcessID);
    return ids;
}

inline int ProgramProcessCount() { return static_cast<int>(ProgramProcesses().size()); }

inline std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// The window of the process's first tray icon, once the shell knows it: the
// engine window exists a moment before the icons are added.
inline HWND WaitForTrayIconWindow(DWORD processId, DWORD ms = 20000)
{
    HWND found = nullptr;
    WaitPumping(
        [&] {
            for (HWND window : TopLevelWindowsOf(processId)) {
                if (ClassOf(window) != "KalvoraMessageWindow") continue;
                NOTIFYICONDATAA data{};
                data.cbSize = NOTIFYICONDATAA_V1_SIZE;
                data.hWnd = window;
                data.uID = 0;
                if (Shell_NotifyIconA(NIM_MODIFY, &data)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

// Ends every instance and waits until their processes are gone: an instance
// still saves its settings after its engine window has closed.
inline bool QuitAllInstances()
{
    return WaitPumping(
        [] {
            for (HWND engine : RunningEngines()) PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
            return ProgramProcessCount() == 0;
        },
        20000);
}

inline std::optional<DWORD> ReadDword(const char* key, const char* name)
{
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

inline std::optional<std::string> ReadString(const char* key, const char* name)
{
    char text[1024] = {};
    DWORD size = sizeof(text);
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

inline void WriteDword(const char* key, const char* name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof(value));
}

struct DwordValue {
    const char* name;
    DWORD value;
};

inline void WriteDwords(const char* key, std::initializer_list<DwordValue> values)
{
    for (const DwordValue& value : values) WriteDword(key, value.name, value.value);
}

inline void WriteString(const char* key, const char* name, const std::string& text)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

inline bool KeyExists(const char* key)
{
    toolkit::UniqueRegKey opened;
    return RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, opened.Put()) == ERROR_SUCCESS;
}

// A fixture for tests that start the real program. The program has no other
// key than the user's own: what it holds (and the older free-and-run key and
// the autostart value) is copied aside once no instance runs, replaced by
// settings under which the program frees no memory by itself, and put back
// after the test's instances have ended, whatever happened in between.
class RunningProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QuitAllInstances()) << "an instance from before would not end";
        savedOptions_ = std::make_unique<SavedRegistryKey>(HKEY_CURRENT_USER, OptionsSubKey);
        savedOldEntries_ = std::make_unique<SavedRegistryKey>(HKEY_CURRENT_USER, OldFreeAndRunSubKey);
        savedRunValue_ = std::make_unique<SavedRegistryValue>(HKEY_CURRENT_USER, RunSubKey, RunValueName);
        StoreQuietSettings();
    }
    void TearDown() override
    {
        EXPECT_TRUE(QuitAllInstances()) << "an instance of the test would not end";
        savedRunValue_.reset();
        savedOldEntries_.reset();
        savedOptions_.reset();
    }

    // Stored settings (not a first start) with no critical, regular or
    // start-up free-up, and the memory icon as a chart.
    static void StoreQuietSettings()
    {
        DeleteRegTree(HKEY_CURRENT_USER, OptionsSubKey);
        DeleteRegTree(HKEY_CURRENT_USER, OldFreeAndRunSubKey);
        WriteDwords(OptionsSubKey, {{"Use Defaults", 0},
                                    {"Critical", 0},
                                    {"Regular", 0},
                                    {"Startup", 0},
                                    {"BackgroundActivity", 0},
                                    {"MemoryIconStyle", 1}});
    }

    // Starts the program and waits until its engine answers.
    static std::unique_ptr<Program> StartInstance(const std::string& argument = {})
    {
        auto program = std::make_unique<Program>(argument);
        EXPECT_TRUE(program->Started());
        const DWORD id = program->Id();
        EXPECT_TRUE(WaitPumping([id] { return EngineOf(id) != nullptr; }, 20000)) << "no engine appeared";
        return program;
    }

private:
    std::unique_ptr<SavedRegistryKey> savedOptions_;
    std::unique_ptr<SavedRegistryKey> savedOldEntries_;
    std::unique_ptr<SavedRegistryValue> savedRunValue_;
};

}  // namespace program_test
