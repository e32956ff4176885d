// The engine's own cost while idle against its floor. Starts the engine
// (bench_idle_engine: default settings, the memory icon on, one sample a
// second) and the floor (bench_idle_floor: a bare program doing only what a
// sample cannot avoid) side by side, lets both settle, and measures the CPU
// time of each over the same wall-clock window, as a share of one core.
//   bench_idle [SECONDS]   (default 60)
#include "bench/ChildProcess.h"
#include "bench/ProcessCpu.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* Arch() { return sizeof(void*) == 8 ? "x86_64" : "i686"; }

constexpr DWORD SettleMs = 5000;  // icons created, first samples taken

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    if (seconds <= 0) {
        std::printf("idle %s: not run, the measuring time must be positive\n", Arch());
        return 2;
    }
    // Marks the two processes on their command lines, so that their threads
    // can be found by the system's scheduler statistics.
    const std::string token = "kalvora-bench-" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetTickCount64());
    TChildProcess engine("bench_idle_engine.exe", token + "-engine");
    TChildProcess bare("bench_idle_floor.exe", token + "-floor");
    if (!engine.Started() || !bare.Started()) {
        std::printf("idle %s: not run, cannot start bench_idle_engine.exe and bench_idle_floor.exe\n", Arch());
        return 1;
    }
    WaitForInputIdle(engine.Process(), 30000);
    WaitForInputIdle(bare.Process(), 30000);
    Sleep(SettleMs);
    if (engine.WaitForExit(0) || bare.WaitForExit(0)) {
        std::printf("idle %s: not run, a program ended before the measuring\n", Arch());
        return 1;
    }

    const TProcessCpu engineCpu(engine.Process(), token + "-engine");
    const TProcessCpu floorCpu(bare.Process(), token + "-floor");
    const auto wallBefore = std::chrono::steady_clock::now();
    const double engineBefore = engineCpu.Seconds(), floorBefore = floorCpu.Seconds();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double engineSpent = engineCpu.Seconds() - engineBefore, floorSpent = floorCpu.Seconds() - floorBefore;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const bool ended = engine.WaitForExit(0) || bare.WaitForExit(0);
    engine.Quit(10000);
    bare.Quit(10000);
    if (ended) {
        std::printf("idle %s: failed, a program ended while it was measured\n", Arch());
        return 1;
    }

    const double enginePercent = 100.0 * engineSpent / wall, floorPercent = 100.0 * floorSpent / wall;
    char ratio[32] = "n/a (no floor time)";
    if (floorSpent > 0) std::snprintf(ratio, sizeof(ratio), "%.2f", engineSpent / floorSpent);
    std::printf("idle %s: %.3f %% of one core, floor %.3f %%, ratio %s (%.4f s and %.4f s CPU in %.0f s, %s)\n",
                Arch(), enginePercent, floorPercent, ratio, engineSpent, floorSpent, wall, engineCpu.Source());
    return 0;
}
