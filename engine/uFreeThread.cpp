#include "engine/uFreeThread.h"

#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "monitor/uCpuUsage.h"
#include "toolkit/DebugOut.h"

#include <exception>

using toolkit::DebugOut;

TFreeThread::~TFreeThread() { StopAndWait(); }

void TFreeThread::Execute()
{
    try {
        Body();
    } catch (const std::exception& error) {
        DebugOut(std::string("Free-up ended by an error: ") + error.what());
    } catch (...) {
        DebugOut("Free-up ended by an unknown error");
    }
    // However the body ended: the block goes back and the engine hears of it.
    try {
        if (Block) ReleaseHeldBlock();
    } catch (...) {
        DebugOut("Free-up could not release its block");
    }
    if (!Terminated()) Notify(WM_WORKER_COMPLETED, 0, 0);
    Notify(WM_WORKER_ENDED, 0, 0);
}

void TFreeThread::Body()
{
    if (DelaySeconds > 0) CountDown();
    if (Terminated()) return;
    const bool freeNow = !WaitIdle || WaitForIdle() || Enforce;
    if (freeNow && !Terminated()) FreePasses();
}

void TFreeThread::CountDown()
{
    for (uint32_t second = 0; second < DelaySeconds && !Terminated();) {
        ++second;
        Notify(WM_WORKER_DELAY, second, DelaySeconds);
        WaitOneSecond();
    }
}

bool TFreeThread::SampleIsIdle()
{
    const int percent = SampleCpuPercent();
    Notify(WM_WORKER_CPU, static_cast<WPARAM>(percent), CpuThreshold);
    return percent <= CpuThreshold;
}

bool TFreeThread::WaitForIdle()
{
    int32_t secondsLeft = IdleSeconds;
    bool idle = SampleIsIdle();
    while (!idle && secondsLeft > 0 && !Terminated()) {
        Notify(WM_WORKER_IDLEWAIT, static_cast<WPARAM>(secondsLeft), 0);
        WaitOneSecond();
        --secondsLeft;
        idle = SampleIsIdle();
    }
    ReleaseCpuSampler();
    return idle;
}

void TFreeThread::FreePasses()
{
    Notify(WM_WORKER_PROGRESS, 0, 0);
    int lastPercent = 0;
    Block = nullptr;
    for (int32_t pass = 1;;) {
        if (!Block) Block = CommitBlock(BlockSize);
        if (Block) {
            TouchBlock(lastPercent);
            ReleaseHeldBlock();
        } else {
            DebugOut("VirtualAlloc failed");
        }
        ++pass;
        // In this order: the target is never tested after the last pass.
        if (pass > Passes || TargetReached() || Terminated()) break;
    }
}

void TFreeThread::TouchBlock(int& lastPercent)
{
    volatile char* bytes = static_cast<volatile char*>(Block);
    const double size = static_cast<double>(BlockSize);
    for (size_t offset = 0; offset < BlockSize && !Terminated();) {
        bytes[offset] = 0;
        offset += 1024;
        const int percent = static_cast<int>(static_cast<double>(offset) / size * 100.0);
        if (percent != lastPercent) {
            Notify(WM_WORKER_PROGRESS, static_cast<WPARAM>(percent), 0);
            lastPercent = percent;
        }
    }
}

bool TFreeThread::TargetReached()
{
    const uint64_t available = ReadAvailPhysBytes();
    DebugOut("Free: " + std::to_string(available));
    DebugOut("ToFree: " + std::to_string(BlockSize));
    const bool reached = available > static_cast<uint64_t>(BlockSize);
    DebugOut(reached ? "Target reached" : "Target Not Reached");
    return reached;
}

void TFreeThread::ReleaseHeldBlock()
{
    void* block = Block;
    Block = nullptr;
    if (!FreeBlock(block, BlockSize, MEM_DECOMMIT)) DebugOut("VirtualFree1 failed");
    if (!FreeBlock(block, 0, MEM_RELEASE)) {
        const DWORD code = ::GetLastError();
        DebugOut("VirtualFree2 failed... Fatal Exit Initiated");
        Notify(WM_WORKER_FATAL, code, 0);
    }
}

int TFreeThread::SampleCpuPercent() { return AverageCpuPercent(*WorkerCpuSampler); }

void TFreeThread::ReleaseCpuSampler() { WorkerCpuSampler->Release(); }

uint64_t TFreeThread::ReadAvailPhysBytes() { return AvailPhysBytes(); }

void* TFreeThread::CommitBlock(size_t size)
{
    return ::VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

bool TFreeThread::FreeBlock(void* address, size_t size, DWORD freeType)
{
    return ::VirtualFree(address, size, freeType) != FALSE;
}

void TFreeThread::WaitOneSecond() { SleepUnlessTerminated(1000); }

void TFreeThread::Notify(UINT message, WPARAM wParam, LPARAM lParam)
{
    ::PostMessageA(NotifyWindow, message, wParam, lParam);
}
