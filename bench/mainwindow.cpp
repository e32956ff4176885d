// The main window's cost, measured on the real kalvora.exe from outside, as
// another instance asks for the window:
//
// (a) Opening: from sending WM_ENGINE_SHOWMAIN to the end of the window's
//     first complete paint, the window and its chart, best of several fresh
//     starts. The engine creates and shows the window before it answers;
//     the paints come after, from its queue. The window counts as painted
//     once it is visible and neither it nor the chart has anything left to
//     paint; a message sent to it then returns only after the paint handler
//     that emptied the last update region has returned.
// (b) Keeping it open: the engine's CPU time as a share of one core over
//     the same length of time with the main window closed and then open on
//     the chart, one sample a second ("Chart Interval" 1000), in one run.
//
// kalvora.exe runs with the real settings key of this Wine prefix, copied
// aside first and put back at the end (as bench_startup does). A first
// start, not measured, saves the default settings; the measured starts use
// them with one sample a second and without scheduled free-ups.
//   bench_mainwindow [SECONDS] [RUNS]   (defaults 30 and 7)
#include "bench/ChildProcess.h"
#include "bench/EngineWindow.h"
#include "bench/ProcessCpu.h"
#include "bench/SettingsBackup.h"
#include "engine/uMessages.h"
#include "toolkit/Handles.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

const char* Arch() { return sizeof(void*) == 8 ? "x86_64" : "i686"; }

const char* const SettingsSubKey = "Software\\Orlandek\\Kalvora Professional 5";
// The engine shows no main window in its first two seconds.
constexpr DWORD EngineAgeMs = 2500;
constexpr DWORD SettleMs = 5000;  // icons created, first samples taken
constexpr DWORD PaintTimeoutMs = 30000;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool WriteDword(const char* name, DWORD value)
{
    return ::RegSetKeyValueA(HKEY_CURRENT_USER, SettingsSubKey, name, REG_DWORD, &value, sizeof(value)) ==
           ERROR_SUCCESS;
}

// One sample a second; nothing may start a free-up while measuring.
bool WriteMeasuredSettings()
{
    return WriteDword("Chart Interval", 1000) && WriteDword("Critical", 0) && WriteDword("Regular", 0) &&
           WriteDword("Startup", 0);
}

BOOL CALLBACK FindChart(HWND child, LPARAM found)
{
    char name[64] = {};
    ::GetClassNameA(child, name, sizeof(name));
    if (std::string(name) != "TPerformanceChart") return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

HWND ChartOf(HWND main)
{
    HWND chart = nullptr;
    ::EnumChildWindows(main, &FindChart, reinterpret_cast<LPARAM>(&chart));
    return chart;
}

bool NothingLeftToPaint(HWND window) { return !::GetUpdateRect(window, nullptr, FALSE); }

// The program, its engine found, old enough to show its main window.
class TRunningKalvora {
public:
    explicit TRunningKalvora(const std::string& token) : token_(token), program_("kalvora.exe", token)
    {
        if (!program_.Started()) return;
        for (int attempt = 0; attempt < 300 && !engine_ && !program_.WaitForExit(0); ++attempt) {
            engine_ = EngineWindowOf(program_.Id());
            if (!engine_) ::Sleep(50);
        }
    }
    ~TRunningKalvora() { Quit(); }
    TRunningKalvora(const TRunningKalvora&) = delete;
    TRunningKalvora& operator=(const TRunningKalvora&) = delete;

    HWND Engine() const { return engine_; }
    const TChildProcess& Program() const { return program_; }
    const std::string& Token() const { return token_; }
    bool Ended() const { return program_.WaitForExit(0); }

    // Ends it as a second instance started with "quit" would.
    bool Quit()
    {
        if (quitAsked_) return endedCleanly_;
        quitAsked_ = true;
        if (engine_ && !Ended()) ::PostMessageA(engine_, WM_ENGINE_QUIT, 0, 0);
        endedCleanly_ = engine_ && program_.WaitForExit(15000);
        if (!endedCleanly_) program_.Quit(1000);
        return endedCleanly_;
    }

private:
    std::string token_;
    TChildProcess program_;
    HWND engine_ = nullptr;
    bool quitAsked_ = false;
    bool endedCleanly_ = false;
};

struct TOpening {
    std::optional<double> Ms;
    HWND Main = nullptr;
    bool HadChart = false;
    bool SawUpdateRegion = false;  // the paint came after the answer, as expected
    const char* Failure = nullptr;
};

// Asks the engine for its main window and waits for the first complete
// paint of the window and its chart.
TOpening OpenMainWindow(const TRunningKalvora& kalvora)
{
    TOpening opening;
    const auto start = Clock::now();
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutA(kalvora.Engine(), WM_ENGINE_SHOWMAIN, 0, 0, SMTO_NORMAL, PaintTimeoutMs, &answer)) {
        opening.Failure = "the engine did not answer WM_ENGINE_SHOWMAIN";
        return opening;
    }
    opening.Main = reinterpret_cast<HWND>(answer);
    if (!opening.Main) {
        opening.Failure = "the engine answered without a main window";
        return opening;
    }
    const HWND chart = ChartOf(opening.Main);
    opening.HadChart = chart && ::IsWindowVisible(chart);
    if (!opening.HadChart) {
        opening.Failure = "the main window shows no chart (no skin loaded?)";
        return opening;
    }
    for (;;) {
        const bool painted =
            ::IsWindowVisible(opening.Main) && NothingLeftToPaint(opening.Main) && NothingLeftToPaint(chart);
        if (painted) break;
        opening.SawUpdateRegion = true;
        if (MsSince(start) > PaintTimeoutMs || kalvora.Ended()) {
            opening.Failure = "the main window was not painted";
            return opening;
        }
        ::Sleep(0);
    }
    // Returns once the paint handler that validated the last region is over.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(opening.Main, WM_NULL, 0, 0, SMTO_NORMAL, PaintTimeoutMs, &ignored);
    opening.Ms = MsSince(start);
    return opening;
}

bool CloseMainWindow(const TRunningKalvora& kalvora, HWND main)
{
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    for (int attempt = 0; attempt < 200 && ::IsWindow(main) && !kalvora.Ended(); ++attempt) ::Sleep(50);
    return !::IsWindow(main);
}

std::string NewToken(int run)
{
    return "kalvora-bench-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount64()) +
           "-" + std::to_string(run);
}

// The engine's CPU share of one core over seconds.
std::optional<double> CpuPercent(const TRunningKalvora& kalvora, const TProcessCpu& cpu, int seconds)
{
    const auto wallBefore = Clock::now();
    const double before = cpu.Seconds();
    ::Sleep(static_cast<DWORD>(seconds) * 1000);
    const double spent = cpu.Seconds() - before;
    const double wall = MsSince(wallBefore) / 1000.0;
    if (kalvora.Ended()) return std::nullopt;
    return 100.0 * spent / wall;
}

int MeasureOpening(int runs)
{
    double best = 1e300;
    int paintedLater = 0;
    for (int run = 0; run < runs; ++run) {
        TRunningKalvora kalvora(NewToken(run));
        if (!kalvora.Engine()) {
            std::printf("mainwindow %s: failed, kalvora.exe showed no engine window\n", Arch());
            return 1;
        }
        ::Sleep(EngineAgeMs);
        const TOpening opening = OpenMainWindow(kalvora);
        if (!opening.Ms) {
            std::printf("mainwindow %s: opening failed, %s\n", Arch(), opening.Failure);
            return 1;
        }
        best = std::min(best, *opening.Ms);
        paintedLater += opening.SawUpdateRegion;
        if (!kalvora.Quit()) {
            std::printf("mainwindow %s: failed, kalvora.exe did not end on WM_ENGINE_QUIT\n", Arch());
            return 1;
        }
    }
    std::printf("mainwindow %s: %.1f ms from WM_ENGINE_SHOWMAIN to the first complete paint of the window and its "
                "chart (best of %d fresh starts%s)\n",
                Arch(), best, runs,
                paintedLater == runs ? "" : "; some paints were over before the answer came");
    return 0;
}

int MeasureCpu(int seconds)
{
    TRunningKalvora kalvora(NewToken(1000));
    if (!kalvora.Engine()) {
        std::printf("mainwindow %s: CPU not measured, kalvora.exe showed no engine window\n", Arch());
        return 1;
    }
    ::Sleep(SettleMs);
    const TProcessCpu cpu(kalvora.Program().Process(), kalvora.Token());
    const std::optional<double> closed = CpuPercent(kalvora, cpu, seconds);
    if (!closed) {
        std::printf("mainwindow %s: CPU failed, kalvora.exe ended while it was measured\n", Arch());
        return 1;
    }
    const TOpening opening = OpenMainWindow(kalvora);
    if (!opening.Ms) {
        std::printf("mainwindow %s: CPU with the window open not measured, %s\n", Arch(), opening.Failure);
        return 1;
    }
    ::Sleep(2000);  // the first ticks of the window's own timer
    const std::optional<double> open = CpuPercent(kalvora, cpu, seconds);
    const bool stillOpen = ::IsWindow(opening.Main) && ::IsWindowVisible(opening.Main);
    const bool closedAgain = CloseMainWindow(kalvora, opening.Main);
    if (!open || !stillOpen) {
        std::printf("mainwindow %s: CPU failed, %s while it was measured\n", Arch(),
                    !open ? "kalvora.exe ended" : "the main window went");
        return 1;
    }
    char ratio[32] = "n/a (no time with it closed)";
    if (*closed > 0) std::snprintf(ratio, sizeof(ratio), "%.2f", *open / *closed);
    std::printf("mainwindow %s: engine CPU %.3f %% of one core with the main window open on the chart, %.3f %% "
                "with it closed, ratio %s (%d s each, one sample a second, %s)\n",
                Arch(), *open, *closed, ratio, seconds, cpu.Source());
    if (!closedAgain) {
        std::printf("mainwindow %s: failed, the main window did not close on WM_CLOSE\n", Arch());
        return 1;
    }
    if (!kalvora.Quit()) {
        std::printf("mainwindow %s: failed, kalvora.exe did not end on WM_ENGINE_QUIT\n", Arch());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    if (seconds <= 0) {
        std::printf("mainwindow %s: not run, the measuring time must be positive\n", Arch());
        return 2;
    }
    if (AnyEngineRuns()) {
        std::printf("mainwindow %s: not run, an instance of the program runs already\n", Arch());
        return 1;
    }
    TSettingsBackup backup;
    if (!backup.Saved()) {
        std::printf("mainwindow %s: not run, the settings could not be copied aside\n", Arch());
        return 1;
    }
    backup.ClearSettings();
    {
        TRunningKalvora firstStart(NewToken(-1));  // saves the default settings
        if (!firstStart.Engine() || !firstStart.Quit()) {
            std::printf("mainwindow %s: failed, the first start %s\n", Arch(),
                        !firstStart.Engine() ? "showed no engine window" : "did not end on WM_ENGINE_QUIT");
            return 1;
        }
    }
    if (!WriteMeasuredSettings()) {
        std::printf("mainwindow %s: not run, the settings could not be written\n", Arch());
        return 1;
    }
    const int opening = MeasureOpening(runs);
    const int cpu = MeasureCpu(seconds);
    return opening != 0 || cpu != 0 ? 1 : 0;
}
