// The engine's schedule: the 250 ms timer, and the free-ups it and the user
// start.
#include "engine/fEngineForm.h"

#include "engine/uDateTime.h"
#include "engine/uFreeThread.h"
#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "monitor/uTrayIconCPU.h"
#include "monitor/uTrayIconMemory.h"
#include "monitor/uTrayIconResource.h"
#include "settings/uKalvoraOptions.h"
#include "toolkit/DebugOut.h"
#include "ui/fMainForm.h"

void TfrmEngine::StartFree(int64_t mb, bool waitIdle, int idleSeconds, int cpuThreshold, bool enforce, int passes,
                           int delaySeconds)
{
    StopWorker();
    // Worker messages carry no name. Whatever is still queued belongs to a
    // worker that is gone (stopped just now, or ended on its own a moment
    // ago): dropped, so that its end cannot stop the worker started now.
    DiscardQueuedWorkerMessages();
    const int bounded = BoundedFreeUpMB(mb);
    if (bounded > 0 && bounded != mb)
        toolkit::DebugOut("Free-up of " + std::to_string(mb) + " MB capped at " + std::to_string(bounded) + " MB");
    if (bounded > 0) {
        activity_.InIdleWait = false;
        activity_.InDelay = false;
        Worker_ = environment_.CreateWorker();
        Worker_->NotifyWindow = Handle();
        Worker_->WaitIdle = waitIdle;
        Worker_->IdleSeconds = idleSeconds;
        Worker_->CpuThreshold = cpuThreshold;
        Worker_->Enforce = enforce;
        Worker_->Passes = passes;
        Worker_->DelaySeconds = static_cast<uint32_t>(delaySeconds < 0 ? 0 : delaySeconds);
        Worker_->BlockSize = static_cast<size_t>(bounded) << 20;
        Worker_->Resume();
    }
    activity_.CpuThresholdShown = cpuThreshold;
    activity_.CpuPercent = 100;
    UpdateStatus();
    // A launch waits for the end of a free-up; with none running (refused,
    // or the launch's own one replaced by a refused one) it starts now.
    if (!Worker_ && LaunchWindow_) StartLaunchedProgram();
}

void TfrmEngine::StopWorker()
{
    if (!Worker_) return;
    Worker_->Terminate();
    Worker_->WaitFor();
    Worker_.reset();
}

void TfrmEngine::DiscardQueuedWorkerMessages()
{
    static constexpr UINT workerMessages[] = {WM_WORKER_ENDED,    WM_WORKER_COMPLETED, WM_WORKER_PROGRESS,
                                              WM_WORKER_IDLEWAIT, WM_WORKER_CPU,       WM_WORKER_DELAY};
    MSG message;
    for (UINT id : workerMessages)
        while (::PeekMessageA(&message, Handle(), id, id, PM_REMOVE)) {
        }
}

// The MB to free for a stored level: the total minus the level, in 64 bits.
static int64_t FreeUpMBForLevel(int storedLevel) { return int64_t{TotalPhysMB} - storedLevel; }

void TfrmEngine::FreeStored(int storedLevel) { StartFree(FreeUpMBForLevel(storedLevel), false, 0, 0, false, 2, 0); }

void TfrmEngine::FreeAmount(int mb) { StartFree(mb, false, 0, 0, true, 1, 0); }

void TfrmEngine::CriticalFree()
{
    if (Worker_) return;
    StartFree(FreeUpMBForLevel(Options->CriticalFreeUpMB()), Options->CriticalIdle(), Options->CriticalIdleSeconds(),
              Options->CriticalIdlePercent(), Options->CriticalIdleEnforce(), 1, 1);
}

void TfrmEngine::RegularFree()
{
    if (Worker_) return;
    StartFree(FreeUpMBForLevel(Options->RegularFreeUpMB()), Options->RegularIdle(), Options->RegularIdleSeconds(),
              Options->RegularIdlePercent(), Options->RegularIdleEnforce(), 2, 0);
    Options->SetNextRegularTime(TruncToMinute(environment_.Now() + MinutesToDays(Options->RegularInterval())));
}

void TfrmEngine::StartupFree()
{
    StartupChecked = true;
    if (Options->Startup() && !Worker_ && firstArgument_ == "autostart")
        StartFree(FreeUpMBForLevel(Options->StartupFreeUpMB()), Options->StartupIdle(), Options->StartupIdleSeconds(),
                  Options->StartupIdlePercent(), Options->StartupIdleEnforce(), 2, Options->StartupWait());
}

void TfrmEngine::TimerTimer()
{
    if (!Options) return;
    ++TickCount_;
    if (TickCount_ * 250 >= Options->ChartInterval()) {
        const HWND taskbar = ::FindWindowA("Shell_TrayWnd", nullptr);
        const bool taskbarRecreated = taskbar != TaskbarWindow;
        TaskbarWindow = taskbar;
        TickCount_ = 0;
        SampleHistories();
        if (taskbarRecreated && StatusTrayIcon_) StatusTrayIcon_->Refresh(true);
        if (MemoryTrayIcon_) MemoryTrayIcon_->Refresh(taskbarRecreated);
        if (CpuTrayIcon_ && CpuHistory) CpuTrayIcon_->Refresh(taskbarRecreated);
        if (TfrmMain* main = FindMainWindow()) main->RepaintChart();
        RepaintFreeAndRunChart();
    }
    if (!StartupChecked) StartupFree();
    const double now = environment_.Now();
    if (Options->BackgroundActivity()) {
        if (Options->Critical()) {
            const int usedMB = TotalPhysMB - static_cast<int>(environment_.AvailPhysBytes() >> 20);
            if (usedMB >= Options->CriticalTriggerMB()) CriticalFree();
        }
        if (Options->Regular() && now >= Options->NextRegularTime()) RegularFree();
    } else if (Options->Regular() && now >= Options->NextRegularTime()) {
        // Due while background activity is off: skipped, not made up later.
        Options->SetNextRegularTime(TruncToMinute(now + MinutesToDays(Options->RegularInterval())));
    }
}

void TfrmEngine::RegularScheduleUpkeep()
{
    if (!Options->Regular()) {
        LastRegularInterval = 0;
        return;
    }
    if (Options->RegularInterval() == LastRegularInterval) return;
    LastRegularInterval = Options->RegularInterval();
    Options->SetNextRegularTime(TruncToMinute(environment_.Now() + MinutesToDays(LastRegularInterval)));
}
