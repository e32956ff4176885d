// The engine's own cost while idle: default settings, the memory icon on,
// one sample a second. Runs the real engine with its message loop for a
// while and prints the process's CPU time as a share of one core.
//   bench_idle [SECONDS]   (default 60)
#include "engine/fEngineForm.h"
#include "engine/uHistories.h"
#include "monitor/uCpuUsage.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uKalvoraOptionsInit.h"
#include "toolkit/Application.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char* const BenchKey = "HKEY_CURRENT_USER\\Software\\KalvoraBench\\Idle";

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& time) {
        return ((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

void CALLBACK EndMeasuring(HWND, UINT, UINT_PTR, DWORD) { toolkit::Application::Instance().Terminate(0); }

const char* Arch() { return sizeof(void*) == 8 ? "x86_64" : "i686"; }

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    InitMemoryState();
    CreateCpuSamplers();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KalvoraBench");
    Options = std::make_unique<TKalvoraOptions>(BenchKey);  // a first start: the automatic settings
    Options->SetChartInterval(argc > 2 ? std::atoi(argv[2]) : 1000);
    Options->SetMemoryIcon(true);
    Options->SetCritical(false);  // nothing may start a free-up while measuring
    Options->SetRegular(false);
    {
        TfrmEngine engine;
        auto& application = toolkit::Application::Instance();
        application.ProcessMessagesUntil([] { return false; }, 3000);  // settle: icons created, first samples
        const double cpuBefore = ProcessCpuSeconds();
        const ULONGLONG wallBefore = GetTickCount64();
        // The program's own loop: it sleeps in GetMessage between messages.
        SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, &EndMeasuring);
        application.Run();
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        const double wall = (GetTickCount64() - wallBefore) / 1000.0;
        std::printf("idle %s: %.3f %% of one core (%.3f s CPU in %.0f s)\n", Arch(), 100.0 * cpu / wall, cpu, wall);
    }
    FinishOptions(false);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KalvoraBench");
    FinishCpuSamplers();
    FinishMemoryState();
    return 0;
}
