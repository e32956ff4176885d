// install_probe: what the installer test asks of the Wine prefix it installs
// into, from inside it (the registry in the process's own view, processes,
// windows, the notification area). Built and run by scripts/test.d/installer.sh.
//   seed-settings               stored settings under which the program frees
//                               no memory by itself, with start with Windows on
//   get-dword NAME              prints a value of the settings key
//   set-dword NAME VALUE        writes one
//   key-exists hklm|hkcu KEY    exit 0 when the key is there
//   value-exists hklm|hkcu KEY NAME
//   get-string hklm|hkcu KEY NAME
//                               prints a string value
//   wait-engine SECONDS         waits for an engine that answers the ping;
//                               prints the full path of its program
//   wait-tray SECONDS           waits for an icon in Wine's notification area
//   wait-no-process NAME SECONDS
//                               waits until no process of that file name is left
//   quit-all SECONDS            asks every engine to end, then waits until no
//                               kalvora.exe is left
//   run COMMAND                 runs a command line as it is written (Wine's
//                               own start quotes arguments); prints its exit code
//   hold-mutex NAME COMMAND     the same while holding the named mutex
// Exit code 0 when the answer is yes or the thing was done, 1 when not, 2 for
// bad arguments.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

constexpr const char* SettingsKey = "Software\\Orlandek\\Kalvora Professional 5";
constexpr const char* EngineCaption = "Memory Engine";
constexpr UINT WM_ENGINE_PING = WM_USER + 20;
constexpr UINT WM_ENGINE_QUIT = WM_USER + 28;
constexpr LRESULT EngineSignature = 140971;
constexpr int Yes = 0;
constexpr int No = 1;
constexpr int BadArguments = 2;

// Closes what it holds; this tool keeps its handles as briefly as it can.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle()
    {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class Key {
public:
    Key() = default;
    ~Key()
    {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* Put() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool RootOf(const char* name, HKEY& root)
{
    if (_stricmp(name, "hklm") == 0) root = HKEY_LOCAL_MACHINE;
    else if (_stricmp(name, "hkcu") == 0) root = HKEY_CURRENT_USER;
    else return false;
    return true;
}

// Waits up to seconds, looking every 100 ms. Nothing of this process needs
// its messages handled meanwhile: it owns no window.
bool WaitFor(const std::function<bool()>& done, int seconds)
{
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(100);
    }
}

BOOL CALLBACK FindEngine(HWND window, LPARAM found)
{
    char caption[100] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    if (std::strcmp(caption, EngineCaption) != 0) return TRUE;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(window, WM_ENGINE_PING, 0, 0, SMTO_NORMAL, 5000, &answer) &&
        static_cast<LRESULT>(answer) == EngineSignature) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND RunningEngine()
{
    HWND found = nullptr;
    EnumWindows(&FindEngine, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK QuitEngine(HWND window, LPARAM)
{
    char caption[100] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    if (std::strcmp(caption, EngineCaption) == 0) PostMessageA(window, WM_ENGINE_QUIT, 0, 0);
    return TRUE;
}

int ProcessCount(const char* fileName)
{
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (_stricmp(entry.szExeFile, fileName) == 0) ++count;
    return count;
}

std::string ProgramOf(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return {};
    char path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (!QueryFullProcessImageNameA(process.Get(), 0, path, &size)) return {};
    return path;
}

BOOL CALLBACK CountTrayIcon(HWND window, LPARAM count)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::strcmp(name, "__winex11_tray_icon") == 0) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Wine shows the icons as child windows of its own tray window when no
// other tray takes them (as on Xvfb).
int TrayIconCount()
{
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    if (!tray) return 0;
    int count = 0;
    EnumChildWindows(tray, &CountTrayIcon, reinterpret_cast<LPARAM>(&count));
    return count;
}

bool WriteDword(const char* name, DWORD value)
{
    return RegSetKeyValueA(HKEY_CURRENT_USER, SettingsKey, name, REG_DWORD, &value, sizeof(value)) == ERROR_SUCCESS;
}

int SeedSettings()
{
    struct Setting {
        const char* name;
        DWORD value;
    };
    const Setting settings[] = {{"Use Defaults", 0}, {"Critical", 0},           {"Regular", 0},
                                {"Startup", 1},      {"BackgroundActivity", 0}, {"MemoryIconStyle", 1}};
    for (const Setting& setting : settings)
        if (!WriteDword(setting.name, setting.value)) return No;
    return Yes;
}

int GetDword(const char* name)
{
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, SettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return No;
    std::printf("%lu\n", static_cast<unsigned long>(value));
    return Yes;
}

int KeyExists(HKEY root, const char* key)
{
    Key opened;
    return RegOpenKeyExA(root, key, 0, KEY_READ, opened.Put()) == ERROR_SUCCESS ? Yes : No;
}

int ValueExists(HKEY root, const char* key, const char* name)
{
    return RegGetValueA(root, key, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS ? Yes : No;
}

int GetString(HKEY root, const char* key, const char* name)
{
    char text[2048] = {};
    DWORD size = sizeof(text);
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return No;
    std::printf("%s\n", text);
    return Yes;
}

int Run(const char* command)
{
    std::string commandLine = command;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return No;
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) return No;
    DWORD code = No;
    GetExitCodeProcess(process.Get(), &code);
    std::printf("%lu\n", static_cast<unsigned long>(code));
    return Yes;
}

int HoldMutex(const char* name, const char* command)
{
    Handle mutex(CreateMutexA(nullptr, TRUE, name));
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return No;
    return Run(command);
}

int Seconds(const char* text) { return std::atoi(text); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return BadArguments;
    const std::string command = argv[1];
    HKEY root = nullptr;
    if (command == "seed-settings" && argc == 2) return SeedSettings();
    if (command == "get-dword" && argc == 3) return GetDword(argv[2]);
    if (command == "set-dword" && argc == 4)
        return WriteDword(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10))) ? Yes : No;
    if (command == "key-exists" && argc == 4 && RootOf(argv[2], root)) return KeyExists(root, argv[3]);
    if (command == "value-exists" && argc == 5 && RootOf(argv[2], root)) return ValueExists(root, argv[3], argv[4]);
    if (command == "get-string" && argc == 5 && RootOf(argv[2], root)) return GetString(root, argv[3], argv[4]);
    if (command == "wait-engine" && argc == 3) {
        HWND engine = nullptr;
        if (!WaitFor([&] { return (engine = RunningEngine()) != nullptr; }, Seconds(argv[2]))) return No;
        std::printf("%s\n", ProgramOf(engine).c_str());
        return Yes;
    }
    if (command == "wait-tray" && argc == 3) return WaitFor([] { return TrayIconCount() > 0; }, Seconds(argv[2])) ? Yes : No;
    if (command == "wait-no-process" && argc == 4) {
        const char* name = argv[2];
        return WaitFor([name] { return ProcessCount(name) == 0; }, Seconds(argv[3])) ? Yes : No;
    }
    if (command == "quit-all" && argc == 3) {
        return WaitFor(
                   [] {
                       EnumWindows(&QuitEngine, 0);
                       return ProcessCount("kalvora.exe") == 0;
                   },
                   Seconds(argv[2]))
                   ? Yes
                   : No;
    }
    if (command == "run" && argc == 3) return Run(argv[2]);
    if (command == "hold-mutex" && argc == 4) return HoldMutex(argv[2], argv[3]);
    return BadArguments;
}
