// Start-up time: from the start of the process until its icon is in the
// notification area, for kalvora.exe (its memory icon: the only icon the
// default settings show) against a bare program that creates one hidden
// window and adds one icon (bench_startup_bare). Best of several runs of
// each, alternating.
//
// kalvora.exe runs with the real settings key of this Wine prefix: the
// settings and the autostart value are copied aside first and put back at
// the end. A first start (automatic settings) that is not measured saves
// the default settings, which the measured starts then load. Every
// instance is ended with WM_ENGINE_QUIT and waited for.
//
// Another process sees an icon as there when a modify of it (its window,
// id 0, no flags) succeeds. The previous instance has ended, and its icon
// is gone, before the next starts.
//   bench_startup [RUNS]   (default 7)
#include "bench/ChildProcess.h"
#include "bench/SettingsBackup.h"
#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* Arch() { return sizeof(void*) == 8 ? "x86_64" : "i686"; }

constexpr DWORD StartTimeoutMs = 30000;

struct TWindowSearch {
    DWORD ProcessId = 0;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM search)
{
    auto* wanted = reinterpret_cast<TWindowSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == wanted->ProcessId) wanted->Found.push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsOf(DWORD processId)
{
    TWindowSearch search{processId, {}};
    EnumWindows(&CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

bool HasTrayIcon(HWND window)
{
    NOTIFYICONDATAA probe{};
    probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
    probe.hWnd = window;
    probe.uID = 0;
    probe.uFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

bool IconShown(DWORD processId)
{
    for (HWND window : WindowsOf(processId))
        if (HasTrayIcon(window)) return true;
    return false;
}

HWND EngineWindowOf(DWORD processId)
{
    for (HWND window : WindowsOf(processId)) {
        char caption[64] = {};
        GetWindowTextA(window, caption, sizeof(caption));
        DWORD_PTR answer = 0;
        if (std::string(caption) == EngineCaption &&
            SendMessageTimeoutA(window, WM_ENGINE_PING, 0, 0, SMTO_NORMAL, 5000, &answer) &&
            static_cast<LRESULT>(answer) == EngineSignature)
            return window;
    }
    return nullptr;
}

BOOL CALLBACK FindAnyEngine(HWND window, LPARAM found)
{
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    if (std::string(caption) == EngineCaption) *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

bool AnyEngineRuns()
{
    bool found = false;
    EnumWindows(&FindAnyEngine, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK CountWineTrayIcon(HWND window, LPARAM count)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "__winex11_tray_icon") ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// The icons in Wine's own notification area (a window per icon), or -1
// where there is no such area. Counting them asks the shell nothing.
int WineTrayIconCount()
{
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    if (!tray) return -1;
    int count = 0;
    EnumChildWindows(tray, &CountWineTrayIcon, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Milliseconds from start (taken just before the process was created)
// until its icon is there, or nothing. Asking the shell about every window
// of the program at every turn would keep the shell busy while it adds the
// icon: under Wine it is asked when the number of icon windows changed (and
// every 50th turn, in case one went as another came).
std::optional<double> TimeToIcon(const TChildProcess& program, Clock::time_point start, int lastIcons)
{
    for (int turn = 1;; ++turn) {
        const int icons = WineTrayIconCount();
        const bool ask = icons < 0 || icons != lastIcons || turn % 50 == 0;
        lastIcons = icons;
        if (ask && IconShown(program.Id()))
            return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (program.WaitForExit(0) || Clock::now() - start > std::chrono::milliseconds(StartTimeoutMs))
            return std::nullopt;
        Sleep(1);
    }
}

struct TRun {
    std::optional<double> Ms;
    bool EndedCleanly = false;
};

TRun RunKalvora()
{
    const int iconsBefore = WineTrayIconCount();
    const auto start = Clock::now();
    TChildProcess program("kalvora.exe", "");
    TRun run;
    if (!program.Started()) return run;
    run.Ms = TimeToIcon(program, start, iconsBefore);
    HWND engine = nullptr;
    for (int attempt = 0; attempt < 100 && !engine && !program.WaitForExit(0); ++attempt) {
        engine = EngineWindowOf(program.Id());
        if (!engine) Sleep(50);
    }
    if (engine) PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
    run.EndedCleanly = engine && program.WaitForExit(15000);
    if (!run.EndedCleanly) program.Quit(1000);
    return run;
}

TRun RunBare()
{
    const int iconsBefore = WineTrayIconCount();
    const auto start = Clock::now();
    TChildProcess program("bench_startup_bare.exe", "");
    TRun run;
    if (!program.Started()) return run;
    run.Ms = TimeToIcon(program, start, iconsBefore);
    run.EndedCleanly = program.Quit(15000);
    return run;
}

// One icon of the benchmark's own for the whole run: the notification area
// then exists before each start and stays when a measured icon goes.
class TKeepTrayOpen {
public:
    TKeepTrayOpen()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KalvoraBenchStartupKeeper";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
        icon_.cbSize = NOTIFYICONDATAA_V1_SIZE;
        icon_.hWnd = window_;
        icon_.uFlags = NIF_ICON;
        icon_.hIcon = static_cast<HICON>(LoadImageA(nullptr, MAKEINTRESOURCEA(32512), IMAGE_ICON, 16, 16, LR_SHARED));
        Shell_NotifyIconA(NIM_ADD, &icon_);
    }
    ~TKeepTrayOpen()
    {
        Shell_NotifyIconA(NIM_DELETE, &icon_);
        if (window_) DestroyWindow(window_);
    }
    TKeepTrayOpen(const TKeepTrayOpen&) = delete;
    TKeepTrayOpen& operator=(const TKeepTrayOpen&) = delete;

private:
    HWND window_ = nullptr;
    NOTIFYICONDATAA icon_{};
};

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    if (AnyEngineRuns()) {
        std::printf("startup %s: not run, an instance of the program runs already\n", Arch());
        return 1;
    }
    TKeepTrayOpen keeper;
    TSettingsBackup backup;
    if (!backup.Saved()) {
        std::printf("startup %s: not run, the settings could not be copied aside\n", Arch());
        return 1;
    }
    backup.ClearSettings();
    const TRun firstStart = RunKalvora();  // saves the default settings
    if (!firstStart.Ms || !firstStart.EndedCleanly) {
        std::printf("startup %s: failed, the first start %s\n", Arch(),
                    !firstStart.Ms ? "showed no icon" : "did not end on WM_ENGINE_QUIT");
        return 1;
    }

    double best = 1e300, bestBare = 1e300;
    for (int run = 0; run < runs; ++run) {
        const TRun bare = RunBare();
        const TRun kalvora = RunKalvora();
        if (!bare.Ms || !bare.EndedCleanly) {
            std::printf("startup %s: failed, the bare program %s\n", Arch(),
                        !bare.Ms ? "showed no icon" : "did not end");
            return 1;
        }
        if (!kalvora.Ms || !kalvora.EndedCleanly) {
            std::printf("startup %s: failed, kalvora.exe %s\n", Arch(),
                        !kalvora.Ms ? "showed no memory icon" : "did not end on WM_ENGINE_QUIT");
            return 1;
        }
        best = std::min(best, *kalvora.Ms);
        bestBare = std::min(bestBare, *bare.Ms);
    }
    std::printf("startup %s: %.1f ms, bare program %.1f ms, ratio %.2f (best of %d)\n", Arch(), best, bestBare,
                best / bestBare, runs);
    return 0;
}
