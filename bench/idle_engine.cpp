// The measured side of the idle benchmark: the real engine with default
// settings (a first start: the memory icon on, one sample a second) and its
// own message loop, until the loop is told to quit (WM_QUIT). Its settings
// live in a key of the benchmark's own, never in the program's.
//   bench_idle_engine [TOKEN]   (the token only marks the process for the benchmark)
#include "engine/fEngineForm.h"
#include "engine/uHistories.h"
#include "monitor/uCpuUsage.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uKalvoraOptionsInit.h"
#include "toolkit/Application.h"

#include <windows.h>

#include <memory>

namespace {
const char* const BenchKey = "HKEY_CURRENT_USER\\Software\\KalvoraBench\\Idle";
}  // namespace

int main()
{
    InitMemoryState();
    CreateCpuSamplers();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KalvoraBench\\Idle");  // what an interrupted run left
    Options = std::make_unique<TKalvoraOptions>(BenchKey);  // a first start: the automatic settings
    Options->SetMemoryIcon(true);
    Options->SetCritical(false);  // nothing may start a free-up while measuring
    Options->SetRegular(false);
    {
        TfrmEngine engine;
        toolkit::Application::Instance().Run();
    }
    FinishOptions(false);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KalvoraBench\\Idle");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KalvoraBench\\Idle");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KalvoraBench");  // only when nothing else is in it
    FinishCpuSamplers();
    FinishMemoryState();
    return 0;
}
